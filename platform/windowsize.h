// The size keys of the settings hold a window's outer size, frame included, so that a window
// reopens at the size it had under a window manager.
#pragma once

#include <QSize>
#include <QString>

class QWidget;
class SettingsStore;

namespace WindowSize {

// Sizes the window from the two keys (defaults when absent). The frame is known only once the
// window is on screen, so the inner size is corrected then, once.
void restore(QWidget *window, SettingsStore &settings, const QString &widthKey,
    const QString &heightKey, QSize defaults);
// Sizes the window so that its outer size becomes outer.
void resizeOuter(QWidget *window, QSize outer);
// Writes the window's outer size under the two keys.
void save(const QWidget *window, SettingsStore &settings, const QString &widthKey,
    const QString &heightKey);
QSize outerSize(const QWidget *window);

} // namespace WindowSize
