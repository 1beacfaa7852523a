// Activation coordinator: one place that turns platform activation into FormDeactivate/FormActivate.
#include "app/activation.h"

#include <QApplication>
#include <QEvent>

ActivationCoordinator::ActivationCoordinator(QObject *parent)
    : QObject(parent)
{
    if (qApp)
        qApp->installEventFilter(this);
}

ActivationCoordinator::~ActivationCoordinator()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void ActivationCoordinator::registerWindow(
    QWidget *window, ActivationClient *client, bool applicationSwitch)
{
    m_entries.push_back({ window, client, applicationSwitch });
}

void ActivationCoordinator::unregisterWindow(QWidget *window)
{
    std::erase_if(m_entries, [&](const Entry &e) { return e.window == window || !e.window; });
    if (m_active == window)
        m_active = nullptr;
}

const ActivationCoordinator::Entry *ActivationCoordinator::entryOf(QWidget *w) const
{
    for (const Entry &e : m_entries)
        if (e.window && e.window == w)
            return &e;
    return nullptr;
}

ActivationClient *ActivationCoordinator::clientOf(QWidget *w) const
{
    const Entry *e = entryOf(w);
    return e ? e->client : nullptr;
}

void ActivationCoordinator::switchTo(QWidget *window)
{
    if (window == m_active)
        return;
    QPointer<QWidget> old = m_active;
    m_active = window;
    ++m_dispatching;
    if (old)
        if (ActivationClient *c = clientOf(old))
            c->FormDeactivate();
    if (window && m_active == window)
        if (ActivationClient *c = clientOf(window))
            c->FormActivate();
    --m_dispatching;
}

void ActivationCoordinator::activate(QWidget *window)
{
    if (window) {
        if (!window->isVisible())
            window->show();
        window->raise();
        window->activateWindow();
    }
    if (m_modalDepth == 0)
        switchTo(window);
}

void ActivationCoordinator::modalStarted()
{
    ++m_modalDepth;
    // A dialog opened from inside an activation handler does not re-enter the handlers.
    if (m_dispatching > 0) {
        m_modalStack.push_back(nullptr);
        return;
    }
    m_modalStack.push_back(m_active);
    switchTo(nullptr);
}

void ActivationCoordinator::modalFinished()
{
    --m_modalDepth;
    QPointer<QWidget> back = m_modalStack.empty() ? nullptr : m_modalStack.back();
    if (!m_modalStack.empty())
        m_modalStack.pop_back();
    if (back && m_modalDepth == 0)
        switchTo(back);
}

bool ActivationCoordinator::eventFilter(QObject *watched, QEvent *event)
{
    // Another program took the focus (no window of ours is active any more): a window that asks
    // for it is deactivated now, and activated again when the user comes back to it.
    if (event->type() == QEvent::WindowDeactivate && m_modalDepth == 0 && m_dispatching == 0
        && watched == m_active && !QApplication::activeWindow()) {
        const Entry *e = entryOf(static_cast<QWidget *>(watched));
        if (e && e->applicationSwitch)
            switchTo(nullptr);
    }
    if (event->type() == QEvent::WindowActivate && m_modalDepth == 0 && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        // A late platform event is stale when it names a window already hidden, or another
        // window while a modal dialog is up.
        QWidget *modal = QApplication::activeModalWidget();
        if (w->isWindow() && w->isVisible() && clientOf(w) && (!modal || modal == w))
            switchTo(w);
    }
    return QObject::eventFilter(watched, event);
}
