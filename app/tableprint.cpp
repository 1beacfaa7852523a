// Printing a table: page layout over any painter, the printer job and the settings dialog.
#include "app/tableprint.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/printer.h"

QFont TablePrintSettings::defaultFont(int points, bool bold)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

namespace {

struct Band
{
    int first;
    int last; // inclusive, visual columns
};

struct RowRange
{
    int first;
    int count;
    bool headings;
};

// The lines above and below the table on every page.
struct PageFurniture
{
    QStringList top;
    QList<QFont> topFonts;
    QStringList bottom;
};

} // namespace

int paintTable(const TablePrintGrid &grid, const TablePrintSettings &s, TablePageTarget &target,
    const QDateTime &now, int maxPages)
{
    QPainter *p = target.painter;
    if (!p || target.page.isEmpty())
        return 0;
    QPaintDevice *dev = p->device();
    const QSize page = target.page;
    const bool pageLandscape = page.width() > page.height();
    const bool turn = page.width() != page.height()
        && pageLandscape != (s.orientation == QPageLayout::Landscape);
    const QSizeF area = turn ? QSizeF(page.height(), page.width()) : QSizeF(page);
    const double mm = target.resolution / 25.4;
    const double screenPx = target.resolution / 96.0;

    QRectF content(s.marginLeft * mm, s.marginTop * mm,
        area.width() - (s.marginLeft + s.marginRight) * mm,
        area.height() - (s.marginTop + s.marginBottom) * mm);
    if (content.width() < area.width() / 4 || content.height() < area.height() / 4)
        content = QRectF(QPointF(0, 0), area); // margins that leave no room are ignored

    PageFurniture furniture;
    if (s.printTitle && !s.title.isEmpty()) {
        furniture.top << s.title;
        furniture.topFonts << s.titleFont;
    }
    if (s.printHeader && !s.header.isEmpty()) {
        furniture.top << s.header;
        furniture.topFonts << s.cellFont;
    }
    QStringList stamp;
    if (s.printDate)
        stamp << now.date().toString(QStringLiteral("dd/MM/yyyy"));
    if (s.printTime)
        stamp << now.time().toString(QStringLiteral("HH:mm"));
    if (!stamp.isEmpty()) {
        furniture.top << stamp.join(QLatin1Char(' '));
        furniture.topFonts << s.cellFont;
    }
    if (s.printFooter && !s.footer.isEmpty())
        furniture.bottom << s.footer;
    const double lineH = QFontMetricsF(s.cellFont, dev).height();
    double topH = 0;
    for (const QFont &f : std::as_const(furniture.topFonts))
        topH += QFontMetricsF(f, dev).height();
    const int bottomLines = int(furniture.bottom.size()) + (s.pageNumbers ? 1 : 0);
    const double gap = 2 * mm;
    const double bottomH = bottomLines * lineH;
    QRectF table
        = content.adjusted(0, topH > 0 ? topH + gap : 0, 0, bottomH > 0 ? -(bottomH + gap) : 0);
    if (table.height() < content.height() / 4)
        table = content;

    const double padding = std::max(0.0, s.cellPadding) * mm;
    const double cellH
        = QFontMetricsF(s.cellFont, dev).height() + 2 * padding + std::max(0.0, s.rowSpacing) * mm;
    const double headH = QFontMetricsF(s.headingFont, dev).height() + 2 * padding;
    const int columns = int(grid.headings.size());
    QVector<double> widths(columns);
    double totalW = 0;
    for (int c = 0; c < columns; ++c) {
        widths[c] = std::max(1.0, (c < grid.widths.size() ? grid.widths[c] : 64) * screenPx);
        totalW += widths[c];
    }

    double scale = 1.0;
    QList<Band> bands;
    if (s.shrinkToFit || columns == 0) {
        if (totalW > table.width())
            scale = table.width() / totalW;
        bands << Band { 0, columns - 1 };
    } else {
        // Columns that do not fit go on further pages across, a column never split.
        int first = 0;
        double w = 0;
        for (int c = 0; c < columns; ++c) {
            if (c > first && w + widths[c] > table.width()) {
                bands << Band { first, c - 1 };
                first = c;
                w = 0;
            }
            w += widths[c];
        }
        bands << Band { first, columns - 1 };
    }
    const double availH = table.height() / scale;

    QList<RowRange> ranges;
    int row = 0;
    do {
        const bool headings = s.columnHeadings && (s.repeatHeadings || ranges.isEmpty());
        const double free = availH - (headings ? headH : 0);
        const int n = std::max(1, int(std::floor(free / cellH)));
        const int count = std::min(n, grid.rows - row);
        ranges << RowRange { row, count, headings };
        row += count;
    } while (row < grid.rows);

    const int total = int(ranges.size() * bands.size());
    const int firstPage = std::clamp(s.firstPage, 1, total);
    const int lastPage = s.lastPage <= 0 ? total : std::clamp(s.lastPage, firstPage, total);
    const QPen linePen(Qt::black, std::max(1.0, target.resolution / 150.0));

    int printed = 0;
    int number = 0;
    for (const RowRange &range : std::as_const(ranges)) {
        for (const Band &band : std::as_const(bands)) {
            ++number;
            if (number < firstPage || number > lastPage)
                continue;
            if (maxPages > 0 && printed >= maxPages)
                return printed;
            if (printed > 0 && target.newPage && !target.newPage())
                return printed;
            ++printed;

            p->save();
            if (turn) {
                p->translate(0, page.height());
                p->rotate(-90);
            }
            p->setPen(Qt::black);
            double y = content.top();
            for (int i = 0; i < furniture.top.size(); ++i) {
                p->setFont(furniture.topFonts[i]);
                const double h = QFontMetricsF(furniture.topFonts[i], dev).height();
                p->drawText(QRectF(content.left(), y, content.width(), h),
                    Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, furniture.top[i]);
                y += h;
            }
            p->setFont(s.cellFont);
            double by = content.bottom() - bottomH;
            for (const QString &line : std::as_const(furniture.bottom)) {
                p->drawText(QRectF(content.left(), by, content.width(), lineH),
                    Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, line);
                by += lineH;
            }
            if (s.pageNumbers)
                p->drawText(QRectF(content.left(), by, content.width(), lineH),
                    Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
                    QString::number(number) + QLatin1Char('/') + QString::number(total));

            p->translate(table.topLeft());
            p->scale(scale, scale);
            double bandW = 0;
            for (int c = band.first; c <= band.last; ++c)
                bandW += widths[c];
            double ty = 0;
            auto drawRow = [&](double h, const QFont &font, auto textOf) {
                p->setFont(font);
                double x = 0;
                for (int c = band.first; c <= band.last; ++c) {
                    const QRectF cell(x, ty, widths[c], h);
                    const QString text = textOf(c);
                    if (!text.isEmpty())
                        p->drawText(cell.adjusted(padding, padding, -padding, -padding),
                            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
                    x += widths[c];
                }
                ty += h;
                if (s.gridLines) {
                    p->setPen(linePen);
                    p->drawLine(QPointF(0, ty), QPointF(bandW, ty));
                    p->setPen(Qt::black);
                }
            };
            if (range.headings && columns > 0)
                drawRow(headH, s.headingFont, [&](int c) { return grid.headings[c]; });
            for (int r = range.first; r < range.first + range.count; ++r)
                drawRow(cellH, s.cellFont,
                    [&](int c) { return grid.cell ? grid.cell(r, c) : QString(); });
            p->setPen(linePen);
            if (s.gridLines) {
                double x = 0;
                for (int c = band.first; c < band.last; ++c) {
                    x += widths[c];
                    p->drawLine(QPointF(x, 0), QPointF(x, ty));
                }
            }
            if (s.outerBorder && columns > 0)
                p->drawRect(QRectF(0, 0, bandW, ty));
            p->restore();
        }
    }
    return printed;
}

bool printTable(const TablePrintGrid &grid, const TablePrintSettings &settings, Printer &printer,
    const QDateTime &now, const QString &jobName)
{
    if (!printer.begin(jobName))
        return false;
    TablePageTarget target;
    target.painter = printer.painter();
    target.page = printer.pageSize();
    target.resolution = printer.resolution();
    target.newPage = [&printer] { return printer.newPage(); };
    paintTable(grid, settings, target, now, 0);
    return printer.end();
}

namespace {

constexpr int PreviewPageLimit = 20;

QDoubleSpinBox *millimetres(QWidget *parent, double max)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setRange(0, max);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" mm"));
    return box;
}

QSpinBox *points(QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setRange(4, 72);
    box->setSuffix(QStringLiteral(" pt"));
    return box;
}

} // namespace

TablePrintDialog::TablePrintDialog(std::function<TablePrintGrid()> grid, QWidget *parent)
    : QDialog(parent)
    , m_grid(std::move(grid))
    , m_now([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("TablePrintDialog"));
    setWindowTitle(QStringLiteral("Print Settings"));

    auto *sections = new QWidget;
    auto *sv = new QVBoxLayout(sections);
    auto group = [&](const QString &title, const QString &name) {
        auto *box = new QGroupBox(title, sections);
        box->setObjectName(name);
        auto *form = new QFormLayout(box);
        sv->addWidget(box);
        return form;
    };
    auto check = [&](const QString &text, const QString &name) {
        auto *c = new QCheckBox(text, sections);
        c->setObjectName(name);
        return c;
    };
    auto line = [&](const QString &name) {
        auto *e = new QLineEdit(sections);
        e->setObjectName(name);
        return e;
    };

    QFormLayout *f = group(QStringLiteral("Borders"), QStringLiteral("BordersGroup"));
    f->addRow(m_outerBorder
        = check(QStringLiteral("Border around the grid"), QStringLiteral("OuterBorder")));
    f->addRow(
        m_gridLines = check(QStringLiteral("Lines between cells"), QStringLiteral("GridLines")));

    f = group(QStringLiteral("General"), QStringLiteral("GeneralGroup"));
    f->addRow(m_shrink
        = check(QStringLiteral("Shrink to fit the page width"), QStringLiteral("ShrinkToFit")));
    f->addRow(m_headings
        = check(QStringLiteral("Print column headings"), QStringLiteral("ColumnHeadings")));
    f->addRow(m_repeat
        = check(QStringLiteral("Repeat headings on every page"), QStringLiteral("RepeatHeadings")));

    f = group(QStringLiteral("Fonts"), QStringLiteral("FontsGroup"));
    auto fontRow = [&](const QString &label, QFontComboBox *&combo, QSpinBox *&size) {
        auto *row = new QWidget(sections);
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        combo = new QFontComboBox(row);
        size = points(row);
        h->addWidget(combo, 1);
        h->addWidget(size);
        f->addRow(label, row);
    };
    fontRow(QStringLiteral("Cells"), m_cellFont, m_cellSize);
    fontRow(QStringLiteral("Headings"), m_headingFont, m_headingSize);
    fontRow(QStringLiteral("Title"), m_titleFont, m_titleSize);

    f = group(QStringLiteral("Date and Time"), QStringLiteral("DateTimeGroup"));
    f->addRow(
        m_date = check(QStringLiteral("Print the date (dd/mm/yyyy)"), QStringLiteral("PrintDate")));
    f->addRow(m_time = check(QStringLiteral("Print the time"), QStringLiteral("PrintTime")));

    f = group(QStringLiteral("Title"), QStringLiteral("TitleGroup"));
    f->addRow(m_printTitle = check(QStringLiteral("Print a title"), QStringLiteral("PrintTitle")));
    f->addRow(QStringLiteral("Title"), m_title = line(QStringLiteral("TitleText")));
    f->addRow(
        m_printHeader = check(QStringLiteral("Print a header"), QStringLiteral("PrintHeader")));
    f->addRow(QStringLiteral("Header"), m_header = line(QStringLiteral("HeaderText")));
    f->addRow(
        m_printFooter = check(QStringLiteral("Print a footer"), QStringLiteral("PrintFooter")));
    f->addRow(QStringLiteral("Footer"), m_footer = line(QStringLiteral("FooterText")));

    f = group(QStringLiteral("Pages"), QStringLiteral("PagesGroup"));
    f->addRow(m_pageNumbers
        = check(QStringLiteral("Page numbers (page/pages)"), QStringLiteral("PageNumbers")));
    m_firstPage = new QSpinBox(sections);
    m_firstPage->setObjectName(QStringLiteral("FirstPage"));
    m_firstPage->setRange(1, 99999);
    m_lastPage = new QSpinBox(sections);
    m_lastPage->setObjectName(QStringLiteral("LastPage"));
    m_lastPage->setRange(0, 99999);
    m_lastPage->setSpecialValueText(QStringLiteral("Last"));
    f->addRow(QStringLiteral("From page"), m_firstPage);
    f->addRow(QStringLiteral("To page"), m_lastPage);

    f = group(QStringLiteral("Margins"), QStringLiteral("MarginsGroup"));
    f->addRow(QStringLiteral("Left"), m_left = millimetres(sections, 100));
    f->addRow(QStringLiteral("Top"), m_top = millimetres(sections, 100));
    f->addRow(QStringLiteral("Right"), m_right = millimetres(sections, 100));
    f->addRow(QStringLiteral("Bottom"), m_bottom = millimetres(sections, 100));

    f = group(QStringLiteral("Spacing"), QStringLiteral("SpacingGroup"));
    f->addRow(QStringLiteral("Cell padding"), m_padding = millimetres(sections, 20));
    f->addRow(QStringLiteral("Space between rows"), m_spacing = millimetres(sections, 20));

    f = group(QStringLiteral("Orientation"), QStringLiteral("OrientationGroup"));
    m_portrait = new QRadioButton(QStringLiteral("Portrait"), sections);
    m_portrait->setObjectName(QStringLiteral("Portrait"));
    m_landscape = new QRadioButton(QStringLiteral("Landscape"), sections);
    m_landscape->setObjectName(QStringLiteral("Landscape"));
    f->addRow(m_portrait);
    f->addRow(m_landscape);
    sv->addStretch(1);

    auto *scroll = new QScrollArea(this);
    scroll->setWidget(sections);
    scroll->setWidgetResizable(true);
    scroll->setMinimumWidth(sections->sizeHint().width() + 24);

    m_previewPrinter = new QPrinter(QPrinter::ScreenResolution);
    m_previewPrinter->setOutputFormat(QPrinter::PdfFormat);
    m_previewPrinter->setPageSize(QPageSize(QPageSize::A4));
    m_preview = new QPrintPreviewWidget(m_previewPrinter, this);
    m_preview->setObjectName(QStringLiteral("PrintPreview"));
    m_preview->setMinimumSize(360, 300);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &TablePrintDialog::paintPreview);
    auto *limitNote = new QLabel(
        QStringLiteral("The preview shows at most %1 pages.").arg(PreviewPageLimit), this);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *print = buttons->addButton(QStringLiteral("Print"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("PrintButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(print, &QPushButton::clicked, this, &TablePrintDialog::printRequested);

    auto *right = new QVBoxLayout;
    right->addWidget(m_preview, 1);
    right->addWidget(limitNote);
    auto *h = new QHBoxLayout;
    h->addWidget(scroll);
    h->addLayout(right, 1);
    auto *root = new QVBoxLayout(this);
    root->addLayout(h, 1);
    root->addWidget(buttons);
    resize(900, 600);

    // Every change shows in the preview at once.
    const auto refresh = [this] {
        if (!m_loading)
            updatePreview();
    };
    for (QCheckBox *c : { m_outerBorder, m_gridLines, m_shrink, m_headings, m_repeat, m_date,
             m_time, m_printTitle, m_printHeader, m_printFooter, m_pageNumbers })
        connect(c, &QCheckBox::toggled, this, refresh);
    for (QLineEdit *e : { m_title, m_header, m_footer })
        connect(e, &QLineEdit::textChanged, this, refresh);
    for (QSpinBox *b : { m_cellSize, m_headingSize, m_titleSize, m_firstPage, m_lastPage })
        connect(b, &QSpinBox::valueChanged, this, refresh);
    for (QDoubleSpinBox *b : { m_left, m_top, m_right, m_bottom, m_padding, m_spacing })
        connect(b, &QDoubleSpinBox::valueChanged, this, refresh);
    for (QFontComboBox *c : { m_cellFont, m_headingFont, m_titleFont })
        connect(c, &QFontComboBox::currentFontChanged, this, refresh);
    connect(m_landscape, &QRadioButton::toggled, this, refresh);

    setSettings(TablePrintSettings());
}

TablePrintDialog::~TablePrintDialog()
{
    delete m_previewPrinter;
}

void TablePrintDialog::setSettings(const TablePrintSettings &s)
{
    m_loading = true;
    m_outerBorder->setChecked(s.outerBorder);
    m_gridLines->setChecked(s.gridLines);
    m_shrink->setChecked(s.shrinkToFit);
    m_headings->setChecked(s.columnHeadings);
    m_repeat->setChecked(s.repeatHeadings);
    m_cellFont->setCurrentFont(s.cellFont);
    m_cellSize->setValue(s.cellFont.pointSize());
    m_headingFont->setCurrentFont(s.headingFont);
    m_headingSize->setValue(s.headingFont.pointSize());
    m_titleFont->setCurrentFont(s.titleFont);
    m_titleSize->setValue(s.titleFont.pointSize());
    m_date->setChecked(s.printDate);
    m_time->setChecked(s.printTime);
    m_printTitle->setChecked(s.printTitle);
    m_title->setText(s.title);
    m_printHeader->setChecked(s.printHeader);
    m_header->setText(s.header);
    m_printFooter->setChecked(s.printFooter);
    m_footer->setText(s.footer);
    m_pageNumbers->setChecked(s.pageNumbers);
    m_firstPage->setValue(s.firstPage);
    m_lastPage->setValue(s.lastPage);
    m_left->setValue(s.marginLeft);
    m_top->setValue(s.marginTop);
    m_right->setValue(s.marginRight);
    m_bottom->setValue(s.marginBottom);
    m_padding->setValue(s.cellPadding);
    m_spacing->setValue(s.rowSpacing);
    m_landscape->setChecked(s.orientation == QPageLayout::Landscape);
    m_portrait->setChecked(s.orientation != QPageLayout::Landscape);
    m_loading = false;
    updatePreview();
}

TablePrintSettings TablePrintDialog::settings() const
{
    TablePrintSettings s;
    s.outerBorder = m_outerBorder->isChecked();
    s.gridLines = m_gridLines->isChecked();
    s.shrinkToFit = m_shrink->isChecked();
    s.columnHeadings = m_headings->isChecked();
    s.repeatHeadings = m_repeat->isChecked();
    auto font = [](QFontComboBox *combo, QSpinBox *size, bool bold) {
        QFont f = combo->currentFont();
        f.setPointSize(size->value());
        f.setBold(bold);
        return f;
    };
    s.cellFont = font(m_cellFont, m_cellSize, false);
    s.headingFont = font(m_headingFont, m_headingSize, true);
    s.titleFont = font(m_titleFont, m_titleSize, true);
    s.printDate = m_date->isChecked();
    s.printTime = m_time->isChecked();
    s.printTitle = m_printTitle->isChecked();
    s.title = m_title->text();
    s.printHeader = m_printHeader->isChecked();
    s.header = m_header->text();
    s.printFooter = m_printFooter->isChecked();
    s.footer = m_footer->text();
    s.pageNumbers = m_pageNumbers->isChecked();
    s.firstPage = m_firstPage->value();
    s.lastPage = m_lastPage->value();
    s.marginLeft = m_left->value();
    s.marginTop = m_top->value();
    s.marginRight = m_right->value();
    s.marginBottom = m_bottom->value();
    s.cellPadding = m_padding->value();
    s.rowSpacing = m_spacing->value();
    s.orientation = m_landscape->isChecked() ? QPageLayout::Landscape : QPageLayout::Portrait;
    return s;
}

void TablePrintDialog::updatePreview()
{
    m_previewPrinter->setPageOrientation(settings().orientation);
    m_preview->updatePreview();
}

int TablePrintDialog::previewPageCount() const
{
    return m_preview->pageCount();
}

void TablePrintDialog::paintPreview(QPrinter *printer)
{
    QPainter painter(printer);
    TablePageTarget target;
    target.painter = &painter;
    target.page = printer->pageLayout().paintRectPixels(printer->resolution()).size();
    target.resolution = printer->resolution();
    target.newPage = [printer] { return printer->newPage(); };
    paintTable(m_grid ? m_grid() : TablePrintGrid(), settings(), target, m_now(), PreviewPageLimit);
}

TablePrinting::TablePrinting(QWidget *owner, Printer &printer, QString jobName, QString dialogName,
    std::function<TablePrintGrid()> grid, std::function<QDateTime()> now)
    : QObject(owner)
    , m_owner(owner)
    , m_printer(printer)
    , m_jobName(std::move(jobName))
    , m_dialogName(std::move(dialogName))
    , m_grid(std::move(grid))
    , m_now(std::move(now))
{ }

void TablePrinting::showSettings()
{
    if (!m_dialog) {
        m_dialog = new TablePrintDialog(m_grid, m_owner);
        m_dialog->setObjectName(m_dialogName);
        m_dialog->setNow(m_now);
        connect(m_dialog, &QDialog::accepted, this, [this] { m_settings = m_dialog->settings(); });
        connect(m_dialog, &TablePrintDialog::printRequested, this, [this] {
            m_settings = m_dialog->settings();
            print();
        });
    }
    m_dialog->setSettings(m_settings);
    m_dialog->open();
}

bool TablePrinting::print()
{
    return printTable(m_grid(), m_settings, m_printer, m_now(), m_jobName);
}
