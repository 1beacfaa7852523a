// The search window: reads its controls into criteria, runs the search and the search-list
// commands, and shows their outcomes.
#include "search/tsearch.h"

#include <algorithm>
#include <limits>

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/formprint.h"
#include "app/sharedtoolbar.h"
#include "app/windowregistry.h"
#include "platform/dialogs.h"
#include "recordwindow/maskedit.h"
#include "search/searchlist.h"
#include "search/searchpages.h"
#include "spreadsheet/tsnapshot.h"

namespace {

QCheckBox *checkBox(const QString &name, const QString &text, bool checked, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TSearch::TSearch(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(QStringLiteral("Search"));
    setWindowTitle(QStringLiteral("Search"));
    buildToolbar();
    buildControls();

    // FormCreate: first page shown, every description criterion "ANY".
    m_book->setCurrentIndex(0);
    for (int k = 1; k <= 10; ++k)
        m_descPage->boxes[size_t(k)]->setText(SearchText::any());

    // A fixed-size dialog-like window, centred on the screen.
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    adjustSize();
    setFixedSize(size());
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    m_ctx.activation.registerWindow(this, this);
}

TSearch::~TSearch()
{
    m_ctx.activation.unregisterWindow(this);
}

void TSearch::buildToolbar()
{
    m_toolbar = new SharedToolbar(this, m_ctx.windows);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    using A = SharedToolbar::Action;
    SharedToolbar *t = m_toolbar;
    t->add(A::Print, QStringLiteral("PrintScreenBtn"), QStringLiteral("Print screenshot"));
    t->add(A::Album, QStringLiteral("AlbumBtn"), QStringLiteral("Display Album View"));
    t->add(A::Graph, QStringLiteral("GraphBtn"), QStringLiteral("Generate Graph"));
    t->add(A::Spreadsheet, QStringLiteral("SpeedButton1"), QStringLiteral("View spreadsheet"));
    t->add(A::Report, QStringLiteral("ReportBtn"), QStringLiteral("Generate Report"));
    t->add(A::Record, QStringLiteral("ViewBtn"), QStringLiteral("View Record"));
    t->add(A::QuickSave, QStringLiteral("QuickSaveBtn"), QStringLiteral("Save Database"));
    t->add(A::Help, QStringLiteral("HelpBtn"), QStringLiteral("Display help"));
    t->add(A::Close, QStringLiteral("CloseBtn"), QStringLiteral("Close the Search window"));
    t->setHelpTopic(QStringLiteral("Search Function"));
    t->setHelpContext(2000);
    t->setPrintHandler([this] { PrintScreenBtnClick(); });
}

void TSearch::buildControls()
{
    auto *central = new QWidget(this);
    auto *h = new QHBoxLayout(central);
    h->setContentsMargins(8, 6, 8, 8);
    h->setSpacing(10);
    h->addWidget(buildLeftPanel());

    m_book = new QTabWidget(central);
    m_book->setObjectName(QStringLiteral("SearchBook"));
    m_descPage = new DescriptionCriteriaPage(m_book);
    m_detailPage = new DetailCriteriaPage(m_book);
    m_notesPage = new NotesCriteriaPage(m_book);
    m_book->addTab(m_descPage, QStringLiteral("Description"));
    m_book->addTab(m_detailPage, QStringLiteral("Detail"));
    m_book->addTab(m_notesPage, QStringLiteral("Notes"));
    m_book->setMinimumWidth(440);
    h->addWidget(m_book, 1);
    setCentralWidget(central);

    for (int k = 1; k <= 10; ++k) {
        auto *menu = new CriteriaMenu(k, this);
        menu->setObjectName(QStringLiteral("SearchMenu%1").arg(k));
        menu->CreateMenu(QStringView());
        connect(menu, &CriteriaMenu::chosen, this, &TSearch::DescClick);
        m_menus[size_t(k)] = menu;
    }
    connect(m_descPage, &DescriptionCriteriaPage::menuButtonClicked, this, &TSearch::BitBtnClick);
    connect(m_detailPage, &DetailCriteriaPage::keyPressed, m_detailBox,
        [this] { m_detailBox->setChecked(true); });
    connect(m_notesPage, &NotesCriteriaPage::keyPressed, m_noteBox,
        [this] { m_noteBox->setChecked(true); });
}

QWidget *TSearch::buildLeftPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("LeftPanel"));
    auto *v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(6);

    auto *groups = new QGroupBox(QStringLiteral("Search In"), panel);
    auto *gv = new QVBoxLayout(groups);
    m_descriptionBox
        = checkBox(QStringLiteral("DescriptionBox"), QStringLiteral("Description"), false, groups);
    m_detailBox = checkBox(QStringLiteral("DetailBox"), QStringLiteral("Detail"), false, groups);
    m_noteBox = checkBox(QStringLiteral("NoteBox"), QStringLiteral("Notes"), false, groups);
    gv->addWidget(m_descriptionBox);
    gv->addWidget(m_detailBox);
    gv->addWidget(m_noteBox);
    v->addWidget(groups);

    // The flag filter: which flagged records a run may add. Captions come from the record window.
    auto *flags = new QGroupBox(QStringLiteral("Status"), panel);
    auto *fv = new QVBoxLayout(flags);
    const QString flagNames[]
        = { QStringLiteral("BoxOne"), QStringLiteral("BoxTwo"), QStringLiteral("BoxThree") };
    const QString flagTexts[]
        = { QStringLiteral("Wanted"), QStringLiteral("For Trade"), QStringLiteral("For Sale") };
    for (int i = 0; i < 3; ++i) {
        m_flagBoxes[size_t(i)] = checkBox(flagNames[i], flagTexts[i], true, flags);
        fv->addWidget(m_flagBoxes[size_t(i)]);
    }
    v->addWidget(flags);

    m_clear = button(QStringLiteral("Clear"), QStringLiteral("Clear"), panel);
    m_extract = button(QStringLiteral("Extract"), QStringLiteral("Extract"), panel);
    m_extract->setToolTip(QStringLiteral("Save or Delete Searched Records "));
    m_extract->setEnabled(false);
    m_doSearch = button(QStringLiteral("DoSearch"), QStringLiteral("Search"), panel);
    v->addWidget(m_clear);
    v->addWidget(m_extract);
    v->addWidget(m_doSearch);

    m_extractType = new QMenu(this);
    m_extractType->setObjectName(QStringLiteral("ExtractType"));
    QAction *remove = m_extractType->addAction(QStringLiteral("Remove From Database"));
    remove->setObjectName(QStringLiteral("Remove1"));
    QAction *extract = m_extractType->addAction(QStringLiteral("Extract To File"));
    extract->setObjectName(QStringLiteral("Extract1"));
    connect(remove, &QAction::triggered, this, &TSearch::Remove1Click);
    connect(extract, &QAction::triggered, this, &TSearch::Extract1Click);
    connect(m_clear, &QPushButton::clicked, this, &TSearch::ClearClick);
    connect(m_extract, &QPushButton::clicked, this, &TSearch::ExtractClick);
    connect(m_doSearch, &QPushButton::clicked, this, &TSearch::DoSearchClick);

    m_progress = new QProgressBar(panel);
    m_progress->setObjectName(QStringLiteral("SearchProgress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(14);
    v->addWidget(m_progress);

    auto *range = new QGroupBox(QStringLiteral("Add Record Range:"), panel);
    auto *rg = new QGridLayout(range);
    m_lowRange = new QSpinBox(range);
    m_lowRange->setObjectName(QStringLiteral("LowRange"));
    m_lowRange->setRange(1, std::numeric_limits<int>::max());
    m_highRange = new QSpinBox(range);
    m_highRange->setObjectName(QStringLiteral("HighRange"));
    m_highRange->setRange(1, 1);
    for (QSpinBox *box : { m_lowRange, m_highRange }) {
        box->setValue(1);
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 24);
    }
    auto *to = new QLabel(QStringLiteral("To"), range);
    to->setAlignment(Qt::AlignCenter);
    auto *addRange = button(QStringLiteral("AddRangeBtn"), QStringLiteral("Add"), range);
    connect(addRange, &QPushButton::clicked, this, &TSearch::AddRangeBtnClick);
    rg->addWidget(m_lowRange, 0, 0);
    rg->addWidget(to, 0, 1);
    rg->addWidget(m_highRange, 0, 2);
    rg->addWidget(addRange, 1, 0, 1, 3);
    v->addWidget(range);

    // The outcome of a run for the spreadsheet's status line; not shown here.
    m_status = new QLineEdit(panel);
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setReadOnly(true);
    m_status->setVisible(false);
    v->addStretch(1);
    return panel;
}

void TSearch::FormActivate()
{
    m_toolbar->refreshAvailability();
    applyCaptions();
    applyMasks();
    m_highRange->setMaximum(std::max(1, m_ctx.store.count()));
    RecordStore &store = m_ctx.store;
    if (store.searchRefresh) {
        rebuildMenus();
        m_extract->setEnabled(SearchList::count(store) > 0);
        store.searchRefresh = false;
    }
    m_progress->setValue(0);
}

void TSearch::FormDeactivate() { }

void TSearch::applyCaptions()
{
    const RecordStore &store = m_ctx.store;
    QWidget *record = m_ctx.windows.existing(WindowKind::Record);
    const auto recordText = [record](const QString &name, const QString &fallback) {
        if (record) {
            if (auto *box = record->findChild<QCheckBox *>(name))
                return box->text();
            if (auto *label = record->findChild<QLabel *>(name))
                return label->text();
        }
        return fallback;
    };
    // The record window's memo labels are known by the memo they caption.
    const auto memoCaption = [record](const QString &memo, const QString &fallback) {
        if (record) {
            const QList<QLabel *> labels = record->findChildren<QLabel *>();
            for (const QLabel *label : labels) {
                if (label->buddy() && label->buddy()->objectName() == memo)
                    return label->text();
            }
        }
        return fallback;
    };

    m_flagBoxes[0]->setText(recordText(QStringLiteral("CheckBox1"), QStringLiteral("Wanted")));
    m_flagBoxes[1]->setText(recordText(QStringLiteral("CheckBox2"), QStringLiteral("For Trade")));
    m_flagBoxes[2]->setText(recordText(QStringLiteral("CheckBox3"), QStringLiteral("For Sale")));
    for (int k = 1; k <= 10; ++k)
        m_descPage->labels[size_t(k)]->setText(store.captions.description[size_t(k)]);
    m_detailPage->nameLabel->setText(recordText(QStringLiteral("Label6"), QStringLiteral("Name")));
    for (int d = 0; d < 10; ++d)
        m_detailPage->labels[size_t(d)]->setText(store.captions.detail[size_t(d)]);
    m_notesPage->labels[0]->setText(
        memoCaption(QStringLiteral("Memo1"), QStringLiteral("Keywords")));
    m_notesPage->labels[1]->setText(
        memoCaption(QStringLiteral("Memo2"), QStringLiteral("History")));
    m_notesPage->labels[2]->setText(memoCaption(QStringLiteral("Memo3"), QStringLiteral("Notes")));
}

void TSearch::applyMasks()
{
    // The record window's boxes say which masks are in force; without it the boxes keep theirs.
    QWidget *record = m_ctx.windows.existing(WindowKind::Record);
    if (!record)
        return;
    for (int d = 0; d < 10; ++d) {
        if (auto *box = record->findChild<MaskEdit *>(QStringLiteral("Detail%1").arg(d)))
            m_detailPage->applyMask(d, box->editMask());
    }
}

void TSearch::rebuildMenus()
{
    for (int k = 1; k <= 10; ++k)
        m_menus[size_t(k)]->CreateMenu(m_ctx.store.categoryTree(k));
}

void TSearch::BitBtnClick(int k)
{
    const QToolButton *btn = m_descPage->buttons[size_t(k)];
    m_menus[size_t(k)]->popup(btn->mapToGlobal(QPoint(0, 0)));
}

void TSearch::DescClick(int k, const QString &fullName)
{
    m_descriptionBox->setChecked(true);
    m_descPage->boxes[size_t(k)]->setText(fullName);
}

SearchCriteria TSearch::criteria() const
{
    SearchCriteria c;
    c.descriptionGroup = m_descriptionBox->isChecked();
    c.detailGroup = m_detailBox->isChecked();
    c.notesGroup = m_noteBox->isChecked();
    for (int k = 1; k <= 10; ++k)
        c.descriptions[size_t(k)] = m_descPage->boxes[size_t(k)]->text();
    c.name = { m_detailPage->nameLow->storedText(), m_detailPage->nameHigh->storedText() };
    for (int d = 0; d < 10; ++d) {
        c.details[size_t(d)] = { m_detailPage->lows[size_t(d)]->storedText(),
            m_detailPage->highs[size_t(d)]->storedText() };
    }
    for (int i = 0; i < 3; ++i)
        c.notes[size_t(i)] = m_notesPage->boxes[size_t(i)]->text();
    c.wantedBox = m_flagBoxes[0]->isChecked();
    c.forTradeBox = m_flagBoxes[1]->isChecked();
    c.forSaleBox = m_flagBoxes[2]->isChecked();
    return c;
}

void TSearch::DoSearchClick()
{
    // The Find box and the search window never disagree: a search here clears the box.
    m_ctx.store.findText.clear();
    const SearchRunResult result = runSearch(m_ctx.store, criteria(), [this](int percent) {
        m_progress->setValue(percent);
        m_progress->repaint(); // a long run shows its progress without an event loop
    });
    m_status->setText(result.outcome);
    if (result.newCount >= 1)
        m_extract->setEnabled(true);
    // The spreadsheet lists the search list and shows the outcome in its status line.
    if (auto *sheet = qobject_cast<TSnapShot *>(m_ctx.windows.existing(WindowKind::Spreadsheet)))
        sheet->showSearchOutcome(result.outcome);
    else
        m_ctx.windows.showWindow(WindowKind::Spreadsheet);
}

void TSearch::ClearClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    SearchList::clear(m_ctx.store);
    m_extract->setEnabled(false);
    m_progress->setValue(0);
    m_ctx.dialogs.information(SearchList::clearedMessage());
}

void TSearch::ExtractClick()
{
    m_extractType->popup(m_extract->mapToGlobal(QPoint(0, m_extract->height())));
}

void TSearch::Extract1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const RecordStore &store = m_ctx.store;
    if (SearchList::count(store) == 0)
        return;
    FileDialogOptions options;
    options.title = SearchList::extractDialogTitle();
    options.filter = SearchList::extractFilter();
    options.defaultSuffix = SearchList::extractDefaultSuffix();
    if (!store.fileName.isEmpty())
        options.folder = QFileInfo(store.fileName).absolutePath();
    QString path;
    for (;;) {
        path = m_ctx.dialogs.saveFileName(options);
        if (path.isEmpty())
            return;
        if (!QFileInfo(path).fileName().contains(u'.'))
            path += u'.' + SearchList::extractDefaultSuffix();
        if (!QFile::exists(path))
            break;
        if (m_ctx.dialogs.askYesNo(SearchList::overwriteQuestion(path)) == Dialogs::Answer::Yes)
            break;
    }
    const SearchList::ExtractResult result = SearchList::extractToFile(path, store);
    if (result.outcome == SearchList::ExtractOutcome::Written)
        m_ctx.dialogs.information(result.message);
    else if (result.outcome == SearchList::ExtractOutcome::Failed)
        m_ctx.dialogs.error(result.message);
}

void TSearch::Remove1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    if (m_ctx.dialogs.askYesNo(SearchList::removeQuestion()) != Dialogs::Answer::Yes)
        return;
    const int before = m_ctx.store.count();
    const SearchList::RemoveResult result
        = SearchList::removeFromDatabase(m_ctx.store, m_ctx.history.get());
    m_ctx.windows.recordsChanged(before - m_ctx.store.count());
    m_lowRange->setValue(1);
    m_highRange->setValue(1);
    m_highRange->setMaximum(std::max(1, m_ctx.store.count()));
    m_ctx.dialogs.information(result.message);
}

void TSearch::AddRangeBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    const int low = m_lowRange->value();
    const int high = m_highRange->value();
    SearchList::addRange(m_ctx.store, low, high);
    m_extract->setEnabled(true);
    m_ctx.dialogs.information(SearchList::rangeAddedMessage(low, high));
}

void TSearch::PrintScreenBtnClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FormPrint(this, m_ctx.printer);
}
