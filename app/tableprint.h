// Printing a table of texts (the spreadsheet grid, the HTML report table): its print settings,
// the page layout and the settings dialog with a preview.
#pragma once

#include <functional>

#include <QDateTime>
#include <QDialog>
#include <QFont>
#include <QPageLayout>
#include <QPointer>
#include <QStringList>
#include <QVector>

class QCheckBox;
class QDoubleSpinBox;
class QFontComboBox;
class QLineEdit;
class QPainter;
class QPrinter;
class QPrintPreviewWidget;
class QRadioButton;
class QSpinBox;
class Printer;

struct TablePrintSettings
{
    // Borders.
    bool outerBorder = false;
    bool gridLines = false;
    // General.
    bool shrinkToFit = true;
    bool columnHeadings = true;
    bool repeatHeadings = true; // on every page, not only the first
    // Fonts (point sizes before any shrinking).
    QFont cellFont = defaultFont(8, false);
    QFont headingFont = defaultFont(8, true);
    QFont titleFont = defaultFont(12, true);
    // Date and time (the date as dd/mm/yyyy).
    bool printDate = false;
    bool printTime = false;
    // Title, page header and footer.
    bool printTitle = false;
    QString title;
    bool printHeader = false;
    QString header;
    bool printFooter = false;
    QString footer;
    // Pages: numbers as "page/pages"; a range of pages, lastPage 0 meaning the last.
    bool pageNumbers = false;
    int firstPage = 1;
    int lastPage = 0;
    // Margins and spacing in millimetres, inside the printer's printable area.
    double marginLeft = 10, marginTop = 10, marginRight = 10, marginBottom = 10;
    double cellPadding = 1.0;
    double rowSpacing = 0.0;
    QPageLayout::Orientation orientation = QPageLayout::Landscape;

    static QFont defaultFont(int points, bool bold);
};

// What is printed: column headings, widths and the cells, columns in the order shown.
struct TablePrintGrid
{
    QStringList headings; // per visual column
    QVector<int> widths; // screen pixels per visual column
    int rows = 0;
    std::function<QString(int row, int column)> cell; // column is visual
};

// A page surface: a painter on a device, the printable area in device pixels, its resolution.
struct TablePageTarget
{
    QPainter *painter = nullptr;
    QSize page;
    int resolution = 300;
    std::function<bool()> newPage;
};

// Lays the grid out on pages and draws them. A page in the other orientation than the settings
// ask for is drawn on turned by a quarter. maxPages > 0 stops after that many pages (the
// preview). Returns the number of pages drawn.
int paintTable(const TablePrintGrid &grid, const TablePrintSettings &settings,
    TablePageTarget &target, const QDateTime &now, int maxPages = 0);

// Prints through the printer adapter; false when no job could be started.
bool printTable(const TablePrintGrid &grid, const TablePrintSettings &settings, Printer &printer,
    const QDateTime &now, const QString &jobName);

// The table's print-settings dialog with a live preview.
class TablePrintDialog : public QDialog
{
    Q_OBJECT
public:
    TablePrintDialog(std::function<TablePrintGrid()> grid, QWidget *parent = nullptr);
    ~TablePrintDialog() override;

    void setSettings(const TablePrintSettings &settings);
    TablePrintSettings settings() const;
    QPrintPreviewWidget *preview() const { return m_preview; }
    int previewPageCount() const;

    void setNow(std::function<QDateTime()> now) { m_now = std::move(now); }

public Q_SLOTS:
    void updatePreview();

Q_SIGNALS:
    // "Print" pressed in the dialog: print with the settings shown.
    void printRequested();

private:
    void paintPreview(QPrinter *printer);

    std::function<TablePrintGrid()> m_grid;
    std::function<QDateTime()> m_now;
    QPrinter *m_previewPrinter = nullptr;
    QPrintPreviewWidget *m_preview = nullptr;
    bool m_loading = false;

    QCheckBox *m_outerBorder, *m_gridLines, *m_shrink, *m_headings, *m_repeat;
    QFontComboBox *m_cellFont, *m_headingFont, *m_titleFont;
    QSpinBox *m_cellSize, *m_headingSize, *m_titleSize;
    QCheckBox *m_date, *m_time, *m_printTitle, *m_printHeader, *m_printFooter, *m_pageNumbers;
    QLineEdit *m_title, *m_header, *m_footer;
    QSpinBox *m_firstPage, *m_lastPage;
    QDoubleSpinBox *m_left, *m_top, *m_right, *m_bottom, *m_padding, *m_spacing;
    QRadioButton *m_portrait, *m_landscape;
};

// A window's table printing: its print settings, kept while the window lives, and its settings
// dialog, made on first use.
class TablePrinting : public QObject
{
    Q_OBJECT
public:
    TablePrinting(QWidget *owner, Printer &printer, QString jobName, QString dialogName,
        std::function<TablePrintGrid()> grid, std::function<QDateTime()> now);

    // Opens the settings dialog; OK keeps what it shows, its Print button also prints with it.
    void showSettings();
    // Prints the table with the kept settings; false when no job could be started.
    bool print();

    TablePrintDialog *dialog() const { return m_dialog; }
    const TablePrintSettings &settings() const { return m_settings; }
    void setSettings(const TablePrintSettings &s) { m_settings = s; }

private:
    QWidget *m_owner;
    Printer &m_printer;
    QString m_jobName;
    QString m_dialogName;
    std::function<TablePrintGrid()> m_grid;
    std::function<QDateTime()> m_now;
    QPointer<TablePrintDialog> m_dialog;
    TablePrintSettings m_settings;
};
