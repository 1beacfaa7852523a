// The quick printouts: window images and plain-text detail lines.
#include "app/formprint.h"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QList>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "platform/printer.h"

QSize formPrintSize(QSize window, QSize page)
{
    if (window.isEmpty() || page.isEmpty())
        return {};
    const double w = window.width();
    const double h = window.height();
    QSize size;
    if (page.width() < page.height())
        size = QSize(page.width(), int(std::lround(page.width() / w * h)));
    else
        size = QSize(int(std::lround(page.height() / h * w)), page.height());
    if (size.width() > page.width())
        size = QSize(page.width(), int(std::lround(page.width() / w * h)));
    if (size.height() > page.height())
        size = QSize(int(std::lround(page.height() / h * w)), page.height());
    return size.expandedTo(QSize(1, 1));
}

namespace {

// The screen's pixels under the window's outer bounds, so anything lying over the window is
// printed too. Null where the platform cannot read the screen (Wayland, the headless platforms,
// or a window that is not wholly on its screen).
QImage grabScreenArea(QWidget *top)
{
    // The headless platforms have no screen to read: what they return for a window's frame is
    // whatever their buffers happen to hold.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return {};
    if (!top->isVisible() || top->isMinimized())
        return {};
    QScreen *screen = top->screen();
    if (!screen)
        return {};
    const QRect frame = top->frameGeometry();
    if (!screen->geometry().contains(frame))
        return {};
    const QPoint at = frame.topLeft() - screen->geometry().topLeft();
    const QPixmap shot = screen->grabWindow(0, at.x(), at.y(), frame.width(), frame.height());
    if (shot.isNull() || shot.deviceIndependentSize().toSize() != frame.size())
        return {};
    return shot.toImage();
}

} // namespace

QImage captureWindowImage(QWidget *window)
{
    if (!window)
        return {};
    QWidget *top = window->window();
    QImage image = grabScreenArea(top);
    // Where the screen cannot be read, the window draws itself (without the frame, which the
    // window system draws).
    if (image.isNull())
        image = top->grab().toImage();
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_RGB32);
    // Qt keeps a window of up to 256 colours exact; with more (photos on the album, gradients)
    // its table spans the whole colour range and error diffusion keeps each area's colour on
    // average. A table of the most frequent colours would be the interface's greys alone.
    QImage indexed = image.convertToFormat(
        QImage::Format_Indexed8, Qt::ColorOnly | Qt::DiffuseDither);
    // The table always has 256 entries, the unused ones black.
    QList<QRgb> table = indexed.colorTable();
    while (table.size() < 256)
        table.append(qRgb(0, 0, 0));
    indexed.setColorTable(table);
    return indexed;
}

bool FormPrint(QWidget *window, Printer &printer)
{
    const QImage image = captureWindowImage(window);
    if (image.isNull())
        return false;
    // The page is known only once the job has started: the printer may change with it.
    if (!printer.begin(window->window()->windowTitle()))
        return false;
    const QSize size = formPrintSize(image.deviceIndependentSize().toSize(), printer.pageSize());
    QPainter *p = printer.painter();
    p->setRenderHint(QPainter::SmoothPixmapTransform);
    if (!size.isEmpty())
        p->drawImage(QRect(QPoint(0, 0), size), image);
    return printer.end() && !size.isEmpty();
}

bool printDetailLines(const QStringList &lines, Printer &printer)
{
    return printTextLines(printer, QStringLiteral("Detail Information"), lines);
}
