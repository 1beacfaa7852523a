// Orders window activation as the program needs it: the old window's FormDeactivate runs before
// the new window's FormActivate, exactly once each, whatever order the platform sends events in.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/dialogs.h"

class ActivationClient
{
public:
    virtual ~ActivationClient() = default;
    virtual void FormActivate() = 0;
    virtual void FormDeactivate() = 0;
};

class ActivationCoordinator : public QObject, public ModalObserver
{
    Q_OBJECT
public:
    explicit ActivationCoordinator(QObject *parent = nullptr);
    ~ActivationCoordinator() override;

    // With applicationSwitch, the window is also deactivated when the user switches to another
    // program and activated again on the way back (other windows keep their state then).
    void registerWindow(QWidget *window, ActivationClient *client, bool applicationSwitch = false);
    void unregisterWindow(QWidget *window);

    // Makes window the active one: deactivates the previous window first, then activates this.
    // Also raises and activates the real window, so tests and the toolbar use the same path.
    void activate(QWidget *window);
    QWidget *activeWindow() const { return m_active; }

    // A modal dialog takes activation from the active window and gives it back when it closes.
    void modalStarted() override;
    void modalFinished() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry
    {
        QPointer<QWidget> window;
        ActivationClient *client;
        bool applicationSwitch = false;
    };
    const Entry *entryOf(QWidget *w) const;
    ActivationClient *clientOf(QWidget *w) const;
    void switchTo(QWidget *window);

    std::vector<Entry> m_entries;
    QPointer<QWidget> m_active;
    std::vector<QPointer<QWidget>> m_modalStack; // window active when each open dialog started
    int m_dispatching = 0; // inside a FormActivate/FormDeactivate call
    int m_modalDepth = 0;
};
