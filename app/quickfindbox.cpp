// The Find box shared by the record window and the spreadsheet.
#include "app/quickfindbox.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QShortcut>
#include <QTimer>

#include "store/quickfind.h"
#include "store/recordstore.h"

QuickFindBox::QuickFindBox(RecordStore &store, QWidget *window)
    : QWidget(window)
    , m_store(store)
    , m_prepare(new QTimer(this))
    , m_edit(new QLineEdit(this))
    , m_count(new QLabel(this))
{
    setObjectName(QStringLiteral("QuickFindBox"));
    m_edit->setObjectName(QStringLiteral("QuickFind"));
    m_edit->setPlaceholderText(QStringLiteral("Find"));
    m_edit->setToolTip(QStringLiteral("Find: shows only the records holding every word typed "
                                      "(Enter makes them the search list)"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setMinimumWidth(140);
    m_edit->setMaximumWidth(240);
    m_count->setObjectName(QStringLiteral("QuickFindCount"));
    // Room for a count only while there is one: the toolbar keeps its buttons in a narrow window.
    m_count->hide();
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 0, 6, 0);
    row->addWidget(m_edit);
    row->addWidget(m_count);
    connect(m_edit, &QLineEdit::textEdited, this, &QuickFindBox::textEdited);
    // The clear button does not count as an edit.
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (text.isEmpty() && !m_store.findText.isEmpty())
            textEdited(text);
    });
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        if (!m_store.findActive())
            return;
        QuickFindIndex::makeSearchList(m_store);
        Q_EMIT findAccepted();
    });
    m_edit->installEventFilter(this);
    // A zero timer runs between the events waiting, so typing and painting go first.
    m_prepare->setSingleShot(true);
    m_prepare->setInterval(0);
    connect(m_prepare, &QTimer::timeout, this, &QuickFindBox::prepareSlice);
    auto *find = new QShortcut(QKeySequence::Find, window);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        m_edit->setFocus(Qt::ShortcutFocusReason);
        m_edit->selectAll();
    });
}

QSize QuickFindBox::sizeHint() const
{
    const int reserve
        = m_count->fontMetrics().horizontalAdvance(QStringLiteral("000,000 of 000,000"));
    QSize s = QWidget::sizeHint();
    if (m_count->isHidden())
        s.rwidth() += layout()->spacing() + reserve;
    else
        s.rwidth() += std::max(0, reserve - m_count->sizeHint().width());
    return s;
}

QString QuickFindBox::countText(int matches, int records)
{
    const QLocale english(QLocale::English);
    return english.toString(matches) + QStringLiteral(" of ") + english.toString(records);
}

void QuickFindBox::refresh()
{
    if (m_edit->text() != m_store.findText)
        m_edit->setText(m_store.findText);
    updateCount();
}

void QuickFindBox::prepareIndex()
{
    m_store.findIndex().restartPreparing();
    m_prepare->start();
}

void QuickFindBox::prepareSlice()
{
    // A slice short enough that a keystroke waiting behind it is not felt.
    constexpr int SliceMilliseconds = 15;
    if (!m_store.findIndex().prepare(m_store, SliceMilliseconds))
        m_prepare->start();
}

void QuickFindBox::updateCount()
{
    const bool active = m_store.findActive();
    m_count->setText(
        active ? countText(int(m_store.findMatches().size()), m_store.count()) : QString());
    if (active) {
        // As wide as the largest count of this catalogue, so the box keeps still while typing.
        const QString widest = countText(m_store.count(), m_store.count());
        m_count->setMinimumWidth(m_count->fontMetrics().horizontalAdvance(widest));
    }
    m_count->setVisible(active);
}

void QuickFindBox::textEdited(const QString &text)
{
    m_store.findText = text;
    // The window narrows first (the record window may store its edits on the way); the count
    // then takes the same answer.
    const QuickFindIndex::Batch keystroke(m_store.findIndex());
    Q_EMIT findChanged();
    updateCount();
}

bool QuickFindBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && !m_edit->text().isEmpty()) {
        m_edit->clear(); // textChanged passes it on
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
