// The regular report window: construction, the item and setup panels, format files, import and
// the composing of the report into the preview.
#include "reports/tprintbox.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/sharedtoolbar.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/settingsstore.h"
#include "recordwindow/tview.h"
#include "reports/columnbar.h"
#include "reports/reportformat.h"
#include "reports/reportitems.h"
#include "reports/tzephpreview.h"
#include "store/editcommands.h"
#include "sending/texportinternet.h"
#include "store/csvfile.h"

using namespace Qt::StringLiterals;

namespace {

const QString reportFilter = u"Comma Delimated|*.txt|Report|*.rpt"_s;

// Counts this window's own dialogs, so the activation they hand back keeps the column widths.
struct OwnModal
{
    explicit OwnModal(int &n)
        : m_n(n)
    {
        ++m_n;
    }
    ~OwnModal() { --m_n; }
    int &m_n;
};

} // namespace

TPrintBox::TPrintBox(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(u"TPrintBox"_s);
    fontDialog = [this](const QFont &initial, int maxSize) {
        QFontDialog dialog(initial, this);
        dialog.setWindowTitle(u"Font"_s);
        QFont chosen = initial;
        m_ctx.activation.modalStarted();
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.selectedFont();
        m_ctx.activation.modalFinished();
        if (chosen.pointSize() > maxSize)
            chosen.setPointSize(maxSize);
        return chosen;
    };
    colourDialog = [this](const QColor &initial) -> std::optional<QColor> {
        m_ctx.activation.modalStarted();
        const QColor c = QColorDialog::getColor(initial, this);
        m_ctx.activation.modalFinished();
        if (!c.isValid())
            return std::nullopt;
        return c;
    };
    runSendWindow = [](TExportInternet &window) { window.exec(); };
    runPreview = [this](TZephPreview &preview) {
        m_ctx.activation.modalStarted();
        // Maximised, also where no window manager does it.
        if (const QScreen *screen = this->screen())
            preview.setGeometry(screen->availableGeometry());
        preview.setWindowState(Qt::WindowMaximized);
        preview.exec();
        m_ctx.activation.modalFinished();
    };

    buildToolbar();
    buildPanels();
    resize(m_ctx.settings.readInteger(u"ReportW:"_s, DefaultWidth),
        m_ctx.settings.readInteger(u"ReportH:"_s, DefaultHeight));
    setDefinition(ReportDefinition());
    CalculateSpace();
    DoColumns();
    disableForEmptyList();
    updateCaption();
    m_ctx.activation.registerWindow(this, this);
}

TPrintBox::~TPrintBox()
{
    m_ctx.activation.unregisterWindow(this);
}

void TPrintBox::buildToolbar()
{
    m_toolbar = new SharedToolbar(this, m_ctx.windows);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    const auto own = [this](QStyle::StandardPixmap icon, const QString &name, const QString &hint) {
        auto *b = new QToolButton(this);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setIcon(style()->standardIcon(icon));
        b->setAutoRaise(true);
        m_toolbar->addWidget(b);
        return b;
    };
    m_loadBtn = own(QStyle::SP_DialogOpenButton, u"LoadReportBtn"_s, u"Load a Report Format"_s);
    m_saveBtn = own(QStyle::SP_DialogSaveButton, u"SaveReportBtn"_s, u"Save a Report Format"_s);
    m_emailBtn = own(QStyle::SP_MessageBoxInformation, u"EmailReportBtn"_s, u"Email Report"_s);
    m_ftpBtn
        = own(QStyle::SP_DriveNetIcon, u"FTPReportBTN"_s, u"Post report to Internet Newsgroup"_s);
    m_modeBtn = own(QStyle::SP_BrowserReload, u"SetModeBtn"_s,
        u"Toggle Between Searched Records or All Records"_s);
    m_importBtn = own(QStyle::SP_FileDialogDetailedView, u"ImportFileBtn"_s,
        u"Import/Export Comma Delimited Files"_s);
    m_previewBtn = m_toolbar->addCustom(ToolIcon::Print, u"ppreview"_s, u"Print/Preview Report"_s);
    m_toolbar->addSeparator();
    using A = SharedToolbar::Action;
    m_toolbar->add(A::Search, u"SearchBtn"_s, u"Perform Search"_s);
    m_toolbar->add(A::Album, u"AlbumBtn"_s, u"View Album View"_s);
    m_toolbar->add(A::Graph, u"GraphBtn"_s, u"Generate Graph"_s);
    m_toolbar->add(A::Spreadsheet, u"SpeedButton1"_s, u"View spreadsheet"_s);
    m_toolbar->add(A::Record, u"ViewBtn"_s, u"View Reocrd"_s);
    m_toolbar->add(A::Report, u"ReportBtn"_s, u"Generate HTML Report"_s);
    m_toolbar->add(A::QuickSave, u"QuickSaveBtn"_s, u"Save Database"_s);
    m_toolbar->add(A::Help, u"HelpBtn"_s, u"Display help"_s);
    m_toolbar->add(A::Close, u"CloseBtn"_s, u"Close the Regular Report Window"_s);
    m_toolbar->setHelpTopic(u"Regular Reports"_s);

    m_reportMenu = new QMenu(this);
    m_reportMenu->setObjectName(u"ReportMenu"_s);
    QAction *html = m_reportMenu->addAction(u"Generate HTML Report"_s);
    html->setObjectName(u"GenerateHTMLReport1"_s);
    connect(html, &QAction::triggered, this,
        [this] { m_ctx.windows.openWindow(WindowKind::HtmlReport); });
    QAction *regular = m_reportMenu->addAction(u"Generate Regular Report"_s);
    regular->setObjectName(u"GenerateRegularReport1"_s);
    regular->setEnabled(false);
    m_toolbar->setReportMenu(m_reportMenu);
    connect(m_reportMenu, &QMenu::aboutToShow, this,
        [this, html] { html->setEnabled(m_ctx.windows.isAvailable(WindowKind::HtmlReport)); });

    connect(m_loadBtn, &QToolButton::clicked, this, &TPrintBox::LoadClick);
    connect(m_saveBtn, &QToolButton::clicked, this, &TPrintBox::SaveReportBtnClick);
    connect(m_modeBtn, &QToolButton::clicked, this, &TPrintBox::SetModeBtnClick);
    connect(m_importBtn, &QToolButton::clicked, this, &TPrintBox::ImportFileBtnClick);
    connect(m_previewBtn, &QToolButton::clicked, this, &TPrintBox::ppreviewClick);
    connect(m_emailBtn, &QToolButton::clicked, this, &TPrintBox::EmailReportBtnClick);
    connect(m_ftpBtn, &QToolButton::clicked, this, &TPrintBox::EmailReportBtnClick);
}

void TPrintBox::buildPanels()
{
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(u"Splitter1"_s);
    setCentralWidget(m_splitter);

    // Item panel: the report's fields and the buttons that add and remove them.
    m_itemPanel = new QGroupBox(u"Report Fields"_s, m_splitter);
    m_itemPanel->setObjectName(u"ItemPanel"_s);
    auto *itemLayout = new QVBoxLayout(m_itemPanel);
    m_fields = new QListWidget(m_itemPanel);
    m_fields->setObjectName(u"Fields"_s);
    m_fields->setSelectionMode(QAbstractItemView::NoSelection);
    m_fields->setFocusPolicy(Qt::NoFocus);
    itemLayout->addWidget(m_fields, 1);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    const auto button = [this](const QString &name, const QString &text, const QString &hint) {
        auto *b = new QPushButton(text, m_itemPanel);
        b->setObjectName(name);
        b->setToolTip(hint);
        return b;
    };
    m_add = button(u"Add"_s, u"Add"_s, u"Add a new field to the Report"_s);
    m_undo = button(u"Undo"_s, u"Undo"_s, u"Remove the Last added field"_s);
    m_clear = button(u"clear"_s, u"Clear"_s, u"Clear the Report"_s);
    buttons->addStretch(1);
    buttons->addWidget(m_add);
    buttons->addWidget(m_undo);
    buttons->addWidget(m_clear);
    buttons->addStretch(1);
    itemLayout->addLayout(buttons);

    m_ritems = new QMenu(this);
    m_ritems->setObjectName(u"ritems"_s);
    for (int code = 0; code < ReportItems::Count; ++code) {
        QAction *a = m_ritems->addAction(ReportItems::caption(code, m_ctx.store.captions));
        a->setObjectName(u"ritem%1"_s.arg(code));
        connect(a, &QAction::triggered, this, [this, code] { ItemClick(code); });
    }
    connect(m_add, &QPushButton::clicked, this, &TPrintBox::AddClick);
    connect(m_undo, &QPushButton::clicked, this, &TPrintBox::UndoClick);
    connect(m_clear, &QPushButton::clicked, this, &TPrintBox::clearClick);

    // Setup panel.
    m_setupPanel = new QGroupBox(u"Setup"_s, m_splitter);
    m_setupPanel->setObjectName(u"SetupPanel"_s);
    auto *grid = new QGridLayout(m_setupPanel);
    grid->setVerticalSpacing(6);
    m_title = new QLineEdit(m_setupPanel);
    m_title->setObjectName(u"ReportTitle"_s);
    grid->addWidget(m_title, 0, 0, 1, 4);
    const auto check = [this](const QString &name, const QString &text) {
        auto *c = new QCheckBox(text, m_setupPanel);
        c->setObjectName(name);
        return c;
    };
    m_rTitle = check(u"rTitle"_s, u"Report Title"_s);
    m_headInd = check(u"HeadInd"_s, u"Header"_s);
    m_rDate = check(u"rDate"_s, u"Date"_s);
    m_rPageNumber = check(u"rPageNumber"_s, u"Page Numbers"_s);
    m_pItemNumber = check(u"pItemNumber"_s, u"Item Numbers"_s);
    m_pValue = check(u"pValue"_s, u"Total Value"_s);
    grid->addWidget(m_rTitle, 1, 0, 1, 2);
    grid->addWidget(m_headInd, 1, 2, 1, 2);
    grid->addWidget(m_rDate, 2, 0, 1, 2);
    grid->addWidget(m_rPageNumber, 2, 2, 1, 2);
    grid->addWidget(m_pItemNumber, 3, 0, 1, 2);
    grid->addWidget(m_pValue, 3, 2, 1, 2);

    auto *columnsRow = new QHBoxLayout;
    m_colNum = new QLineEdit(m_setupPanel);
    m_colNum->setObjectName(u"ColNum"_s);
    m_colNum->setMaximumWidth(40);
    columnsRow->addWidget(new QLabel(u"Columns:"_s, m_setupPanel));
    columnsRow->addWidget(m_colNum);
    m_setBtn = new QPushButton(u"Set"_s, m_setupPanel);
    m_setBtn->setObjectName(u"Button1"_s);
    columnsRow->addWidget(m_setBtn);
    columnsRow->addWidget(new QLabel(u"Press Set After Entering Columns."_s, m_setupPanel));
    columnsRow->addStretch(1);
    m_ic = check(u"ic"_s, u"Indent"_s);
    columnsRow->addWidget(m_ic);
    grid->addLayout(columnsRow, 4, 0, 1, 4);
    connect(m_setBtn, &QPushButton::clicked, this, &TPrintBox::SetColumnsClick);

    m_widths = new ColumnBar(m_setupPanel);
    m_widths->setObjectName(u"Widths"_s);
    m_widths->setFixedHeight(24);
    m_widths->colourOf = [this](int section) {
        return StoredColour::toColor(
            m_def.colours[size_t(std::clamp(section, 0, ReportDefinition::ColourSlots - 1))]);
    };
    grid->addWidget(m_widths, 5, 0, 1, 4, Qt::AlignLeft);
    grid->addWidget(new QLabel(u"Click Column to Change Color."_s, m_setupPanel), 6, 0, 1, 4);
    connect(m_widths, &QHeaderView::sectionClicked, this, &TPrintBox::WidthsSectionClick);
    connect(m_widths, &QHeaderView::sectionResized, this, [this] { WidthsSectionResize(); });

    auto *margins = new QHBoxLayout;
    margins->addWidget(new QLabel(u"Margins:"_s, m_setupPanel));
    const char *names[] = { "LeftM", "RightM", "TopM", "BottomM" };
    const char *labels[] = { "Left", "Right", "Top", "Bottom" };
    for (int i = 0; i < 4; ++i) {
        margins->addWidget(new QLabel(QString::fromLatin1(labels[i]), m_setupPanel));
        QLineEdit *f = new QLineEdit(m_setupPanel);
        f->setObjectName(QString::fromLatin1(names[i]));
        f->setMaximumWidth(48);
        margins->addWidget(f);
        m_margins[size_t(i)] = f;
        connect(f, &QLineEdit::editingFinished, this, [this, f] { checkMargin(f); });
    }
    margins->addStretch(1);
    grid->addLayout(margins, 7, 0, 1, 4);

    auto *orientation = new QHBoxLayout;
    orientation->addWidget(new QLabel(u"Orientation:"_s, m_setupPanel));
    m_portrait = new QRadioButton(u"Portrait Mode"_s, m_setupPanel);
    m_portrait->setObjectName(u"Portrait"_s);
    m_landscape = new QRadioButton(u"Landscape Mode"_s, m_setupPanel);
    m_landscape->setObjectName(u"Landscape"_s);
    orientation->addWidget(m_portrait);
    orientation->addWidget(m_landscape);
    orientation->addStretch(1);
    grid->addLayout(orientation, 8, 0, 1, 4);
    connect(m_portrait, &QRadioButton::clicked, this, &TPrintBox::PortraitClick);
    connect(m_landscape, &QRadioButton::clicked, this, &TPrintBox::LandscapeClick);

    m_sFont = new QPushButton(u"Font"_s, m_setupPanel);
    m_sFont->setObjectName(u"sFont"_s);
    m_sFont->setToolTip(u"Select Report Fonts"_s);
    grid->addWidget(m_sFont, 9, 0);
    const auto sample = [this](const QString &name) {
        auto *e = new QLineEdit(m_setupPanel);
        e->setObjectName(name);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        return e;
    };
    m_headerFont = sample(u"HeaderFont"_s);
    m_bodyFont = sample(u"BodyFont"_s);
    m_valueFont = sample(u"ValueFont"_s);
    grid->addWidget(m_headerFont, 9, 1);
    grid->addWidget(m_bodyFont, 9, 2);
    grid->addWidget(m_valueFont, 9, 3);
    grid->setRowStretch(10, 1);

    m_wfont = new QMenu(this);
    m_wfont->setObjectName(u"wfont"_s);
    m_wfont->addAction(u"Title"_s, this, &TPrintBox::TitlefontClick)->setObjectName(u"Titlefont"_s);
    m_wfont->addAction(u"Body"_s, this, &TPrintBox::Date1Click)->setObjectName(u"Date1"_s);
    m_wfont->addAction(u"Value"_s, this, &TPrintBox::Value1Click)->setObjectName(u"Value1"_s);
    connect(m_sFont, &QPushButton::clicked, this, &TPrintBox::sfontClick);

    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 3);
    m_splitter->setSizes({ 160, 440 });
}

// --- Definition and controls -----------------------------------------------------------------

ReportDefinition TPrintBox::definition() const
{
    ReportDefinition d = m_def;
    d.title = m_title->text();
    d.showTitle = m_rTitle->isChecked();
    d.header = m_headInd->isChecked();
    d.showDate = m_rDate->isChecked();
    d.showPageNumbers = m_rPageNumber->isChecked();
    d.showItemNumbers = m_pItemNumber->isChecked();
    d.showTotals = m_pValue->isChecked();
    d.columnCount = m_colNum->text();
    d.indent = m_ic->isChecked();
    for (size_t i = 0; i < 4; ++i)
        d.margins[i] = m_validMargins[i];
    const QList<int> widths = m_widths->widths();
    d.sections.clear();
    for (int i = 0; i < widths.size(); ++i)
        d.sections.append({ widths[i], m_widths->label(i) });
    return d;
}

void TPrintBox::setDefinition(const ReportDefinition &d)
{
    m_def = d;
    m_title->setText(d.title);
    m_rTitle->setChecked(d.showTitle);
    m_headInd->setChecked(d.header);
    m_rDate->setChecked(d.showDate);
    m_rPageNumber->setChecked(d.showPageNumbers);
    m_pItemNumber->setChecked(d.showItemNumbers);
    m_pValue->setChecked(d.showTotals);
    m_colNum->setText(d.columnCount);
    m_ic->setChecked(d.indent);
    for (size_t i = 0; i < 4; ++i) {
        m_margins[i]->setText(d.margins[i]);
        m_validMargins[i] = d.margins[i];
    }
    m_portrait->setAutoExclusive(false);
    m_landscape->setAutoExclusive(false);
    m_portrait->setChecked(d.orientation == ReportOrientation::Portrait);
    m_landscape->setChecked(d.orientation == ReportOrientation::Landscape);
    m_portrait->setAutoExclusive(true);
    m_landscape->setAutoExclusive(true);
    m_fields->clear();
    for (const ReportItem &item : d.items)
        m_fields->addItem(item.caption);
    refreshItemMenu();
    // The bar is as wide as the reference width it is measured against.
    m_widths->setFixedWidth(d.referenceWidth);
    QList<int> widths;
    QStringList labels;
    for (const ColumnSection &s : d.sections) {
        widths.append(s.width);
        labels.append(s.text);
    }
    m_widths->blockSignals(true);
    m_widths->setSections(widths, labels);
    m_widths->blockSignals(false);
    const std::tuple<QLineEdit *, const ReportFontDef &, QString> samples[]
        = { { m_headerFont, d.titleFont, d.titleSample }, { m_bodyFont, d.bodyFont, d.bodySample },
              { m_valueFont, d.valueFont, d.valueSample } };
    for (const auto &[box, font, text] : samples) {
        box->setFont(font.screen());
        QPalette pal = box->palette();
        pal.setColor(QPalette::Text, font.color());
        box->setPalette(pal);
        box->setText(text);
    }
}

void TPrintBox::refreshItemMenu()
{
    const QList<QAction *> actions = m_ritems->actions();
    for (int code = 0; code < actions.size(); ++code) {
        actions[code]->setText(ReportItems::caption(code, m_ctx.store.captions));
        actions[code]->setEnabled(!m_def.hasItem(code));
    }
}

void TPrintBox::updateCaption()
{
    setWindowTitle(m_searchListOnly ? u"Report (Searched Records)"_s : u"Report (All Records)"_s);
}

void TPrintBox::showInformation(const QString &text)
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    OwnModal guard(m_ownModal);
    m_ctx.dialogs.information(text);
}

void TPrintBox::showError(const QString &text)
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    OwnModal guard(m_ownModal);
    m_ctx.dialogs.error(text);
}

// --- Activation ----------------------------------------------------------------------------------

void TPrintBox::FormActivate()
{
    CalculateSpace();
    // Coming back from this window's own dialogs keeps widths dragged or loaded.
    if (m_ownModal == 0 && definition().columnCountValue() > 0)
        DoColumns();
    refreshItemMenu();
    if (m_ctx.store.databaseOpen && !m_def.items.isEmpty()) {
        m_modeBtn->setEnabled(true);
        m_sFont->setEnabled(true);
        m_previewBtn->setEnabled(true);
    }
    updateCaption();
    m_toolbar->refreshAvailability();
}

void TPrintBox::FormDeactivate()
{
    m_ctx.settings.writeInteger(u"ReportW:"_s, width());
    m_ctx.settings.writeInteger(u"ReportH:"_s, height());
}

void TPrintBox::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
}

// --- Item panel ---------------------------------------------------------------------------------

void TPrintBox::AddClick()
{
    m_ritems->popup(m_add->mapToGlobal(QPoint(m_add->width(), 0)));
}

void TPrintBox::appendItem(int code, const QString &caption)
{
    m_def.items.append({ code, 0, caption });
    m_fields->addItem(caption);
    m_ritems->actions().value(code)->setEnabled(false);
}

void TPrintBox::ItemClick(int code)
{
    if (code < 0 || code >= ReportItems::Count || m_def.hasItem(code))
        return;
    appendItem(code, ReportItems::caption(code, m_ctx.store.captions));
    EnableScreen();
}

void TPrintBox::UndoClick()
{
    if (m_def.items.isEmpty())
        return;
    const ReportItem last = m_def.items.takeLast();
    delete m_fields->takeItem(m_fields->count() - 1);
    if (QAction *a = m_ritems->actions().value(last.code))
        a->setEnabled(true);
    if (m_def.items.isEmpty())
        disableForEmptyList();
}

void TPrintBox::clearClick()
{
    m_def.items.clear();
    m_fields->clear();
    for (QAction *a : m_ritems->actions())
        a->setEnabled(true);
    disableForEmptyList();
}

void TPrintBox::disableForEmptyList()
{
    for (QWidget *w : std::initializer_list<QWidget *> {
             m_undo, m_saveBtn, m_importBtn, m_clear, m_modeBtn, m_sFont, m_previewBtn })
        w->setEnabled(false);
}

void TPrintBox::EnableScreen()
{
    if (!m_def.items.isEmpty()) {
        for (QWidget *w :
            std::initializer_list<QWidget *> { m_importBtn, m_undo, m_saveBtn, m_clear })
            w->setEnabled(true);
    }
    if (m_ctx.store.databaseOpen) {
        for (QWidget *w : std::initializer_list<QWidget *> { m_modeBtn, m_sFont, m_previewBtn })
            w->setEnabled(true);
    }
}

// --- Setup panel
// ----------------------------------------------------------------------------------

void TPrintBox::SetColumnsClick()
{
    const QString text = m_colNum->text().trimmed();
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok) {
        showError(u"'%1' is not a valid integer value"_s.arg(m_colNum->text()));
        return;
    }
    if (n < 1 || n > ReportDefinition::MaxColumns) {
        showError(u"Value must be between 1 and 9"_s);
        return;
    }
    DoColumns();
}

void TPrintBox::DoColumns()
{
    ReportDefinition d = definition();
    if (d.columnCountValue() == 0)
        return;
    d.doColumns(m_printableWidth);
    m_def.columnCount = d.columnCount;
    m_def.sections = d.sections;
    QList<int> widths;
    QStringList labels;
    for (const ColumnSection &s : d.sections) {
        widths.append(s.width);
        labels.append(s.text);
    }
    m_widths->blockSignals(true);
    m_widths->setSections(widths, labels);
    m_widths->blockSignals(false);
}

void TPrintBox::WidthsSectionResize()
{
    const QList<int> widths = m_widths->widths();
    for (int i = 0; i < widths.size(); ++i)
        m_widths->setLabel(i, m_def.sectionLabel(widths[i], m_printableWidth));
}

void TPrintBox::WidthsSectionClick(int section)
{
    if (section < 0 || section >= ReportDefinition::ColourSlots)
        return;
    OwnModal guard(m_ownModal);
    const auto c = colourDialog(StoredColour::toColor(m_def.colours[size_t(section)]));
    if (c) {
        m_def.colours[size_t(section)] = StoredColour::fromColor(*c);
        m_widths->viewport()->update();
    }
}

void TPrintBox::sfontClick()
{
    m_wfont->popup(m_sFont->mapToGlobal(QPoint(0, m_sFont->height())));
}

void TPrintBox::chooseFont(
    ReportFontDef &font, int maxSize, QLineEdit *sample, const QString &sampleText)
{
    OwnModal guard(m_ownModal);
    const QFont chosen = fontDialog(font.screen(), maxSize);
    ReportFontDef fontDef = ReportFontDef::fromQFont(chosen, font.color());
    fontDef.colour = font.colour; // the dialog does not choose colours: the stored one stays
    fontDef.charset = font.charset;
    if (fontDef.pointSize() > maxSize)
        fontDef.setPointSize(maxSize);
    font = fontDef;
    sample->setFont(font.screen());
    sample->setText(sampleText);
}

void TPrintBox::TitlefontClick()
{
    chooseFont(m_def.titleFont, 18, m_headerFont, u"Title"_s);
    m_def.titleSample = u"Title"_s;
}

void TPrintBox::Date1Click()
{
    chooseFont(m_def.bodyFont, 12, m_bodyFont, u"Body"_s);
    m_def.bodySample = u"Body"_s;
}

void TPrintBox::Value1Click()
{
    chooseFont(m_def.valueFont, 18, m_valueFont, u"Value"_s);
    m_def.valueSample = u"Value"_s;
}

bool TPrintBox::checkMargin(QLineEdit *field)
{
    const size_t i
        = size_t(std::find(m_margins.begin(), m_margins.end(), field) - m_margins.begin());
    if (i >= m_margins.size())
        return false;
    const QString text = field->text().trimmed();
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok) {
        field->setText(m_validMargins[i]);
        showError(u"'%1' is not a valid floating point value"_s.arg(text));
        return false;
    }
    if (v < 0 || v > 2) {
        field->setText(m_validMargins[i]);
        showError(u"Value must be between 0 and 2"_s);
        return false;
    }
    m_validMargins[i] = text;
    CalculateSpace();
    return true;
}

void TPrintBox::applyOrientation(ReportOrientation orientation)
{
    m_def.orientation = orientation;
    m_ctx.printer.setOrientation(orientation == ReportOrientation::Landscape
            ? QPageLayout::Landscape
            : QPageLayout::Portrait);
    m_portrait->setChecked(orientation == ReportOrientation::Portrait);
    m_landscape->setChecked(orientation == ReportOrientation::Landscape);
    CalculateSpace();
}

void TPrintBox::PortraitClick()
{
    applyOrientation(ReportOrientation::Portrait);
}

void TPrintBox::LandscapeClick()
{
    applyOrientation(ReportOrientation::Landscape);
}

PageGeometry TPrintBox::geometry() const
{
    const int dpi = m_ctx.printer.resolution();
    // Without a printer only sending composes (the preview refuses first); a letter page then
    // decides where the ten-page limit falls.
    if (m_ctx.printer.pageSize().isEmpty() || dpi <= 0)
        return PageGeometry::fromInches(8.5, 11);
    return { m_ctx.printer.pageSize(), dpi, dpi };
}

void TPrintBox::CalculateSpace()
{
    const QSize s = ReportLayout::printableSize(definition(), geometry());
    m_printableWidth = s.width();
    m_printableHeight = s.height();
}

// --- Toolbar
// ---------------------------------------------------------------------------------------

void TPrintBox::LoadClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions o;
    o.title = u"Load a Report Format"_s;
    o.filter = reportFilter;
    o.filterIndex = 1;
    QString path;
    {
        OwnModal guard(m_ownModal);
        path = m_ctx.dialogs.openFileName(o);
    }
    if (path.isEmpty())
        return;
    ReportDefinition d = definition();
    const ReportOrientation before = d.orientation;
    d.orientation = ReportOrientation::NotChosen;
    const ReportFormat::Result r = ReportFormat::load(path, d);
    if (r.outcome == ReportFormat::Outcome::CannotOpen) {
        showError(r.message);
        return;
    }
    const ReportOrientation read = d.orientation;
    d.orientation = before;
    setDefinition(d); // what was read before a fault stays
    CalculateSpace();
    if (d.sections.isEmpty())
        DoColumns(); // a bar without sections would give the report no columns
    if (!r.ok()) {
        showError(r.message);
        return;
    }
    if (read != ReportOrientation::NotChosen)
        applyOrientation(read);
    CalculateSpace();
    showInformation(u"Report format loaded"_s);
    EnableScreen();
    update();
}

void TPrintBox::SaveReportBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions o;
    o.title = u"Save Report Format"_s;
    o.filter = u"Report File|*.rpt|Comma Delimited File|*.txt"_s;
    o.defaultSuffix = u"rpt"_s;
    QString path;
    for (;;) {
        {
            OwnModal guard(m_ownModal);
            path = m_ctx.dialogs.saveFileName(o);
        }
        if (path.isEmpty())
            return;
        if (!QFileInfo::exists(path))
            break;
        OwnModal guard(m_ownModal);
        if (m_ctx.dialogs.askYesNo(path + u" already exists.  Do you want to overwrite it ?"_s)
            == Dialogs::Answer::Yes)
            break;
    }
    const ReportFormat::Result r = ReportFormat::save(path, definition());
    if (!r.ok()) {
        showError(r.message);
        return;
    }
    showInformation(u"Report format saved"_s);
}

void TPrintBox::SetModeBtnClick()
{
    m_searchListOnly = !m_searchListOnly;
    updateCaption();
}

void TPrintBox::setAllRecords()
{
    m_searchListOnly = false;
    updateCaption();
}

void TPrintBox::ImportFileBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FileDialogOptions o;
    o.title = u"Import Comma Delimated File"_s;
    o.filter = reportFilter;
    QString path;
    {
        OwnModal guard(m_ownModal);
        path = m_ctx.dialogs.openFileName(o);
    }
    if (path.isEmpty())
        return;
    QList<int> codes;
    for (const ReportItem &item : m_def.items)
        codes.append(item.code);
    const bool wasOpen = m_ctx.store.databaseOpen;
    const int first = m_ctx.store.count();
    const CsvFile::ImportResult r
        = CsvFile::importFile(path, m_ctx.store, codes, m_ctx.clock.today());
    // The imported records are one step, which Undo takes out again.
    if (!wasOpen)
        m_ctx.history->clear();
    else if (m_ctx.store.count() > first)
        m_ctx.history->pushDone(InsertRecordsCommand::appended(m_ctx.store, first, u"Import"_s));
    if (!r.ok) {
        showError(r.message);
    } else {
        m_ctx.windows.recordsChanged(r.added);
        showInformation(u"File Imported"_s);
    }
    if (m_ctx.store.databaseOpen)
        EnableScreen();
}

bool TPrintBox::shortDescriptions() const
{
    if (auto *view = qobject_cast<TView *>(m_ctx.windows.existing(WindowKind::Record)))
        return view->shortDescriptionValues();
    return false;
}

ReportLayout::Result TPrintBox::compose()
{
    CalculateSpace();
    ReportLayout::Options o;
    o.today = m_ctx.clock.today();
    o.pageLimit = true;
    o.shortDescriptions = shortDescriptions();
    o.searchListOnly = m_searchListOnly;
    ReportLayout::Result r = ReportLayout::compose(m_ctx.store, definition(), geometry(), o);
    m_exportTable = r.table;
    return r;
}

void TPrintBox::ppreviewClick()
{
    if (m_ctx.printer.pageSize().isEmpty() || m_ctx.printer.resolution() <= 0) {
        showError(u"There is no default printer currently selected"_s);
        return;
    }
    ReportLayout::Result r = compose();
    if (r.limitHit)
        showInformation(ReportLayout::tooMuchDataWarning(r.recordsComposed));
    r.pages->pageSpinEnabled = r.pages->PageCount() != 1;
    OwnModal guard(m_ownModal);
    TZephPreview preview(*r.pages, m_ctx.printer, m_ctx.dialogs, m_exportTable, this);
    preview.prepare();
    runPreview(preview);
}

void TPrintBox::EmailReportBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    if (!TExportInternet::networkAvailable(m_ctx.dialogs))
        return;
    const ReportLayout::Result r = compose();
    if (r.limitHit)
        showInformation(ReportLayout::tooMuchDataWarning(r.recordsComposed));
    OwnModal guard(m_ownModal);
    TExportInternet window(
        m_ctx, m_exportTable, r.recordsComposed, definition().showItemNumbers, this);
    runSendWindow(window);
}
