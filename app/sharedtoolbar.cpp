// The shared toolbar: one implementation of the buttons all windows have in common.
#include "app/sharedtoolbar.h"

#include <QCursor>
#include <QMenu>
#include <QShortcut>
#include <QToolButton>

SharedToolbar::SharedToolbar(QWidget *owner, WindowRegistry &registry)
    : QToolBar(owner)
    , m_owner(owner)
    , m_registry(registry)
{
    setObjectName(QStringLiteral("ToolBar1"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(24, 24));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

namespace {

ToolIcon iconFor(SharedToolbar::Action a)
{
    using A = SharedToolbar::Action;
    switch (a) {
    case A::Search:
        return ToolIcon::Search;
    case A::Album:
        return ToolIcon::Album;
    case A::Graph:
        return ToolIcon::Graph;
    case A::Spreadsheet:
        return ToolIcon::Spreadsheet;
    case A::Record:
        return ToolIcon::Record;
    case A::Report:
        return ToolIcon::Report;
    case A::QuickSave:
        return ToolIcon::Save;
    case A::Help:
        return ToolIcon::Help;
    case A::Close:
        return ToolIcon::Close;
    case A::Print:
        return ToolIcon::Print;
    }
    return ToolIcon::Help;
}

WindowKind kindFor(SharedToolbar::Action a)
{
    using A = SharedToolbar::Action;
    switch (a) {
    case A::Search:
        return WindowKind::Search;
    case A::Album:
        return WindowKind::Album;
    case A::Graph:
        return WindowKind::Graph;
    case A::Spreadsheet:
        return WindowKind::Spreadsheet;
    default:
        return WindowKind::Record;
    }
}

// What a screen reader says for a button that has no hint of its own.
QString spokenName(ToolIcon icon)
{
    switch (icon) {
    case ToolIcon::Search:
        return QStringLiteral("Search Records");
    case ToolIcon::Album:
        return QStringLiteral("Album View");
    case ToolIcon::Graph:
        return QStringLiteral("Graph View");
    case ToolIcon::Spreadsheet:
        return QStringLiteral("Spreadsheet View");
    case ToolIcon::Record:
        return QStringLiteral("Record View");
    case ToolIcon::Report:
        return QStringLiteral("Reports");
    case ToolIcon::Save:
        return QStringLiteral("Save Database");
    case ToolIcon::Help:
        return QStringLiteral("Help");
    case ToolIcon::Close:
        return QStringLiteral("Close");
    case ToolIcon::Print:
        return QStringLiteral("Print");
    case ToolIcon::Previous:
        return QStringLiteral("Previous Record");
    case ToolIcon::Next:
        return QStringLiteral("Next Record");
    case ToolIcon::NewRecord:
        return QStringLiteral("New Record");
    case ToolIcon::CopyRecord:
        return QStringLiteral("Copy Record");
    case ToolIcon::DeleteRecord:
        return QStringLiteral("Delete Record");
    case ToolIcon::InsertRecord:
        return QStringLiteral("Insert Record");
    case ToolIcon::Sort:
        return QStringLiteral("Sort Records");
    case ToolIcon::PreviousSearch:
        return QStringLiteral("Previous Record on Search List");
    case ToolIcon::NextSearch:
        return QStringLiteral("Next Record on Search List");
    }
    return {};
}

} // namespace

QToolButton *SharedToolbar::addCustom(ToolIcon icon, const QString &objectName, const QString &hint)
{
    auto *btn = new QToolButton(this);
    btn->setObjectName(objectName);
    btn->setToolTip(hint);
    // The buttons show only pictures: a screen reader reads this name (never the tooltip).
    btn->setAccessibleName(hint.trimmed().isEmpty() ? spokenName(icon) : hint.trimmed());
    btn->setIcon(toolIcon(icon));
    btn->setAutoRaise(true);
    btn->setFocusPolicy(Qt::NoFocus);
    addWidget(btn);
    return btn;
}

QToolButton *SharedToolbar::add(Action action, const QString &objectName, const QString &hint)
{
    QToolButton *btn = addCustom(iconFor(action), objectName, hint);
    // The same short name in every window; the window's own hint is read as the description.
    btn->setAccessibleName(spokenName(iconFor(action)));
    switch (action) {
    case Action::Search:
    case Action::Album:
    case Action::Graph:
    case Action::Spreadsheet:
    case Action::Record:
        // A window this build does not have keeps a disabled button rather than a dead one.
        btn->setEnabled(m_registry.isAvailable(kindFor(action)));
        m_windowButtons.emplace_back(btn, action);
        break;
    case Action::QuickSave:
        btn->setEnabled(m_registry.quickSaveEnabled());
        break;
    default:
        break;
    }
    connect(btn, &QToolButton::clicked, this, [this, action] { trigger(action); });
    return btn;
}

void SharedToolbar::refreshAvailability()
{
    for (auto &[btn, action] : m_windowButtons)
        btn->setEnabled(m_registry.isAvailable(kindFor(action)));
}

void SharedToolbar::setHelpContext(int context)
{
    auto *key = new QShortcut(QKeySequence::HelpContents, m_owner);
    key->setObjectName(QStringLiteral("HelpKey"));
    key->setContext(Qt::WindowShortcut);
    connect(key, &QShortcut::activated, this, [this, context] { m_registry.showHelpContext(context); });
}

void SharedToolbar::trigger(Action action)
{
    switch (action) {
    case Action::Search:
        m_registry.showWindow(WindowKind::Search);
        break;
    case Action::Spreadsheet:
        m_registry.showWindow(WindowKind::Spreadsheet);
        break;
    case Action::Record:
        m_registry.showWindow(WindowKind::Record);
        break;
    case Action::Album:
        m_registry.openWindow(WindowKind::Album);
        break;
    case Action::Graph:
        m_registry.openWindowAllRecords(WindowKind::Graph);
        break;
    case Action::Report: {
        if (m_beforeReport)
            m_beforeReport();
        QMenu *menu = m_reportMenu ? m_reportMenu : m_registry.reportMenu();
        menu->popup(QCursor::pos());
        break;
    }
    case Action::QuickSave:
        if (m_quickSave)
            m_quickSave();
        else
            m_registry.quickSave(m_owner);
        break;
    case Action::Help:
        if (m_helpTopic.isEmpty())
            m_registry.showHelpContents();
        else
            m_registry.showHelpTopic(m_helpTopic);
        break;
    case Action::Close:
        if (m_close)
            m_close();
        else
            m_owner->close();
        break;
    case Action::Print:
        if (m_print)
            m_print();
        break;
    }
}
