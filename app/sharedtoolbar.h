// The family of toolbar buttons every window carries: go to another window, report menu, quick
// save, help, close, print. Each window adds the buttons its row has, with its own names and hints.
#pragma once

#include <functional>

#include <QToolBar>

#include "app/icons.h"
#include "app/windowregistry.h"

class QMenu;
class QToolButton;

class SharedToolbar : public QToolBar
{
    Q_OBJECT
public:
    enum class Action { Search, Album, Graph, Spreadsheet, Record, Report, QuickSave, Help, Close, Print };

    SharedToolbar(QWidget *owner, WindowRegistry &registry);

    // Adds the button of an action with the window's objectName and hint.
    QToolButton *add(Action action, const QString &objectName, const QString &hint);
    // A window-specific button (record commands and the like).
    QToolButton *addCustom(ToolIcon icon, const QString &objectName, const QString &hint);

    // Help: a topic title, or the contents when empty; and the help key's context number.
    void setHelpTopic(const QString &title) { m_helpTopic = title; }
    void setHelpContext(int context);
    // Own report menu (HTML report window, report designer); the record window's by default.
    void setReportMenu(QMenu *menu) { m_reportMenu = menu; }
    // Runs before the report menu pops up (the spreadsheet sets the record scope).
    void setBeforeReport(std::function<void()> f) { m_beforeReport = std::move(f); }
    // Overrides for the record window (Save, Close of the program) and the print action.
    void setQuickSaveHandler(std::function<void()> f) { m_quickSave = std::move(f); }
    void setCloseHandler(std::function<void()> f) { m_close = std::move(f); }
    void setPrintHandler(std::function<void()> f) { m_print = std::move(f); }

    // Window buttons follow which windows exist; called on every activation of the owner.
    void refreshAvailability();

    // The actions themselves, for menus and tests.
    void trigger(Action action);

private:
    QWidget *m_owner;
    WindowRegistry &m_registry;
    QString m_helpTopic;
    QMenu *m_reportMenu = nullptr;
    std::function<void()> m_beforeReport;
    std::function<void()> m_quickSave;
    std::function<void()> m_close;
    std::function<void()> m_print;
    std::vector<std::pair<QToolButton *, Action>> m_windowButtons;
};
