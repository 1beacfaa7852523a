// The record window: construction, showing and storing records, and the record commands.
#include "recordwindow/tview.h"

#include <algorithm>
#include <limits>

#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/formprint.h"
#include "app/quickfindbox.h"
#include "app/sharedtoolbar.h"
#include "app/undoactions.h"
#include "app/windowregistry.h"
#include "platform/windowsize.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "recordwindow/descriptionpage.h"
#include "recordwindow/descriptionvalue.h"
#include "recordwindow/detailpage.h"
#include "recordwindow/internetpage.h"
#include "recordwindow/maskedit.h"
#include "recordwindow/memolines.h"
#include "recordwindow/relatedpage.h"
#include "recordwindow/picturepage.h"
#include "recordwindow/recoverykeeper.h"
#include "recordwindow/utilities.h"
#include "store/valuestream.h"
#include "store/editcommands.h"

TView::TView(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(QStringLiteral("View"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildPages();
    buildMenus();
    buildToolbar();
    // From the start, so that outcomes and a hovered link's address have a place to show.
    statusBar();
    buildPickMenus();
    refreshWindowCommands();
    connect(m_ctx.history.get(), &EditHistory::applied, this, [this] { showStep(); });
    connect(m_picturePage, &PicturePage::pictureFileChanged, this,
        [this](const RecordPtr &record, int slot, const QString &path) {
            editRecord(
                record, [&](ItemRecord &r) { r.setPictureFile(slot, path); },
                path.isEmpty() ? QStringLiteral("Clear Image File")
                               : QStringLiteral("Choose Image File"),
                KeepBoxes);
        });
    connect(m_picturePage, &PicturePage::pictureTitleChanged, this,
        [this](const RecordPtr &record, int slot, const QString &title) {
            editRecord(
                record, [&](ItemRecord &r) { r.setPictureTitle(slot, title); },
                QStringLiteral("Typing in Image Title"), JoinTyping);
        });

    // Creation: size from the settings, first page, no database yet, default captions. Until the
    // user has sizes of their own, the window is as large as its Description page needs at the
    // desktop's font, and no smaller than the classic 634 by 482.
    const QString widthKey = QStringLiteral("ViewW:"), heightKey = QStringLiteral("ViewH:");
    constexpr int absent = std::numeric_limits<int>::min();
    if (m_ctx.settings.readInteger(widthKey, absent) == absent
        && m_ctx.settings.readInteger(heightKey, absent) == absent)
        resize(sizeHint().expandedTo(QSize(634, 482)).boundedTo(screen()->availableSize()));
    else
        WindowSize::restore(this, m_ctx.settings, widthKey, heightKey, QSize(634, 482));
    m_book->setCurrentIndex(0);
    m_ctx.store.databaseOpen = false;
    m_mergeMode = false;
    m_ctx.store.scope = RecordScope::AllRecords;
    resetCaptionsAndCategories();
    // The labels show the default captions already while the start-up question is up.
    applyCaptions();
    setDeleteEnabled(false);
    setInsertEnabled(false);
    setSaveEnabled(false);
    setWindowTitle(QStringLiteral("Untitled"));
    m_recovery = new RecoveryKeeper([this] { return recoverySnapshot(); },
        [this] { return m_ctx.store.fileName; }, Recovery::defaultFolder(), this);
    m_recovery->setIntervalSeconds(m_ctx.settings.readInteger(
        QStringLiteral("RECOVERY INTERVAL"), RecoveryKeeper::DefaultIntervalSeconds));
    connect(m_recovery, &RecoveryKeeper::unsavedChanged, this, [this] { updateTitle(); });
    connect(m_recovery, &RecoveryKeeper::writeFailed, this, [this](const QString &message) {
        m_ctx.dialogs.status(
            this, QStringLiteral("Unsaved changes could not be kept for recovery: ") + message);
    });
    m_ctx.windows.setChangeNotices(
        [this](int count) { recordsChanged(count); }, [this] { m_recovery->markSaved(); });
    m_ctx.activation.registerWindow(this, this);
    m_ctx.windows.setEditCommitter(this, [this] { storeCurrent(); });
    // Ctrl+C is Copy Record unless the focused box has text selected (see eventFilter).
    qApp->installEventFilter(this);
}

bool TView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()) {
        auto *key = static_cast<QKeyEvent *>(event);
        auto *w = static_cast<QWidget *>(watched);
        if (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_C)
            && w->window() == this) {
            bool selected = false;
            if (auto *line = qobject_cast<QLineEdit *>(w))
                selected = line->hasSelectedText();
            else if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
                selected = memo->textCursor().hasSelection();
            else if (auto *rich = qobject_cast<QTextEdit *>(w))
                selected = rich->textCursor().hasSelection();
            // Without a selection the box does not claim the key, so the shortcut runs.
            if (!selected) {
                key->ignore();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

TView::~TView()
{
    m_ctx.windows.setSaveAs({});
    m_ctx.windows.setSave({});
    m_ctx.windows.setEditCommitter(this, {});
    m_ctx.activation.unregisterWindow(this);
}

void TView::buildPages()
{
    auto *central = new QWidget(this);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(6, 4, 6, 6);
    v->setSpacing(4);

    // The record row: number, stepping, name and the search-list box.
    auto *row = new QWidget(central);
    row->setObjectName(QStringLiteral("RecordRow"));
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    auto *numberLabel = new QLabel(QStringLiteral("Record "), row);
    numberLabel->setObjectName(QStringLiteral("Label12"));
    m_number = new QLineEdit(row);
    m_number->setObjectName(QStringLiteral("number"));
    m_number->setToolTip(QStringLiteral("Enter the record you want to go to here "));
    m_number->setFixedWidth(m_number->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_number->setAlignment(Qt::AlignRight);
    numberLabel->setBuddy(m_number);
    connect(m_number, &QLineEdit::returnPressed, this, &TView::numberKeyPress);
    m_nameLabel = new QLabel(QStringLiteral("Name"), row);
    m_nameLabel->setObjectName(QStringLiteral("Label6"));
    m_name = new QLineEdit(row);
    m_name->setObjectName(QStringLiteral("RecordName"));
    m_name->setMaxLength(ValueStream::LongestText);
    m_nameLabel->setBuddy(m_name);
    m_searchListBox = new QCheckBox(QStringLiteral("On Search List"), row);
    m_searchListBox->setObjectName(QStringLiteral("SearchListBox"));
    h->addWidget(numberLabel);
    h->addWidget(m_number);
    h->addSpacing(8);
    h->addWidget(m_nameLabel);
    h->addWidget(m_name, 1);
    h->addSpacing(8);
    h->addWidget(m_searchListBox);
    v->addWidget(row);

    m_book = new QTabWidget(central);
    m_book->setObjectName(QStringLiteral("RecordBook"));
    m_descPage = new DescriptionPage(m_book);
    m_detailPage = new DetailPage(m_book);
    m_book->addTab(m_descPage, QStringLiteral("Description"));
    m_book->addTab(m_detailPage, QStringLiteral("Detail"));
    m_picturePage = new PicturePage(m_ctx.dialogs, m_book);
    m_book->addTab(m_picturePage, QStringLiteral("Images"));
    m_relatedPage = new RelatedPage(m_ctx, *this, m_book);
    m_book->addTab(m_relatedPage, QStringLiteral("Related Records"));
    m_internetPage = new InternetPage(m_ctx, *this, m_book);
    m_book->addTab(m_internetPage, QStringLiteral("Internet Search"));
    v->addWidget(m_book, 1);
    setCentralWidget(central);

    connect(m_descPage, &DescriptionPage::captionClicked, this,
        [this](CaptionLabel *label) { CustomizeLabels(label); });
    connect(m_searchListBox, &QCheckBox::clicked, this, &TView::SearchListBoxClick);
    connect(m_detailPage->printButton, &QPushButton::clicked, this, &TView::PrintDetailClick);
}

void TView::buildToolbar()
{
    m_toolbar = new SharedToolbar(this, m_ctx.windows);
    m_ctx.windows.setSaveAs([this] { return SaveAsClick(); });
    m_ctx.windows.setSave([this](QWidget *window) { return saveOpenFile(window); });
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    using A = SharedToolbar::Action;
    SharedToolbar *t = m_toolbar;
    connect(t->addCustom(ToolIcon::Previous, QStringLiteral("Previous"), QStringLiteral("Previous Record in Database")),
        &QToolButton::clicked, this, &TView::PreviousClick);
    connect(t->addCustom(ToolIcon::Next, QStringLiteral("next"), QStringLiteral("Next Record in Database")),
        &QToolButton::clicked, this, &TView::nextClick);
    t->addSeparator();
    connect(t->addCustom(ToolIcon::NewRecord, QStringLiteral("NewRecordBtn"), QStringLiteral("Add New Record")),
        &QToolButton::clicked, this, &TView::NewRecordClick);
    connect(t->addCustom(ToolIcon::CopyRecord, QStringLiteral("CopyRecordBtn"), QStringLiteral("Copy Record")),
        &QToolButton::clicked, this, &TView::CopyRecordClick);
    m_deleteBtn = t->addCustom(ToolIcon::DeleteRecord, QStringLiteral("DeleteRecordBtn"), QStringLiteral("Delete Record"));
    connect(m_deleteBtn, &QToolButton::clicked, this, &TView::CutClick);
    m_insertBtn = t->addCustom(ToolIcon::InsertRecord, QStringLiteral("InsertRecordBtn"), QStringLiteral("Insert Record"));
    connect(m_insertBtn, &QToolButton::clicked, this, &TView::InsertRecordClick);
    t->addSeparator();
    connect(t->addCustom(ToolIcon::PreviousSearch, QStringLiteral("PreviousSearch"),
                QStringLiteral("Previous Record On Search List")),
        &QToolButton::clicked, this, &TView::PreviousSearchClick);
    connect(t->addCustom(ToolIcon::NextSearch, QStringLiteral("NextSearch"), QStringLiteral("Next Record on Search List")),
        &QToolButton::clicked, this, &TView::NextSearchClick);
    m_sortBtn = t->addCustom(ToolIcon::Sort, QStringLiteral("SortRecordBtn"), QStringLiteral("Sort Records"));
    connect(m_sortBtn, &QToolButton::clicked, this, &TView::SortRecordBtnClick);
    t->addSeparator();
    m_printBtn = t->add(A::Print, QStringLiteral("PrintScreenBtn"), QStringLiteral("Print a screenshot"));
    t->add(A::Search, QStringLiteral("SearchBtn"), QStringLiteral("Perform Search"));
    t->add(A::Album, QStringLiteral("AlbumBtn"), QStringLiteral("Generate Album View"));
    t->add(A::Graph, QStringLiteral("GraphBtn"), QStringLiteral("Generate Graph"));
    t->add(A::Spreadsheet, QStringLiteral("SpreadSheetBtn"), QStringLiteral("Generate Spreadsheet"));
    t->add(A::Report, QStringLiteral("ReportBtn"), QStringLiteral("Generate Report"));
    m_quickSaveBtn = t->add(A::QuickSave, QStringLiteral("QuickSaveBtn"), QStringLiteral("Save Database"));
    t->add(A::Help, QStringLiteral("HelpBtn"), QStringLiteral("Display Help"));
    t->add(A::Close, QStringLiteral("CloseBtn"), QStringLiteral("Exit the Program"));
    t->setQuickSaveHandler([this] { SaveClick(); });
    t->setCloseHandler([this] { CloseClick(); });
    t->setPrintHandler([this] { QuickPrintClick(); });
    t->setHelpContext(1000);
    t->addSeparator();
    m_findBox = new QuickFindBox(m_ctx.store, this);
    t->addWidget(m_findBox);
    connect(m_findBox, &QuickFindBox::findChanged, this, &TView::QuickFindChange);
    // Enter made the matches the search list: the shown record's tick follows it, and the
    // window says what the list now holds.
    connect(m_findBox, &QuickFindBox::findAccepted, this, [this] {
        const RecordStore &store = m_ctx.store;
        if (store.currentIndex >= 0 && store.currentIndex < store.count())
            m_searchListBox->setChecked(store.at(store.currentIndex).OnSearchList);
        const int listed = store.searchListCount();
        m_ctx.dialogs.status(this,
            listed == 1 ? QStringLiteral("1 record is on the search list.")
                        : QStringLiteral("%1 records are on the search list.").arg(listed));
    });
}

void TView::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    auto add = [this](QMenu *menu, const QString &name, const QString &text, auto slot,
                   const QKeySequence &key = {}) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    // Ctrl+N belongs to New Record, so New has only its mnemonic.
    add(file, QStringLiteral("New1"), QStringLiteral("&New"), [this] { NewClick(); });
    add(
        file, QStringLiteral("Open1"), QStringLiteral("&Open"), [this] { OpenClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_O));
    m_saveAction = add(
        file, QStringLiteral("Save1"), QStringLiteral("&Save"), [this] { SaveClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_S));
    // Save As also runs for another window's quick save, over that window.
    add(file, QStringLiteral("SaveAs1"), QStringLiteral("Save &As"), [this] {
        const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
        SaveAsClick();
    });
    add(file, QStringLiteral("Export1"), QStringLiteral("&Export"), [this] { ExportClick(); });
    add(file, QStringLiteral("ImportExported1"), QStringLiteral("&Import Exported File..."),
        [this] { ImportExportedClick(); });
    add(file, QStringLiteral("ImportSpreadsheet1"), QStringLiteral("Import S&preadsheet..."),
        [this] { ImportSpreadsheetClick(); });
    m_mergeAction
        = add(file, QStringLiteral("Merge1"), QStringLiteral("&Merge"), [this] { MergeClick(); });
    m_mergeAction->setEnabled(false);
    add(file, QStringLiteral("OpenEarlierVersion1"), QStringLiteral("Open Earlier &Version..."),
        [this] { OpenEarlierVersionClick(); });
    file->addSeparator();
    add(
        file, QStringLiteral("Close1"), QStringLiteral("&Close"), [this] { CloseClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    m_undoActions = new UndoActions(*m_ctx.history, this);
    m_undoActions->beforeStep = [this] { storeCurrent(); };
    m_undoActions->addTo(edit);
    edit->addSeparator();
    add(edit, QStringLiteral("NewRecord"), QStringLiteral("New Record"), [this] { NewRecordClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_N));
    add(edit, QStringLiteral("CopyRecord1"), QStringLiteral("Copy Record"), [this] { CopyRecordClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_C));
    m_deleteAction = add(edit, QStringLiteral("Cut"), QStringLiteral("Delete Record"), [this] { CutClick(); },
        QKeySequence(Qt::CTRL | Qt::Key_D));
    m_insertAction = add(edit, QStringLiteral("InsertRecord"), QStringLiteral("Insert Record"),
        [this] { InsertRecordClick(); }, QKeySequence(Qt::CTRL | Qt::Key_I));
    edit->addSeparator();
    add(edit, QStringLiteral("PrintForm1"), QStringLiteral("Print Form"), [this] { QuickPrintClick(); });
    buildSortMenus(edit);

    QMenu *report = bar->addMenu(QStringLiteral("&Report and View"));
    report->setObjectName(QStringLiteral("ReportandView1"));
    m_shortDescAction = add(report, QStringLiteral("ShortDescriptionValues1"),
        QStringLiteral("Short Description Values"), [this] {
            // The handler inverts the tick itself, so undo the automatic toggle first.
            m_shortDescAction->setChecked(!m_shortDescAction->isChecked());
            ShortDescriptionValues1Click();
        });
    m_shortDescAction->setCheckable(true);
    report->addSeparator();
    using A = SharedToolbar::Action;
    auto addView = [&](const QString &name, const QString &text, WindowKind kind, auto slot) {
        QAction *a = add(report, name, text, slot);
        m_viewActions.emplace_back(a, kind);
    };
    addView(QStringLiteral("SearchRecords1"), QStringLiteral("Search Records"), WindowKind::Search,
        [this] { m_toolbar->trigger(A::Search); });
    addView(QStringLiteral("AlbumView1"), QStringLiteral("Album View"), WindowKind::Album,
        [this] { m_toolbar->trigger(A::Album); });
    addView(QStringLiteral("GraphView1"), QStringLiteral("Graph View"), WindowKind::Graph,
        [this] { m_toolbar->trigger(A::Graph); });
    addView(QStringLiteral("SpreadsheetView1"), QStringLiteral("Spreadsheet View"), WindowKind::Spreadsheet,
        [this] { m_toolbar->trigger(A::Spreadsheet); });
    addView(QStringLiteral("GenerateHTMLReport1"), QStringLiteral("Generate HTML Report"), WindowKind::HtmlReport,
        [this] { m_ctx.windows.openWindow(WindowKind::HtmlReport); });
    addView(QStringLiteral("GenerateRegularReport1"), QStringLiteral("Generate Regular Report"),
        WindowKind::ReportDesigner, [this] { m_ctx.windows.openWindowAllRecords(WindowKind::ReportDesigner); });
    addView(QStringLiteral("InsurancePack1"), QStringLiteral("Insurance Pack..."), WindowKind::InsurancePack,
        [this] { m_ctx.windows.openWindow(WindowKind::InsurancePack); });
    // Reorder so the option comes last, after the windows.
    report->removeAction(m_shortDescAction);
    report->addSeparator();
    report->addAction(m_shortDescAction);

    QMenu *utilities = bar->addMenu(QStringLiteral("&Utilities"));
    utilities->setObjectName(QStringLiteral("Utilities1"));
    add(utilities, QStringLiteral("Calculator1"), QStringLiteral("Calculator"), [this] {
        CalculatorDialog calc(this);
        runModal(calc);
    });
    add(utilities, QStringLiteral("Calendar1"), QStringLiteral("Calendar"), [this] {
        CalendarDialog cal(this);
        // Its corner 50 pixels left of and 100 pixels above the screen's centre.
        if (const QScreen *s = screen())
            cal.move(s->geometry().center() - QPoint(50, 100));
        runModal(cal);
    });
    QAction *picturePath = utilities->addAction(QStringLiteral("Change Picture Path"));
    picturePath->setObjectName(QStringLiteral("ChangePicturePath1"));
    connect(picturePath, &QAction::triggered, this, [this] { ChangePicturePath1Click(); });
    add(utilities, QStringLiteral("NewRecordsFromPhotos1"), QStringLiteral("New Records from Photos..."),
        [this] { NewRecordsFromPhotos1Click(); });
    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    add(help, QStringLiteral("Contents1"), QStringLiteral("Contents"), [this] { m_ctx.windows.showHelpContents(); });
    add(help, QStringLiteral("Introduction1"), QStringLiteral("Introduction"),
        [this] { m_ctx.windows.showHelpTopic(QStringLiteral("Introduction")); });
    add(help, QStringLiteral("GettingStarted1"), QStringLiteral("Getting Started"),
        [this] { m_ctx.windows.showHelpTopic(QStringLiteral("Getting Started")); });
    help->addSeparator();
    add(help, QStringLiteral("OpenSampleCatalogue1"), QStringLiteral("Open Sample Catalogue"),
        [this] { OpenSampleCatalogue1Click(); });
    QMenu *about = bar->addMenu(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("About1"));
    m_aboutAction = add(about, QStringLiteral("LarkspurCataloguer1"), QStringLiteral("Larkspur Cataloguer"),
        [this] { AboutClick(); });
}

void TView::setSaveEnabled(bool on)
{
    m_saveEnabled = on;
    m_saveAction->setEnabled(on);
    m_quickSaveBtn->setEnabled(on);
    m_ctx.windows.setQuickSaveEnabled(on);
}

void TView::setDeleteEnabled(bool on)
{
    m_deleteAction->setEnabled(on);
    m_deleteBtn->setEnabled(on);
}

void TView::setInsertEnabled(bool on)
{
    m_insertAction->setEnabled(on);
    m_insertBtn->setEnabled(on);
}

bool TView::mergeEnabled() const
{
    return m_mergeAction->isEnabled();
}

void TView::updateTitle()
{
    QString name = m_ctx.store.fileName.isEmpty() ? QStringLiteral("Untitled") : m_ctx.store.fileName;
    if (!m_ctx.store.fileName.isEmpty() && m_session.readOnly())
        name += QStringLiteral(" (read-only)");
    // The desktop's mark for a document with unsaved changes.
    setWindowTitle(m_recovery && m_recovery->unsaved() ? name + QStringLiteral(" *") : name);
}

bool TView::shortDescriptionValues() const
{
    return m_shortDescAction->isChecked();
}

QString TView::ReturnDescriptionValue(const QString &value) const
{
    return ::ReturnDescriptionValue(value, shortDescriptionValues());
}

void TView::GetRecord(int index)
{
    RecordStore &store = m_ctx.store;
    if (index < 0 || index >= store.count())
        return;
    m_name->clear();
    for (MaskEdit *box : m_descPage->detailBoxes)
        box->setStoredText(QString());
    m_descPage->wanted->setChecked(false);
    m_descPage->forTrade->setChecked(false);
    m_descPage->forSale->setChecked(false);
    updateTitle();
    m_number->setText(QString::number(index + 1));
    store.currentIndex = index;
    const ItemRecord &r = store.at(index);
    m_shown = store.shared(index);
    if (m_book->currentWidget() == m_relatedPage)
        m_relatedPage->RelatedRecordSelectionChange();
    for (int k = 1; k <= 10; ++k) {
        QLineEdit *box = m_descPage->descBoxes[size_t(k)];
        box->setToolTip(r.description(k));
        box->setText(ReturnDescriptionValue(r.description(k)));
        box->setCursorPosition(0);
    }
    m_name->setText(r.name());
    m_name->setCursorPosition(0);
    for (int d = 0; d < 10; ++d)
        m_descPage->detailBoxes[size_t(d)]->setStoredText(r.detail(d));
    m_descPage->wanted->setChecked(r.Wanted);
    m_descPage->forSale->setChecked(r.ForSale);
    m_descPage->forTrade->setChecked(r.ForTrade);
    m_searchListBox->setChecked(r.OnSearchList);
    setLines(m_detailPage->keywords, r.keywords());
    setLines(m_detailPage->history, r.history());
    setLines(m_detailPage->notes, r.notes());
    m_internetPage->setLinks(r.links());
    m_picturePage->GetRecord(m_shown);
}

void TView::SaveRecord(int index)
{
    RecordStore &store = m_ctx.store;
    // The controls hold one record's fields; never store them into a different record.
    if (index < 0 || index >= store.count() || store.shared(index) != m_shown)
        return;
    ItemRecord r = store.at(index);
    fillFromControls(r);
    // Each box that differs from the record is one step of the history.
    for (FieldStep &step : fieldSteps(store.at(index), r, store.captions))
        m_ctx.history->push(
            std::make_unique<RecordEditCommand>(store, m_shown, std::move(step.value), step.label));
}

void TView::fillFromControls(ItemRecord &r) const
{
    r.setName(m_name->text());
    r.Wanted = m_descPage->wanted->isChecked();
    r.ForTrade = m_descPage->forTrade->isChecked();
    r.ForSale = m_descPage->forSale->isChecked();
    r.setKeywords(displayedLines(m_detailPage->keywords));
    r.setHistory(displayedLines(m_detailPage->history));
    r.setNotes(displayedLines(m_detailPage->notes));
    r.setLinks(m_internetPage->links());
    for (int d = 0; d < 10; ++d)
        r.setDetail(d, m_descPage->detailBoxes[size_t(d)]->storedText());
    for (int k = 1; k <= 10; ++k)
        r.setDescription(k, m_descPage->descBoxes[size_t(k)]->toolTip());
    m_picturePage->SaveRecord(r);
}

bool TView::editRecord(const RecordPtr &target, const std::function<void(ItemRecord &)> &change,
    const QString &label, EditOption option)
{
    RecordStore &store = m_ctx.store;
    storeCurrent();
    if (!target || recordIndex(store, target) < 0)
        return false;
    ItemRecord after = *target;
    change(after);
    if (after == *target)
        return false;
    auto command = std::make_unique<RecordEditCommand>(store, target, std::move(after), label);
    command->setJoinsTyping((option & JoinTyping) == JoinTyping);
    m_ctx.history->push(std::move(command));
    if (target != m_shown || !(option & KeepBoxes))
        GetRecord(recordIndex(store, target));
    return true;
}

void TView::showStep()
{
    RecordStore &store = m_ctx.store;
    if (store.isEmpty())
        return;
    if (store.currentIndex < 0 || store.currentIndex >= store.count())
        store.currentIndex = 0;
    // The boxes were stored before the step; they now show what it left.
    m_shown.reset();
    GetRecord(store.currentIndex);
    setDeleteEnabled(store.count() > 1);
}

void TView::storeCurrent()
{
    SaveRecord(m_ctx.store.currentIndex);
}

void TView::nextClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    if (store.findActive()) {
        stepThroughFound(+1);
        return;
    }
    if (store.currentIndex < store.count() - 1) {
        storeCurrent();
        GetRecord(store.currentIndex + 1);
    } else {
        m_ctx.dialogs.information(QStringLiteral("You are already on the last record in the database."));
    }
}

void TView::PreviousClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    if (store.findActive()) {
        stepThroughFound(-1);
        return;
    }
    if (store.currentIndex > 0 && !store.isEmpty()) {
        storeCurrent();
        GetRecord(store.currentIndex - 1);
    } else {
        m_ctx.dialogs.information(QStringLiteral("You are already on the first item in the database."));
    }
}

// While the Find box holds words, Next and Previous step through its matches only.
void TView::stepThroughFound(int direction)
{
    RecordStore &store = m_ctx.store;
    storeCurrent(); // the shown record's edits count before the matches are taken
    const std::vector<int> found = store.findMatches();
    const int c = store.currentIndex;
    int target = -1;
    if (direction > 0) {
        const auto it = std::upper_bound(found.begin(), found.end(), c);
        target = it == found.end() ? -1 : *it;
    } else {
        const auto it = std::lower_bound(found.begin(), found.end(), c);
        target = it == found.begin() ? -1 : *std::prev(it);
    }
    if (target < 0) {
        m_ctx.dialogs.status(this, direction > 0
                ? QStringLiteral("No record after this one holds the words in the Find box.")
                : QStringLiteral("No record before this one holds the words in the Find box."));
        return;
    }
    GetRecord(target);
}

void TView::QuickFindChange()
{
    RecordStore &store = m_ctx.store;
    if (!store.findActive() || store.isEmpty())
        return;
    storeCurrent();
    const std::vector<int> found = store.findMatches();
    if (found.empty() || std::binary_search(found.begin(), found.end(), store.currentIndex))
        return;
    GetRecord(found.front());
}

void TView::numberKeyPress()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    storeCurrent();
    bool ok = false;
    const qlonglong n = m_number->text().trimmed().toLongLong(&ok);
    if (!ok) {
        m_ctx.dialogs.information(QStringLiteral("You have entered an invalid number, please try again"));
        return;
    }
    const qlonglong index = std::clamp<qlonglong>(n - 1, 0, std::max(0, store.count() - 1));
    GetRecord(int(index));
}

ItemRecord TView::makeNewRecord() const
{
    ItemRecord r;
    // "Untitled n" with the smallest n no record uses, letter case counting.
    QSet<QString> names;
    for (const RecordPtr &p : m_ctx.store.records())
        if (p->name().startsWith(QStringLiteral("Untitled ")))
            names.insert(p->name());
    int n = 1;
    while (names.contains(QStringLiteral("Untitled ") + QString::number(n)))
        ++n;
    r.setName(QStringLiteral("Untitled ") + QString::number(n));
    static const QString symbols = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678");
    QString code;
    for (int i = 0; i < ItemRecord::RecordCodeLength; ++i)
        code.append(symbols.at(m_ctx.clock.random(int(symbols.size()))));
    r.setRecordCode(code);
    const QString date = m_ctx.clock.today().toString(QStringLiteral("yyyy/MM/dd"));
    r.setDetail(1, QStringLiteral("0"));
    r.setDetail(2, date);
    r.setDetail(3, date.left(4));
    r.setDetail(4, QStringLiteral("0000000"));
    r.setDetail(8, QStringLiteral("0"));
    r.setDetail(9, QStringLiteral("01"));
    for (int k = 1; k <= ItemRecord::PictureCount; ++k)
        r.setPictureTitle(k, QStringLiteral("Untitled ") + QString::number(k));
    return r;
}

void TView::appendNewRecord()
{
    m_ctx.store.append(makeNewRecord());
    GetRecord(m_ctx.store.count() - 1);
}

void TView::NewRecordClick()
{
    RecordStore &store = m_ctx.store;
    if (store.currentIndex >= 0)
        storeCurrent();
    const RecordPtr record = std::make_shared<ItemRecord>(makeNewRecord());
    m_ctx.history->push(std::make_unique<InsertRecordsCommand>(store,
        std::vector<std::pair<int, RecordPtr>> { { store.count(), record } },
        QStringLiteral("New Record")));
    GetRecord(recordIndex(store, record));
    if (store.count() > 1)
        setDeleteEnabled(true);
}

void TView::CopyRecordClick()
{
    const RecordStore &store = m_ctx.store;
    if (store.currentIndex < 0 || store.currentIndex >= store.count())
        return;
    m_clipboard = store.shared(store.currentIndex);
    setInsertEnabled(true);
}

void TView::InsertRecordClick()
{
    RecordStore &store = m_ctx.store;
    if (!m_clipboard)
        return;
    storeCurrent();
    auto copy = std::make_shared<ItemRecord>(*m_clipboard);
    const int at = std::clamp(store.currentIndex, 0, store.count());
    m_ctx.history->push(std::make_unique<InsertRecordsCommand>(store,
        std::vector<std::pair<int, RecordPtr>> { { at, copy } }, QStringLiteral("Insert Record")));
    store.searchRefresh = true;
    GetRecord(at);
    setInsertEnabled(false);
    if (store.count() > 1)
        setDeleteEnabled(true);
}

void TView::CutClick()
{
    RecordStore &store = m_ctx.store;
    store.searchRefresh = true;
    if (store.currentIndex >= 0 && store.currentIndex < store.count() && store.count() > 1) {
        m_clipboard = store.shared(store.currentIndex);
        m_ctx.history->push(std::make_unique<RemoveRecordsCommand>(
            store, std::vector<RecordPtr> { m_clipboard }, QStringLiteral("Delete Record")));
        m_shown.reset();
        GetRecord(store.currentIndex);
        setInsertEnabled(true);
    }
    if (store.count() <= 1)
        setDeleteEnabled(false);
}

void TView::ShortDescriptionValues1Click()
{
    storeCurrent();
    m_shortDescAction->setChecked(!m_shortDescAction->isChecked());
    GetRecord(m_ctx.store.currentIndex);
}

void TView::applyCaptions()
{
    const FieldCaptions &c = m_ctx.store.captions;
    for (int d = 0; d < 10; ++d)
        m_descPage->detailLabels[size_t(d)]->setText(c.detail[size_t(d)]);
    for (int k = 1; k <= 10; ++k)
        m_descPage->descLabels[size_t(k)]->setText(c.description[size_t(k)]);
}

void TView::QuickPrintClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    FormPrint(this, m_ctx.printer);
    m_ctx.dialogs.information(QStringLiteral("Form sent to Printer."));
}

void TView::PrintDetailClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    QStringList lines = displayedLines(m_detailPage->keywords);
    lines += displayedLines(m_detailPage->history);
    lines += displayedLines(m_detailPage->notes);
    printDetailLines(lines, m_ctx.printer);
    m_ctx.dialogs.information(QStringLiteral("Book Detail sent to Printer."));
}

void TView::refreshWindowCommands()
{
    m_toolbar->refreshAvailability();
    for (auto &[action, kind] : m_viewActions)
        action->setEnabled(m_ctx.windows.isAvailable(kind));
}

void TView::runModal(QDialog &dialog)
{
    // Our own dialogs take activation like the message boxes do.
    m_ctx.activation.modalStarted();
    dialog.exec();
    m_ctx.activation.modalFinished();
}
