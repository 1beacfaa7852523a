// The preview window: zoom, page stepping, margin and grid overlays, printing and export.
#include "reports/tzephpreview.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/printer.h"

using namespace Qt::StringLiterals;

namespace {

int screenDpi(const QWidget *w)
{
    const QScreen *screen = w->screen();
    return screen ? int(std::lround(screen->logicalDotsPerInchX())) : 96;
}

} // namespace

PreviewPage::PreviewPage(TZephPreview &preview, QWidget *parent)
    : QWidget(parent)
    , m_preview(preview)
{
    setObjectName(u"PaintBox1"_s);
}

void PreviewPage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const TZephPrinter &printer = m_preview.printer();
    const int scale = m_preview.scale();
    const QMargins m = printer.GetMargins();
    // Margins in pixels, multiply then divide.
    const int mL = int(qint64(m.left()) * scale / Twips::PerInch);
    const int mT = int(qint64(m.top()) * scale / Twips::PerInch);
    const int mR = int(qint64(m.right()) * scale / Twips::PerInch);
    const int mB = int(qint64(m.bottom()) * scale / Twips::PerInch);
    p.save();
    if (printer.showMargins) {
        p.fillRect(rect(), printer.marginColour);
        p.translate(mL, mT);
        p.setClipRect(QRect(0, 0, width() - mL - mR, height() - mT - mB));
        p.fillRect(QRect(0, 0, width() - mL - mR, height() - mT - mB), Qt::white);
    } else {
        p.fillRect(rect(), Qt::white);
    }
    if (const PageDrawing *page = printer.PagePicture(m_preview.shownPage())) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(double(scale) / Twips::PerInch, double(scale) / Twips::PerInch);
        page->replay(p);
        p.restore();
    }
    if (printer.showGrid) {
        const int step = PreviewScale::gridStep(scale);
        const int w = printer.pageWidthInches() * scale;
        const int h = printer.pageHeightInches() * scale;
        p.setPen(QPen(printer.gridColour, 0, Qt::DotLine));
        p.setBackgroundMode(Qt::TransparentMode);
        for (int x = step; step > 0 && x < w; x += step)
            p.drawLine(x, 0, x, h);
        for (int y = step; step > 0 && y < h; y += step)
            p.drawLine(0, y, w, y);
    }
    p.restore();
}

TZephPreview::TZephPreview(TZephPrinter &printer, Printer &device, Dialogs &dialogs,
    const ExportTable &table, QWidget *parent)
    : QDialog(parent)
    , m_printer(printer)
    , m_device(device)
    , m_dialogs(dialogs)
    , m_table(table)
{
    setObjectName(u"TZephPreview"_s);
    setWindowTitle(u"Preview"_s);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::WindowMaximizeButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    printDialog = [this](int count, int &from, int &to) {
        const Dialogs::AskingWindow asking(m_dialogs, this);
        return m_dialogs.printRange(count, from, to);
    };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    layout->addLayout(bar);

    m_zoom = new QComboBox(this);
    m_zoom->setObjectName(u"Zoom"_s);
    m_zoom->setEditable(true);
    m_zoom->addItems(PreviewScale::choices());
    m_zoom->setInsertPolicy(QComboBox::NoInsert);
    m_zoom->setMinimumWidth(100);
    m_zoom->installEventFilter(this);
    m_zoom->lineEdit()->installEventFilter(this);
    bar->addWidget(m_zoom);

    m_spin = new QSpinBox(this);
    m_spin->setObjectName(u"SpinEdit1"_s);
    m_spin->setKeyboardTracking(false);
    m_spin->setMinimumWidth(70);
    bar->addWidget(m_spin);
    m_pages = new QLabel(this);
    m_pages->setObjectName(u"Pages"_s);
    m_pages->setMinimumWidth(120);
    bar->addWidget(m_pages);

    const auto toggle = [this, bar](const QString &name, const QString &text) {
        auto *b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(text);
        b->setCheckable(true);
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    m_marginButton = toggle(u"MarginButton"_s, u"Margin"_s);
    m_gridButton = toggle(u"GridButton"_s, u"Grid"_s);

    const auto button = [this, bar](const QString &name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    m_printBtn = button(u"PrintBtn"_s, u"Print"_s);
    m_exportBtn = button(u"ExportBtn"_s, u"Export"_s);
    m_exportMenu = new QMenu(this);
    m_exportMenu->setObjectName(u"ExportMenu"_s);
    m_exportMenu->addAction(u"Export to CSV"_s, this, &TZephPreview::ExportCSVClick)
        ->setObjectName(u"ExporttoCSV1"_s);
    m_exportMenu->addAction(u"Export to HTML"_s, this, &TZephPreview::ExportHTMLClick)
        ->setObjectName(u"ExporttoHTML1"_s);
    m_closeBtn = button(u"BitBtn2"_s, u"Close"_s);
    bar->addStretch(1);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(u"ScrollBox1"_s);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_canvas = new QWidget;
    m_view = new PreviewPage(*this, m_canvas);
    m_scroll->setWidget(m_canvas);
    layout->addWidget(m_scroll, 1);

    connect(m_zoom, &QComboBox::activated, this, &TZephPreview::ZoomChange);
    connect(m_zoom->lineEdit(), &QLineEdit::textEdited, this, [this] { m_typed = true; });
    connect(m_spin, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
    connect(
        m_spin->findChild<QLineEdit *>(), &QLineEdit::textEdited, this, [this](const QString &t) {
            m_typed = true;
            bool ok = false;
            const int n = t.trimmed().toInt(&ok);
            if (ok)
                updatePagesLabel(n);
        });
    connect(m_marginButton, &QToolButton::clicked, this, &TZephPreview::MarginButtonClick);
    connect(m_gridButton, &QToolButton::clicked, this, &TZephPreview::GridButtonClick);
    connect(m_printBtn, &QPushButton::clicked, this, &TZephPreview::PrintBtnClick);
    connect(m_exportBtn, &QPushButton::clicked, this, [this] {
        m_exportMenu->popup(m_exportBtn->mapToGlobal(QPoint(0, m_exportBtn->height())));
    });
    connect(m_closeBtn, &QPushButton::clicked, this, &QDialog::close);
}

void TZephPreview::prepare()
{
    if (!m_printer.finished())
        m_printer.Finish();
    const int count = m_printer.PageCount();
    m_spin->blockSignals(true);
    m_spin->setRange(1, std::max(1, count));
    m_spin->setValue(1);
    m_spin->blockSignals(false);
    m_spin->setEnabled(m_printer.pageSpinEnabled);
    m_spin->setToolTip(u"Total Pages "_s + QString::number(count));
    m_page = 1;
    updatePagesLabel(1);
    m_zoom->setCurrentIndex(1); // "Fit Width"
    m_marginButton->setChecked(m_printer.showMargins);
    m_gridButton->setChecked(m_printer.showGrid);
    applyZoom(m_zoom->currentText());
}

void TZephPreview::updatePagesLabel(int page)
{
    m_pages->setText(
        u"Page "_s + QString::number(page) + u" of "_s + QString::number(m_printer.PageCount()));
}

bool TZephPreview::applyZoom(const QString &text)
{
    const auto s
        = PreviewScale::scale(text, screenDpi(this), size(), PreviewScale::shownInches(m_printer));
    if (!s) {
        const Dialogs::AskingWindow asking(m_dialogs, this);
        m_dialogs.error(PreviewScale::invalidInteger(text));
        return false;
    }
    m_scale = *s;
    m_page = std::clamp(m_spin->value(), 1, std::max(1, m_printer.PageCount()));
    layoutView();
    return true;
}

void TZephPreview::layoutView()
{
    const QSizeF inches = PreviewScale::shownInches(m_printer);
    const int w = int(inches.width() * m_scale);
    const int h = int(inches.height() * m_scale);
    const int left = width() - w > 20 ? (width() - w) / 2 - 12 : 10;
    m_view->setGeometry(std::max(0, left), 8, w, h);
    m_canvas->resize(std::max(0, left) + w + 10, h + 16);
    m_view->update();
}

void TZephPreview::ZoomExit()
{
    applyZoom(m_zoom->currentText());
}

void TZephPreview::ZoomChange(int index)
{
    if (m_typed)
        return; // applied when the field is left
    applyZoom(m_zoom->itemText(index));
}

void TZephPreview::SpinEdit1Change()
{
    m_page = std::clamp(m_spin->value(), 1, std::max(1, m_printer.PageCount()));
    updatePagesLabel(m_page);
    m_view->update();
}

void TZephPreview::MarginButtonClick()
{
    m_printer.showMargins = !m_printer.showMargins;
    m_marginButton->setChecked(m_printer.showMargins);
    layoutView();
}

void TZephPreview::GridButtonClick()
{
    m_printer.showGrid = !m_printer.showGrid;
    m_gridButton->setChecked(m_printer.showGrid);
    m_view->update();
}

void TZephPreview::PrintBtnClick()
{
    int from = 1, to = std::max(1, m_printer.PageCount());
    if (printDialog && printDialog(m_printer.PageCount(), from, to))
        PrintPages(from, to);
}

bool TZephPreview::PrintPages(int from, int to)
{
    if (!m_printer.finished())
        return false;
    // A print dialog of the printer's own opens over the preview, not behind it.
    const Dialogs::AskingWindow asking(m_dialogs, this);
    if (!m_device.begin(u"Report"_s))
        return false;
    QPainter *painter = m_device.painter();
    const double dpi = m_device.resolution();
    bool first = true;
    for (int n = from; n <= to && painter; ++n) {
        if (!first)
            m_device.newPage();
        first = false;
        m_printer.paintPage(*painter, n, dpi, dpi);
    }
    return m_device.end();
}

void TZephPreview::exportTo(const QString &filter, const QString &suffix, const QByteArray &bytes)
{
    const Dialogs::AskingWindow asking(m_dialogs, this);
    FileDialogOptions o;
    o.filter = filter;
    o.defaultSuffix = suffix;
    const QString path = m_dialogs.saveFileName(o);
    if (path.isEmpty())
        return;
    QString error;
    if (!ExportWriters::writeFile(path, bytes, &error)) {
        m_dialogs.error(error);
        return;
    }
    m_dialogs.information(u"File Saved"_s);
}

void TZephPreview::ExportCSVClick()
{
    exportTo(u"Comma Delimited File|*.CSV"_s, u"CSV"_s, ExportWriters::csv(m_table));
}

void TZephPreview::ExportHTMLClick()
{
    exportTo(u"HTML File|*.HTM"_s, u"HTM"_s, ExportWriters::html(m_table, {}));
}

void TZephPreview::keyPressEvent(QKeyEvent *event)
{
    // Enter ends typing and moves on; leaving a field applies it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_typed = false;
        focusNextChild();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TZephPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            m_typed = false;
            focusNextChild();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && watched == m_zoom) {
        // Leaving the field applies it; the list popping up is not leaving.
        if (!m_zoom->view()->isVisible() && !m_zoom->hasFocus())
            ZoomExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TZephPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    const QString z = m_zoom->currentText();
    if (z == u"Fit Both" || z == u"Fit Width")
        applyZoom(z);
}
