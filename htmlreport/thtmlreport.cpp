// The HTML report window: construction, the field list, the page, format files and printing.
#include "htmlreport/thtmlreport.h"

#include <algorithm>

#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/sharedtoolbar.h"
#include "app/windowregistry.h"
#include "htmlreport/hrffile.h"
#include "platform/clock.h"
#include "platform/desktopshell.h"
#include "platform/dialogs.h"
#include "platform/programfolder.h"
#include "recordwindow/tview.h"
#include "reports/reportitems.h"
#include "store/smallfile.h"
#include "store/textcodec.h"

namespace {

constexpr int WindowWidth = 660;
constexpr int WindowHeight = 492;
constexpr int ItemCount = 23;

QString htmlFilter()
{
    return QStringLiteral("HTML File|*.htm");
}

QString formatFilter()
{
    return QStringLiteral("HTML Report Format|*.hrf");
}

QString invalidFormatText()
{
    return QStringLiteral("HTML Report Format file is invalid.  No format loaded.");
}

// The window's own toolbar pictures, in the style of the shared ones.
enum class Picture { LoadFormat, SaveFormat, Clear, Font, Colour };

QIcon picture(Picture which)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x33, 0x3d, 0x4d);
    const QColor paper(0xfb, 0xfb, 0xf6);
    const QColor gold(0xe0, 0xa8, 0x24);
    const QColor red(0xc0, 0x3a, 0x2b);
    p.setPen(QPen(ink, 1.2));
    switch (which) {
    case Picture::LoadFormat: {
        p.setBrush(gold);
        QPainterPath folder;
        folder.moveTo(3.5, 7.5);
        folder.lineTo(9.5, 7.5);
        folder.lineTo(11, 9.5);
        folder.lineTo(20.5, 9.5);
        folder.lineTo(20.5, 19.5);
        folder.lineTo(3.5, 19.5);
        folder.closeSubpath();
        p.drawPath(folder);
        p.setBrush(paper);
        p.drawRect(QRectF(6.5, 3.5, 11, 9));
        p.drawLine(QPointF(8.5, 6.5), QPointF(15.5, 6.5));
        p.drawLine(QPointF(8.5, 9), QPointF(15.5, 9));
        break;
    }
    case Picture::SaveFormat: {
        // A format sheet going down into a tray, so it is not taken for the database's Save.
        p.setBrush(paper);
        p.drawRect(QRectF(6.5, 2.5, 11, 11));
        p.drawLine(QPointF(8.5, 5.5), QPointF(15.5, 5.5));
        p.drawLine(QPointF(8.5, 8), QPointF(15.5, 8));
        p.setBrush(QColor(0x2f, 0x6f, 0xb5));
        p.drawPolygon(QPolygonF({ QPointF(9, 11), QPointF(15, 11), QPointF(12, 16) }));
        p.setBrush(gold);
        QPainterPath tray;
        tray.moveTo(3.5, 14.5);
        tray.lineTo(7.5, 14.5);
        tray.lineTo(9.5, 17.5);
        tray.lineTo(14.5, 17.5);
        tray.lineTo(16.5, 14.5);
        tray.lineTo(20.5, 14.5);
        tray.lineTo(20.5, 20.5);
        tray.lineTo(3.5, 20.5);
        tray.closeSubpath();
        p.drawPath(tray);
        break;
    }
    case Picture::Clear:
        p.setBrush(paper);
        p.drawRect(QRectF(4.5, 3.5, 13, 17));
        for (qreal y : { 7.5, 10.5, 13.5 })
            p.drawLine(QPointF(7, y), QPointF(15, y));
        p.setPen(QPen(red, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(20, 20));
        p.drawLine(QPointF(20, 12), QPointF(12, 20));
        break;
    case Picture::Font: {
        QFont f(QStringLiteral("Serif"));
        f.setPixelSize(19);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 0, 24, 21), Qt::AlignCenter, QStringLiteral("A"));
        p.setPen(QPen(red, 2.4));
        p.drawLine(QPointF(4, 21.5), QPointF(20, 21.5));
        break;
    }
    case Picture::Colour: {
        const QColor swatches[] = { QColor(0xc0, 0x3a, 0x2b), QColor(0x3f, 0x9a, 0x4a),
            QColor(0x2f, 0x6f, 0xb5), gold };
        const QRectF cells[] = { QRectF(3.5, 3.5, 8, 8), QRectF(12.5, 3.5, 8, 8),
            QRectF(3.5, 12.5, 8, 8), QRectF(12.5, 12.5, 8, 8) };
        for (int i = 0; i < 4; ++i) {
            p.setBrush(swatches[i]);
            p.drawRect(cells[i]);
        }
        break;
    }
    }
    return QIcon(pm);
}

} // namespace

THTMLReport::THTMLReport(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(QStringLiteral("HTMLReport"));
    setWindowTitle(QStringLiteral("Generate HTML Report"));
    buildMenus();
    buildControls();
    buildToolbar();
    statusBar()->setObjectName(QStringLiteral("StatusBar")); // outcomes such as "Saved" show here
    setFixedSize(WindowWidth, WindowHeight);
    setListButtonsEnabled(false);
    showSample();
    m_printing = new TablePrinting(
        this, m_ctx.printer, QStringLiteral("HTML Report"), QStringLiteral("HTMLPrintDialog"),
        [this] { return printGrid(); },
        [this] { return QDateTime(m_ctx.clock.today(), QTime::currentTime()); });
    // The table prints ruled, as the page shows it.
    TablePrintSettings ruled;
    ruled.outerBorder = true;
    ruled.gridLines = true;
    m_printing->setSettings(ruled);
    m_ctx.activation.registerWindow(this, this);
}

THTMLReport::~THTMLReport()
{
    m_ctx.activation.unregisterWindow(this);
}

void THTMLReport::buildMenus()
{
    m_ritems = new QMenu(this);
    m_ritems->setObjectName(QStringLiteral("ritems"));
    for (int code = 0; code < ItemCount; ++code) {
        QAction *a = m_ritems->addAction(QString());
        a->setObjectName(QStringLiteral("ritem%1").arg(code));
        a->setData(HtmlReport::tagOfCode(code));
        m_entries[size_t(code)] = a;
    }
    connect(m_ritems, &QMenu::triggered, this, &THTMLReport::OnItemClick);

    m_printMenu = new QMenu(this);
    m_printMenu->setObjectName(QStringLiteral("PrintMenu"));
    QAction *settings = m_printMenu->addAction(QStringLiteral("Print Settings"));
    settings->setObjectName(QStringLiteral("PrintSettings1"));
    connect(settings, &QAction::triggered, this, &THTMLReport::PrintSettings1Click);
    QAction *print = m_printMenu->addAction(QStringLiteral("Print"));
    print->setObjectName(QStringLiteral("Print1"));
    connect(print, &QAction::triggered, this, [this] { Print1Click(); });

    m_reportMenu = new QMenu(this);
    m_reportMenu->setObjectName(QStringLiteral("ReportMenu"));
    QAction *html = m_reportMenu->addAction(QStringLiteral("Generate HTML Report"));
    html->setObjectName(QStringLiteral("GenerateHTMLReport1"));
    html->setEnabled(false);
    QAction *regular = m_reportMenu->addAction(QStringLiteral("Generate Regular Report"));
    regular->setObjectName(QStringLiteral("GenerateRegularReport1"));
    connect(regular, &QAction::triggered, this,
        [this] { m_ctx.windows.openWindowAllRecords(WindowKind::ReportDesigner); });
}

void THTMLReport::buildControls()
{
    auto *central = new QWidget(this);
    auto *h = new QHBoxLayout(central);
    h->setContentsMargins(8, 8, 8, 8);
    h->setSpacing(8);

    auto *items = new QGroupBox(QStringLiteral("Report Items"), central);
    items->setObjectName(QStringLiteral("ItemPanel"));
    auto *iv = new QVBoxLayout(items);
    auto *listRow = new QHBoxLayout;
    m_fields = new QListWidget(items);
    m_fields->setObjectName(QStringLiteral("Fields"));
    m_fields->setSelectionMode(QAbstractItemView::SingleSelection);
    listRow->addWidget(m_fields, 1);
    auto *buttons = new QVBoxLayout;
    auto button = [&](const QString &text, const QString &name, const QString &hint) {
        auto *b = new QPushButton(text, items);
        b->setObjectName(name);
        b->setToolTip(hint);
        buttons->addWidget(b);
        return b;
    };
    m_addBtn = button(QStringLiteral("Add"), QStringLiteral("AddBtn"),
        QStringLiteral("Add a new field to the Report"));
    m_removeBtn = button(QStringLiteral("Remove"), QStringLiteral("RemoveBtn"),
        QStringLiteral("Remove the Last added field"));
    m_moveUpBtn = button(QStringLiteral("Move Up"), QStringLiteral("MoveUpBtn"), QString());
    m_moveDownBtn = button(QStringLiteral("Move Down"), QStringLiteral("MoveDownBtn"), QString());
    buttons->addStretch(1);
    m_viewReportBtn = button(QStringLiteral("View"), QStringLiteral("ViewReportBtn"), QString());
    m_saveHtmlBtn = button(QStringLiteral("Save HTML"), QStringLiteral("SaveHTMLBtn"), QString());
    listRow->addLayout(buttons);
    iv->addLayout(listRow, 1);
    m_searchList = new QCheckBox(QStringLiteral("Only include search list items."), items);
    m_searchList->setObjectName(QStringLiteral("SearchList"));
    iv->addWidget(m_searchList);
    m_sample = new QLabel(QStringLiteral("Report font and colour"), items);
    m_sample->setObjectName(QStringLiteral("ReportSample"));
    m_sample->setFrameShape(QFrame::Box);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setAutoFillBackground(true);
    m_sample->setMinimumHeight(28);
    m_sample->setToolTip(QStringLiteral("How the record rows of the report look"));
    iv->addWidget(m_sample);
    h->addWidget(items, 5);

    auto *texts = new QWidget(central);
    auto *tv = new QVBoxLayout(texts);
    tv->setContentsMargins(0, 0, 0, 0);
    auto textPanel = [&](const QString &title, const QString &panel, const QString &edit,
                         const QString &buttonText, const QString &buttonName) {
        auto *box = new QGroupBox(title, texts);
        box->setObjectName(panel);
        auto *v = new QVBoxLayout(box);
        auto *e = new QPlainTextEdit(box);
        e->setObjectName(edit);
        e->setLineWrapMode(QPlainTextEdit::NoWrap);
        e->setTabChangesFocus(true);
        v->addWidget(e, 1);
        auto *row = new QHBoxLayout;
        row->addStretch(1);
        auto *b = new QPushButton(buttonText, box);
        b->setObjectName(buttonName);
        row->addWidget(b);
        v->addLayout(row);
        tv->addWidget(box, 1);
        return std::pair { e, b };
    };
    auto [header, loadHeader] = textPanel(QStringLiteral("Header HTML (Optional)"),
        QStringLiteral("HeaderPanel"), QStringLiteral("HeaderHTML"), QStringLiteral("Load Header"),
        QStringLiteral("LoadHeaderBtn"));
    auto [footer, loadFooter] = textPanel(QStringLiteral("Footer HTML (Optional)"),
        QStringLiteral("FooterPanel"), QStringLiteral("FooterHTML"), QStringLiteral("Load Footer"),
        QStringLiteral("LoadFooterBtn"));
    m_header = header;
    m_footer = footer;
    h->addWidget(texts, 6);
    setCentralWidget(central);

    connect(m_addBtn, &QPushButton::clicked, this, &THTMLReport::AddBtnClick);
    connect(m_removeBtn, &QPushButton::clicked, this, &THTMLReport::RemoveBtnClick);
    connect(m_moveUpBtn, &QPushButton::clicked, this, &THTMLReport::MoveUpBtnClick);
    connect(m_moveDownBtn, &QPushButton::clicked, this, &THTMLReport::MoveDownBtnClick);
    connect(m_viewReportBtn, &QPushButton::clicked, this, [this] { ViewReportBtnClick(); });
    connect(m_saveHtmlBtn, &QPushButton::clicked, this, [this] { SaveHTMLBtnClick(); });
    connect(loadHeader, &QPushButton::clicked, this, &THTMLReport::LoadHeaderBtnClick);
    connect(loadFooter, &QPushButton::clicked, this, &THTMLReport::LoadFooterBtnClick);
}

void THTMLReport::buildToolbar()
{
    m_toolbar = new SharedToolbar(this, m_ctx.windows);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    auto custom = [this](Picture pic, const QString &name, const QString &hint) {
        QToolButton *b = m_toolbar->addCustom(ToolIcon::Help, name, hint);
        b->setIcon(picture(pic));
        return b;
    };
    QToolButton *load = custom(
        Picture::LoadFormat, QStringLiteral("LoadFormatBtn"), QStringLiteral("Load Report Form"));
    QToolButton *save = custom(
        Picture::SaveFormat, QStringLiteral("SaveFormatBtn"), QStringLiteral("Save Report Format"));
    m_clearBtn
        = custom(Picture::Clear, QStringLiteral("ClearBtn"), QStringLiteral("Clear the Report"));
    QToolButton *font = custom(
        Picture::Font, QStringLiteral("SelectFontBtn"), QStringLiteral("Select Report Font"));
    QToolButton *colour = custom(
        Picture::Colour, QStringLiteral("SelectColorBtn"), QStringLiteral("Select Report Colors"));
    m_previewBtn = m_toolbar->addCustom(
        ToolIcon::Print, QStringLiteral("ppreview"), QStringLiteral("Preview Report in Browser"));
    m_toolbar->addSeparator();
    using A = SharedToolbar::Action;
    m_toolbar->add(A::Search, QStringLiteral("SearchBtn"), QStringLiteral("Perform Search"));
    m_toolbar->add(A::Album, QStringLiteral("AlbumBtn"), QStringLiteral("D8splay Album View"));
    m_toolbar->add(A::Graph, QStringLiteral("GraphBtn"), QStringLiteral("Display Graph"));
    m_toolbar->add(
        A::Spreadsheet, QStringLiteral("SpeedButton1"), QStringLiteral("Display spreadsheet"));
    m_toolbar->add(A::Record, QStringLiteral("ViewBtn"), QStringLiteral("View Record"));
    m_toolbar->add(
        A::Report, QStringLiteral("ReportBtn"), QStringLiteral("Generate Regular Report"));
    m_toolbar->add(A::QuickSave, QStringLiteral("QuickSaveBtn"), QStringLiteral("Save Database"));
    m_toolbar->add(A::Help, QStringLiteral("HelpBtn"), QStringLiteral("View Help"));
    m_toolbar->add(
        A::Close, QStringLiteral("CloseBtn"), QStringLiteral("Close HTML Report Window"));
    m_toolbar->setHelpTopic(QStringLiteral("HTML Reports"));
    m_toolbar->setReportMenu(m_reportMenu);
    m_toolbar->setBeforeReport([this] { ReportBtnClick(); });

    connect(load, &QToolButton::clicked, this, &THTMLReport::LoadFormatBtnClick);
    connect(save, &QToolButton::clicked, this, &THTMLReport::SaveFormatBtnClick);
    connect(m_clearBtn, &QToolButton::clicked, this, &THTMLReport::ClearBtnClick);
    connect(font, &QToolButton::clicked, this, &THTMLReport::SelectFontBtnClick);
    connect(colour, &QToolButton::clicked, this, &THTMLReport::SelectColorBtnClick);
    connect(m_previewBtn, &QToolButton::clicked, this, &THTMLReport::ppreviewClick);
}

void THTMLReport::FormActivate()
{
    const FieldCaptions &captions = m_ctx.store.captions;
    for (int code = 0; code < ItemCount; ++code)
        m_entries[size_t(code)]->setText(ReportItems::caption(code, captions));
    // A font or colour chosen or loaded lasts only until the window is next activated from
    // another window. Coming back from one of its own dialogs is no new activation: the font
    // just chosen or loaded would otherwise be lost as the dialog or its message closes.
    if (!m_leftForDialog) {
        m_font = VclValues::Font();
        m_colour = VclValues::clWhite;
        showSample();
    }
    m_leftForDialog = false;
    m_toolbar->refreshAvailability();
}

void THTMLReport::FormDeactivate()
{
    m_leftForDialog = m_ctx.activation.modalOpen();
}

void THTMLReport::setListButtonsEnabled(bool on)
{
    m_removeBtn->setEnabled(on);
    m_clearBtn->setEnabled(on);
    m_viewReportBtn->setEnabled(on);
}

void THTMLReport::showSample()
{
    QFont f = VclValues::toQFont(m_font);
    m_sample->setFont(f);
    QPalette pal = m_sample->palette();
    if (m_colour != VclValues::clNone)
        pal.setColor(QPalette::Window, VclValues::toQColor(m_colour));
    pal.setColor(QPalette::WindowText, VclValues::toQColor(m_font.colour));
    m_sample->setPalette(pal);
}

bool THTMLReport::shortDescriptions() const
{
    if (auto *view = qobject_cast<TView *>(m_ctx.windows.existing(WindowKind::Record)))
        return view->shortDescriptionValues();
    return false;
}

void THTMLReport::AddBtnClick()
{
    m_ritems->popup(QCursor::pos());
}

void THTMLReport::addToList(const HtmlReportItem &item)
{
    m_items << item;
    m_fields->addItem(item.caption);
}

void THTMLReport::OnItemClick(QAction *entry)
{
    if (!entry)
        return;
    addToList({ entry->text(), entry->data().toInt() });
    entry->setEnabled(false);
    setListButtonsEnabled(true);
}

void THTMLReport::RemoveBtnClick()
{
    const int row = m_fields->currentRow();
    if (row < 0 || row >= m_items.size() || !m_fields->currentItem()->isSelected())
        return;
    const int tag = m_items[row].tag;
    m_items.removeAt(row);
    delete m_fields->takeItem(row);
    for (QAction *a : m_entries)
        if (a->data().toInt() == tag)
            a->setEnabled(true);
    if (m_items.isEmpty())
        setListButtonsEnabled(false);
}

void THTMLReport::swapRows(int a, int b)
{
    m_items.swapItemsAt(a, b);
    m_fields->item(a)->setText(m_items[a].caption);
    m_fields->item(b)->setText(m_items[b].caption);
    m_fields->setCurrentRow(b);
}

void THTMLReport::MoveUpBtnClick()
{
    const int row = m_fields->currentRow();
    if (row <= 0 || row >= m_items.size() || !m_fields->currentItem()->isSelected())
        return;
    swapRows(row, row - 1);
}

void THTMLReport::MoveDownBtnClick()
{
    const int row = m_fields->currentRow();
    if (row < 0 || row + 1 >= m_items.size() || !m_fields->currentItem()->isSelected())
        return;
    swapRows(row, row + 1);
}

void THTMLReport::ClearBtnClick()
{
    m_items.clear();
    m_fields->clear();
    for (QAction *a : m_entries)
        a->setEnabled(true);
    setListButtonsEnabled(false);
}

HtmlReportDesign THTMLReport::design() const
{
    HtmlReportDesign d;
    d.items = m_items;
    d.header = HtmlReport::splitLines(m_header->toPlainText());
    d.footer = HtmlReport::splitLines(m_footer->toPlainText());
    d.font = m_font;
    d.colour = m_colour;
    d.onlySearchList = m_searchList->isChecked();
    return d;
}

void THTMLReport::GenerateReport()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const HtmlReportDesign d = design();
    HtmlReport::Table t = HtmlReport::buildTable(
        m_ctx.store, d.items, d.onlySearchList, shortDescriptions(), HtmlReport::RowLimit);
    m_reportData = std::move(t.table);
    if (t.limited)
        m_ctx.dialogs.information(
            QStringLiteral("Warning ... HTML Reports are limited to a maximum of 1000 records.  "
                           "Some records will not be displayed."));
    // The work files are a by-product for the user's own use; the page takes the texts directly.
    HtmlReport::writeWorkFiles(m_ctx.folder.path(), d);
}

QByteArray THTMLReport::pageBytes()
{
    GenerateReport();
    return HtmlReport::page(m_reportData, design());
}

bool THTMLReport::ViewReportBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const QString path = m_ctx.folder.filePath(QStringLiteral("rphtml.htm"));
    QString error;
    if (!ExportWriters::writeFile(path, pageBytes(), &error)) {
        m_ctx.dialogs.error(error);
        return false;
    }
    if (!m_ctx.shell.open(path))
        m_ctx.dialogs.error(QStringLiteral("Cannot open file ") + path);
    return true;
}

bool THTMLReport::SaveHTMLBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions o;
    o.title = QStringLiteral("Save HTML");
    o.filter = htmlFilter();
    o.defaultSuffix = QStringLiteral("htm");
    const QString path = m_ctx.dialogs.saveFileName(o);
    if (path.isEmpty())
        return false;
    QString error;
    if (!ExportWriters::writeFile(path, pageBytes(), &error)) {
        m_ctx.dialogs.error(error);
        return false;
    }
    m_ctx.dialogs.status(this, QStringLiteral("HTML report saved as ") + path + u'.');
    return true;
}

QString THTMLReport::loadLinesInto(QPlainTextEdit *edit)
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions o;
    o.title = QStringLiteral("Open");
    o.filter = htmlFilter();
    o.mustExist = true;
    const QString path = m_ctx.dialogs.openFileName(o);
    if (path.isEmpty())
        return {};
    const SmallFile::Result file = SmallFile::read(path, SmallFile::FormatLimit);
    if (!file.ok()) {
        m_ctx.dialogs.error(file.error);
        return {};
    }
    const QStringList lines = HtmlReport::splitLines(decodeText(file.bytes));
    edit->setPlainText(lines.join(u'\n'));
    return path;
}

void THTMLReport::LoadHeaderBtnClick()
{
    loadLinesInto(m_header);
}

void THTMLReport::LoadFooterBtnClick()
{
    loadLinesInto(m_footer);
}

void THTMLReport::LoadFormatBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions o;
    o.title = QStringLiteral("Load Report Format");
    o.filter = formatFilter();
    o.mustExist = true;
    const QString path = m_ctx.dialogs.openFileName(o);
    if (path.isEmpty())
        return;
    // The list and texts are emptied first; what reads before a fault stays.
    HtmlReportDesign d;
    d.font = m_font;
    d.colour = m_colour;
    d.onlySearchList = m_searchList->isChecked();
    const bool ok = HrfFile::load(path, d);
    m_items.clear();
    m_fields->clear();
    for (const HtmlReportItem &item : std::as_const(d.items))
        addToList(item);
    m_header->setPlainText(d.header.join(u'\n'));
    m_footer->setPlainText(d.footer.join(u'\n'));
    m_font = d.font;
    m_colour = d.colour;
    m_searchList->setChecked(d.onlySearchList);
    showSample();
    setListButtonsEnabled(!m_items.isEmpty());
    if (ok)
        m_ctx.dialogs.status(this, QStringLiteral("HTML Report Format file loaded."));
    else
        m_ctx.dialogs.error(invalidFormatText());
}

void THTMLReport::SaveFormatBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions o;
    o.title = QStringLiteral("Save Report Format");
    o.filter = formatFilter();
    o.defaultSuffix = QStringLiteral("hrf");
    const QString path = m_ctx.dialogs.saveFileName(o);
    if (path.isEmpty())
        return;
    QString error;
    if (!HrfFile::save(path, design(), &error)) {
        m_ctx.dialogs.error(error);
        return;
    }
    m_ctx.dialogs.status(this, QStringLiteral("HTML Report Format Saved."));
}

void THTMLReport::SelectFontBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FontChoice choice;
    choice.font = VclValues::toQFont(m_font);
    choice.colour = VclValues::toQColor(m_font.colour);
    const QColor before = choice.colour;
    if (!m_ctx.dialogs.chooseFont(choice))
        return;
    VclValues::Font f = VclValues::fromQFont(choice.font, m_font);
    // An unchanged colour keeps its name, so window text stays window text.
    if (choice.colour.rgb() != before.rgb())
        f.colour = VclValues::fromQColor(choice.colour);
    m_font = f;
    showSample();
}

void THTMLReport::SelectColorBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    QColor c = VclValues::toQColor(m_colour);
    const QColor before = c;
    if (!m_ctx.dialogs.chooseColour(c))
        return;
    if (c.rgb() != before.rgb())
        m_colour = VclValues::fromQColor(c);
    showSample();
}

void THTMLReport::ppreviewClick()
{
    GenerateReport();
    m_printMenu->popup(m_previewBtn->mapToGlobal(QPoint(0, m_previewBtn->height())));
}

TablePrintGrid THTMLReport::printGrid() const
{
    TablePrintGrid g;
    const ExportTable &t = m_reportData;
    const int columns = t.columnCount();
    const int rows = std::max(0, t.rowCount() - 1);
    const QFontMetrics fm(font());
    for (int c = 0; c < columns; ++c) {
        const QString heading = t.cell(0, c);
        g.headings << heading;
        // Wide enough for the longest text in the column, within reason.
        int w = fm.horizontalAdvance(heading);
        for (int r = 1; r <= rows; ++r)
            w = std::max(w, fm.horizontalAdvance(t.cell(r, c)));
        g.widths << std::clamp(w + 12, 40, 320);
    }
    g.rows = rows;
    const ExportTable *table = &m_reportData;
    g.cell = [table](int row, int column) {
        // Cells of several lines print on one.
        QString text = table->cell(row + 1, column);
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(u'\r', u' ');
        text.replace(u'\n', u' ');
        return text;
    };
    return g;
}

void THTMLReport::PrintSettings1Click()
{
    m_printing->showSettings();
}

bool THTMLReport::Print1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    return m_printing->print();
}

void THTMLReport::ReportBtnClick()
{
    // The menu pops up next; its regular report entry follows whether that window exists.
    m_reportMenu->actions().at(1)->setEnabled(
        m_ctx.windows.isAvailable(WindowKind::ReportDesigner));
}
