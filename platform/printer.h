// The printer adapter: print jobs on the system's default printer or into a PDF file.
#pragma once

#include <functional>
#include <memory>

#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QSize>
#include <QString>
#include <QStringList>

class QPainter;
class QPrinter;
class QWidget;

class Printer
{
public:
    virtual ~Printer() = default;

    // The printable area in device pixels; during a job the painter's origin is its top-left.
    virtual QSize pageSize() const = 0;
    int pageWidth() const { return pageSize().width(); }
    int pageHeight() const { return pageSize().height(); }
    // Device pixels per inch.
    virtual int resolution() const = 0;
    virtual QPageLayout::Orientation orientation() const = 0;
    // Turns the page; the printable area and resolution are then read again.
    virtual void setOrientation(QPageLayout::Orientation) { }

    // A job: begin, draw with painter(), newPage() between pages, end. begin() is false when no
    // job could be started; painter() is null outside a job.
    virtual bool begin(const QString &jobName) = 0;
    virtual bool newPage() = 0;
    virtual bool end() = 0;
    virtual QPainter *painter() = 0;

    // The font of plain-text jobs: a fixed-pitch 10-point font, as printers use for plain text.
    virtual QFont textFont() const;
};

// A plain-text job: one printed line per line in the printer's text font, no heading, no
// wrapping (text past the right edge is cut off), a new page when a page is full. An empty list
// still makes a (blank) job. False when the job could not be started.
bool printTextLines(Printer &printer, const QString &jobName, const QStringList &lines);

// Shared by the printers that drive a QPrinter.
class QPrinterAdapter : public Printer
{
public:
    ~QPrinterAdapter() override;
    QSize pageSize() const override;
    int resolution() const override;
    QPageLayout::Orientation orientation() const override;
    void setOrientation(QPageLayout::Orientation orientation) override;
    bool begin(const QString &jobName) override;
    bool newPage() override;
    bool end() override;
    QPainter *painter() override;

    QPageLayout pageLayout() const;

protected:
    QPrinterAdapter();
    // Called by begin() before the painter opens; false cancels the job.
    virtual bool prepare() { return true; }
    QPrinter &qprinter() { return *m_printer; }

private:
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
};

// The system's default printer, printed to directly as the quick printouts want. When no printer
// is installed, a print dialog is offered instead (it can print to a PDF file); cancelling it
// starts no job.
class QtPrinter : public QPrinterAdapter
{
public:
    QtPrinter();
    // The window the print dialog opens over (the dialogs' asking window).
    std::function<QWidget *()> dialogParent;

protected:
    bool prepare() override;
};

// Prints into a PDF file with a fixed page, orientation and resolution ("print to file").
class PdfPrinter : public QPrinterAdapter
{
public:
    explicit PdfPrinter(const QString &fileName,
        QPageLayout::Orientation orientation = QPageLayout::Portrait, int resolution = 300,
        const QPageSize &pageSize = QPageSize(QPageSize::A4),
        const QMarginsF &marginsMillimetres = QMarginsF(10, 10, 10, 10));
};
