// Print jobs over QPrinter: the default system printer and PDF files.
#include "platform/printer.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

QFont Printer::textFont() const
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(10);
    return font;
}

bool printTextLines(Printer &printer, const QString &jobName, const QStringList &lines)
{
    if (!printer.begin(jobName))
        return false;
    QPainter *p = printer.painter();
    p->setFont(printer.textFont());
    const QFontMetrics metrics(p->font(), p->device());
    const int lineHeight = qMax(1, metrics.lineSpacing());
    const QSize page = printer.pageSize();
    // Lines are cut off at the page's right edge, never wrapped.
    p->setClipRect(QRect(QPoint(0, 0), page));
    const int unbounded = 1 << 24;
    int y = 0;
    for (const QString &line : lines) {
        if (y > 0 && y + lineHeight > page.height()) {
            printer.newPage();
            p->setClipRect(QRect(QPoint(0, 0), page));
            y = 0;
        }
        if (!line.isEmpty())
            p->drawText(QRect(0, y, unbounded, lineHeight),
                Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs, line);
        y += lineHeight;
    }
    return printer.end();
}

QPrinterAdapter::QPrinterAdapter()
    : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{ }

QPrinterAdapter::~QPrinterAdapter()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

void QPrinterAdapter::setOrientation(QPageLayout::Orientation orientation)
{
    m_printer->setPageOrientation(orientation);
}

QSize QPrinterAdapter::pageSize() const
{
    return QSize(m_printer->width(), m_printer->height());
}

int QPrinterAdapter::resolution() const
{
    return m_printer->resolution();
}

QPageLayout::Orientation QPrinterAdapter::orientation() const
{
    return m_printer->pageLayout().orientation();
}

QPageLayout QPrinterAdapter::pageLayout() const
{
    return m_printer->pageLayout();
}

bool QPrinterAdapter::begin(const QString &jobName)
{
    if (m_painter && m_painter->isActive())
        return false;
    m_printer->setDocName(jobName);
    if (!prepare())
        return false;
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get()))
        return false;
    m_painter = std::move(painter);
    return true;
}

bool QPrinterAdapter::newPage()
{
    return m_painter && m_painter->isActive() && m_printer->newPage();
}

bool QPrinterAdapter::end()
{
    if (!m_painter || !m_painter->isActive())
        return false;
    const bool ok = m_painter->end();
    m_painter.reset();
    return ok;
}

QPainter *QPrinterAdapter::painter()
{
    return m_painter && m_painter->isActive() ? m_painter.get() : nullptr;
}

QtPrinter::QtPrinter() = default;

bool QtPrinter::prepare()
{
    // The default printer is looked up for every job, so a printer installed or chosen as
    // default while the program runs is used from then on.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        qprinter().setOutputFormat(QPrinter::NativeFormat);
        qprinter().setPrinterName(info.printerName());
        return true;
    }
    // Without an installed printer the job would silently go nowhere; the dialog lets the user
    // print to a file instead, or cancel.
    QWidget *parent = dialogParent ? dialogParent() : QApplication::activeModalWidget();
    QPrintDialog dialog(&qprinter(), parent ? parent : QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

PdfPrinter::PdfPrinter(const QString &fileName, QPageLayout::Orientation orientation,
    int resolution, const QPageSize &pageSize, const QMarginsF &marginsMillimetres)
{
    QPrinter &p = qprinter();
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(fileName);
    p.setResolution(resolution);
    p.setPageLayout(
        QPageLayout(pageSize, orientation, marginsMillimetres, QPageLayout::Millimeter));
}
