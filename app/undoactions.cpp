// Undo and Redo actions whose texts name the step they take back or do again.
#include "app/undoactions.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include "store/edithistory.h"

namespace {

QString escaped(QString text)
{
    // A caption may hold "&", which a menu would take for a mnemonic.
    return text.replace(u'&', QStringLiteral("&&"));
}

} // namespace

UndoActions::UndoActions(EditHistory &history, QWidget *window)
    : QObject(window)
    , m_history(history)
    , m_window(window)
{
    m_undo = new QAction(window);
    m_undo->setObjectName(QStringLiteral("Undo1"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = new QAction(window);
    m_redo->setObjectName(QStringLiteral("Redo1"));
    m_redo->setShortcuts(
        { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y) });
    // On the window itself too, so the keys work with no menu bar shown.
    window->addAction(m_undo);
    window->addAction(m_redo);
    connect(m_undo, &QAction::triggered, this, &UndoActions::undo);
    connect(m_redo, &QAction::triggered, this, &UndoActions::redo);
    connect(&m_history, &EditHistory::stateChanged, this, &UndoActions::refresh);
    refresh();
    qApp->installEventFilter(this);
}

bool UndoActions::eventFilter(QObject *watched, QEvent *event)
{
    // A text box keeps Ctrl+Z for its own typing while it has some to take back; once it has
    // none, the keys undo and redo the database's steps.
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    auto *w = static_cast<QWidget *>(watched);
    if (w->window() != m_window)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const bool undo = key->matches(QKeySequence::Undo);
    const bool redo = key->matches(QKeySequence::Redo)
        || key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y);
    if (!undo && !redo)
        return false;
    bool own = false;
    if (auto *line = qobject_cast<QLineEdit *>(w))
        own = !line->isReadOnly() && (undo ? line->isUndoAvailable() : line->isRedoAvailable());
    else if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
        own = !memo->isReadOnly()
            && (undo ? memo->document()->isUndoAvailable() : memo->document()->isRedoAvailable());
    else if (auto *rich = qobject_cast<QTextEdit *>(w))
        own = !rich->isReadOnly()
            && (undo ? rich->document()->isUndoAvailable() : rich->document()->isRedoAvailable());
    if (own)
        return false;
    // Not claimed by the box: the shortcut runs.
    key->ignore();
    return true;
}

void UndoActions::addTo(QMenu *menu)
{
    menu->addAction(m_undo);
    menu->addAction(m_redo);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        if (beforeStep)
            beforeStep();
        refresh();
    });
}

void UndoActions::undo()
{
    if (beforeStep)
        beforeStep();
    m_history.undo();
}

void UndoActions::redo()
{
    if (beforeStep)
        beforeStep();
    m_history.redo();
}

void UndoActions::refresh()
{
    const QString undo = m_history.undoText(), redo = m_history.redoText();
    m_undo->setText(
        undo.isEmpty() ? QStringLiteral("&Undo") : QStringLiteral("&Undo ") + escaped(undo));
    m_redo->setText(
        redo.isEmpty() ? QStringLiteral("&Redo") : QStringLiteral("&Redo ") + escaped(redo));
    m_undo->setEnabled(m_history.canUndo());
    m_redo->setEnabled(m_history.canRedo());
}
