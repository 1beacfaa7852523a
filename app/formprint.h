// The quick printouts: a window's image on one page, and lines of plain text.
#pragma once

#include <QImage>
#include <QSize>
#include <QStringList>

class Printer;
class QWidget;

// The size to draw a window of outer size `window` on a printable area `page`: a portrait page
// (width < height) is filled across its width, any other page down its height, keeping the
// window's proportions and rounding to whole pixels. Should that overrun the page's other side
// (a tall window on a portrait page, a very wide one on a landscape page), the image is shrunk to
// fit the page instead, so nothing of the window is cut off. Empty when either size is empty.
QSize formPrintSize(QSize window, QSize page);

// The window as the screen shows it, frame included, as 8 bits per pixel with a 256-entry
// colour table.
QImage captureWindowImage(QWidget *window);

// Prints the window's image stretched to formPrintSize() at the printable area's top-left, on
// one page. Shows nothing; false when the job could not be started or the window is empty.
bool FormPrint(QWidget *window, Printer &printer);

// A plain-text job of the given lines (the Detail page's Keywords, History and Notes).
bool printDetailLines(const QStringList &lines, Printer &printer);
