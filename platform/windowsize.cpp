// Window sizes with their frame.
#include "platform/windowsize.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "platform/settingsstore.h"

namespace WindowSize {

namespace {

// Waits for the first event after which the window manager's frame is known, then takes it off
// the stored outer size.
class FrameCorrection : public QObject
{
public:
    FrameCorrection(QWidget *window, QSize outer)
        : QObject(window)
        , m_window(window)
        , m_outer(outer)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window || m_done)
            return false;
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            break;
        default:
            return false;
        }
        const QWindow *handle = m_window->windowHandle();
        const QMargins frame = handle ? handle->frameMargins() : QMargins();
        if (frame.isNull())
            return false;
        m_done = true;
        m_window->removeEventFilter(this);
        m_window->resize(m_outer.width() - frame.left() - frame.right(),
            m_outer.height() - frame.top() - frame.bottom());
        deleteLater();
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QSize m_outer;
    bool m_done = false;
};

} // namespace

void restore(QWidget *window, SettingsStore &settings, const QString &widthKey,
    const QString &heightKey, QSize defaults)
{
    resizeOuter(window,
        QSize(settings.readInteger(widthKey, defaults.width()),
            settings.readInteger(heightKey, defaults.height())));
}

void resizeOuter(QWidget *window, QSize outer)
{
    const QWindow *handle = window->windowHandle();
    const QMargins frame = handle && window->isVisible() ? handle->frameMargins() : QMargins();
    window->resize(outer.width() - frame.left() - frame.right(),
        outer.height() - frame.top() - frame.bottom());
    if (frame.isNull())
        new FrameCorrection(window, outer);
}

QSize outerSize(const QWidget *window)
{
    return window->frameGeometry().size();
}

void save(const QWidget *window, SettingsStore &settings, const QString &widthKey,
    const QString &heightKey)
{
    const QSize outer = outerSize(window);
    settings.writeInteger(widthKey, outer.width());
    settings.writeInteger(heightKey, outer.height());
}

} // namespace WindowSize
