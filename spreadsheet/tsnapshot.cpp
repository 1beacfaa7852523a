// The spreadsheet window: construction, activation and fill, selection, jumps, scope and columns.
#include "spreadsheet/tsnapshot.h"

#include <algorithm>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QResizeEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/quickfindbox.h"
#include "app/sharedtoolbar.h"
#include "app/undoactions.h"
#include "app/windowregistry.h"
#include "platform/clock.h"
#include "platform/windowsize.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"
#include "recordwindow/pickmenu.h"
#include "recordwindow/tview.h"
#include "spreadsheet/spreadsheetmodel.h"

namespace {

constexpr int DefaultWidth = 640;
constexpr int DefaultHeight = 475;
constexpr int RowHeight = 21;
constexpr int MinColumnWidth = 8;

} // namespace

TSnapShot::TSnapShot(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(QStringLiteral("SnapShot"));
    setWindowTitle(QStringLiteral("Spreadsheet View"));
    // Closing only hides the window; it lives until the program ends.
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_printing = new TablePrinting(
        this, m_ctx.printer, QStringLiteral("Spreadsheet View"),
        QStringLiteral("SpreadPrintDialog"), [this] { return printGrid(); },
        [this] { return QDateTime(m_ctx.clock.today(), QTime::currentTime()); });
    buildControls();
    buildToolbar();
    buildMenus();
    // Edit > Undo and Redo over the history every window shares.
    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("Edit1"));
    m_undoActions = new UndoActions(*m_ctx.history, this);
    m_undoActions->beforeStep = [this] { m_grid->commitOpenEditor(); };
    m_undoActions->addTo(edit);
    connect(m_ctx.history.get(), &EditHistory::applied, this, [this] {
        if (isVisible())
            fill();
    });
    WindowSize::restore(this, m_ctx.settings, QStringLiteral("SpreadsheetW:"),
        QStringLiteral("SpreadsheetH:"), QSize(DefaultWidth, DefaultHeight));
    m_ctx.activation.registerWindow(this, this);
    // A save from any window takes the cell being typed.
    m_ctx.windows.setEditCommitter(this, [this] { m_grid->commitOpenEditor(); });
}

TSnapShot::~TSnapShot()
{
    m_ctx.windows.setEditCommitter(this, {});
    m_ctx.activation.unregisterWindow(this);
}

void TSnapShot::buildControls()
{
    auto *central = new QWidget(this);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(0, 4, 0, 0);
    v->setSpacing(4);

    auto *bar = new QWidget(central);
    bar->setObjectName(QStringLiteral("StatusBar"));
    auto *h = new QHBoxLayout(bar);
    h->setContentsMargins(10, 0, 10, 0);
    auto *statusLabel = new QLabel(QStringLiteral("Status"), bar);
    m_status = new QLineEdit(bar);
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setReadOnly(true);
    m_status->setFocusPolicy(Qt::NoFocus);
    statusLabel->setBuddy(m_status);
    m_hbox = new QCheckBox(QStringLiteral("Highlight"), bar);
    m_hbox->setObjectName(QStringLiteral("Hbox"));
    auto *numberLabel = new QLabel(QStringLiteral("#"), bar);
    m_number = new QLineEdit(bar);
    m_number->setObjectName(QStringLiteral("number"));
    m_number->setToolTip(QStringLiteral("Enter the record you want to go to here "));
    m_number->setFixedWidth(
        m_number->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_number->setAlignment(Qt::AlignRight);
    numberLabel->setBuddy(m_number);
    m_viewAll = new QRadioButton(QStringLiteral("All Records"), bar);
    m_viewAll->setObjectName(QStringLiteral("ViewAll"));
    m_viewSearched = new QRadioButton(QStringLiteral("Search List"), bar);
    m_viewSearched->setObjectName(QStringLiteral("ViewSearched"));
    h->addWidget(statusLabel);
    h->addWidget(m_status, 1);
    h->addWidget(m_hbox);
    h->addSpacing(8);
    h->addWidget(numberLabel);
    h->addWidget(m_number);
    h->addSpacing(8);
    h->addWidget(m_viewAll);
    h->addWidget(m_viewSearched);
    v->addWidget(bar);

    // The panel is placed by hand in resizeEvent, as the window's layout rule says.
    auto *area = new QWidget(central);
    area->setObjectName(QStringLiteral("GridArea"));
    m_panel = new QWidget(area);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    area->installEventFilter(this);
    v->addWidget(area, 1);
    setCentralWidget(central);

    m_model = new SpreadsheetModel(m_ctx.store, this);
    m_model->setHistory(m_ctx.history.get());
    m_grid = new SpreadView(m_panel);
    m_grid->setObjectName(QStringLiteral("SpreadView"));
    m_grid->setModel(m_model);
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->setTabKeyNavigation(true);
    m_grid->setWordWrap(false);
    m_grid->setCornerButtonEnabled(false);
    QHeaderView *vh = m_grid->verticalHeader();
    vh->hide();
    vh->setSectionResizeMode(QHeaderView::Fixed);
    vh->setDefaultSectionSize(RowHeight);
    auto *hh = new SpreadHeader(m_grid);
    m_grid->setHorizontalHeader(hh);
    hh->setSectionsMovable(true);
    hh->setSectionResizeMode(QHeaderView::Interactive);
    hh->setHighlightSections(false);
    hh->setMinimumSectionSize(MinColumnWidth);
    hh->setDefaultSectionSize(RecordStore::DefaultColumnWidth);
    hh->setStretchLastSection(false);
    m_delegate = new SpreadDelegate(m_grid);
    m_delegate->maskFor = [this](int l) { return maskFor(l); };
    m_delegate->editStarting = [this](int row) {
        const int pos = m_model->positionAt(row);
        if (pos >= 0)
            m_ctx.store.currentIndex = pos;
    };
    m_grid->setItemDelegate(m_delegate);

    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex &current) {
            if (current.isValid())
                SpreadViewSelectCell(current.column(), current.row());
        });
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] { SpreadViewDblClick(); });
    connect(hh, &QHeaderView::sectionMoved, this, [this] {
        if (!m_applyingColumns)
            SpreadViewColumnMoved();
    });
    connect(hh, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (!m_applyingColumns) {
            const int g = m_grid->horizontalHeader()->visualIndex(logical);
            if (g >= 0 && g < SpreadColumn::Count)
                m_ctx.store.columnWidths[size_t(g)] = size;
        }
    });
    connect(m_model, &SpreadsheetModel::recordEdited, this, [this](int pos) {
        // The record window's buffer must hold what the grid stored. Its own store must not run
        // here: an edit committed while the record window takes over would be overwritten by
        // the record window's older buffer.
        m_ctx.store.currentIndex = pos;
        if (TView *v = view())
            v->GetRecord(pos);
    });
    m_grid->mouseHook = [this](QMouseEvent *e) {
        const QModelIndex at = m_grid->indexAt(e->position().toPoint());
        if (e->button() == Qt::RightButton) {
            if (at.isValid())
                SpreadViewMouseDown(
                    at.row(), at.column(), e->button(), e->globalPosition().toPoint());
            return true; // the right button never moves the selection
        }
        if (at.isValid())
            SpreadViewMouseDown(at.row(), at.column(), e->button(), e->globalPosition().toPoint());
        return false;
    };
    m_grid->keyHook = [this](QKeyEvent *e) { SpreadViewKeyDown(e->key(), e->modifiers()); };

    connect(m_hbox, &QCheckBox::clicked, this, &TSnapShot::HboxClick);
    connect(m_number, &QLineEdit::returnPressed, this, &TSnapShot::numberKeyPress);
    connect(m_viewAll, &QRadioButton::clicked, this, &TSnapShot::ViewAllClick);
    connect(m_viewSearched, &QRadioButton::clicked, this, &TSnapShot::ViewSearchedClick);
}

void TSnapShot::buildToolbar()
{
    m_toolbar = new SharedToolbar(this, m_ctx.windows);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    using A = SharedToolbar::Action;
    // This window's buttons carry no hints.
    m_printBtn = m_toolbar->add(A::Print, QStringLiteral("PrintScreenBtn"), QString());
    m_toolbar->add(A::Search, QStringLiteral("SearchBtn"), QString());
    m_toolbar->add(A::Album, QStringLiteral("AlbumBtn"), QString());
    m_toolbar->add(A::Graph, QStringLiteral("GraphBtn"), QString());
    m_toolbar->add(A::Record, QStringLiteral("SpreadSheetBtn"), QString());
    m_toolbar->add(A::Report, QStringLiteral("ReportBtn"), QString());
    m_toolbar->add(A::QuickSave, QStringLiteral("QuickSaveBtn"), QString());
    m_toolbar->add(A::Help, QStringLiteral("HelpBtn"), QString());
    m_toolbar->add(A::Close, QStringLiteral("CloseBtn"), QString());
    m_toolbar->addSeparator();
    m_findBox = new QuickFindBox(m_ctx.store, this);
    m_toolbar->addWidget(m_findBox);
    connect(m_findBox, &QuickFindBox::findChanged, this, [this] { fill(); });
    connect(m_findBox, &QuickFindBox::findAccepted, this, [this] {
        m_viewSearched->setChecked(true);
        fill();
    });
    m_toolbar->setHelpTopic(QStringLiteral("Spreadsheet View"));
    m_toolbar->setHelpContext(7000);
    m_toolbar->setPrintHandler([this] { PrintScreenBtnClick(); });
    m_toolbar->setBeforeReport([this] {
        m_ctx.store.scope
            = m_viewAll->isChecked() ? RecordScope::AllRecords : RecordScope::SearchList;
    });
}

TView *TSnapShot::view() const
{
    return qobject_cast<TView *>(m_ctx.windows.existing(WindowKind::Record));
}

void TSnapShot::showSearchOutcome(const QString &status)
{
    setSearchStatus(status);
    if (m_ctx.activation.activeWindow() == this)
        fill(); // already in front: activation would not run again
    else if (m_ctx.windows.existing(WindowKind::Spreadsheet) == this)
        m_ctx.windows.showWindow(WindowKind::Spreadsheet);
    else
        m_ctx.activation.activate(this);
}

QString TSnapShot::searchStatus() const
{
    if (QWidget *search = m_ctx.windows.existing(WindowKind::Search))
        if (QObject *status = search->findChild<QObject *>(QStringLiteral("Status"))) {
            const QVariant text = status->property("text");
            if (text.isValid())
                return text.toString();
        }
    return m_searchStatus;
}

void TSnapShot::setSearchStatus(const QString &text)
{
    m_searchStatus = text;
    if (QWidget *search = m_ctx.windows.existing(WindowKind::Search))
        if (QObject *status = search->findChild<QObject *>(QStringLiteral("Status")))
            status->setProperty("text", text);
}

void TSnapShot::FormActivate()
{
    m_toolbar->refreshAvailability();
    fill();
}

void TSnapShot::FormDeactivate()
{
    // A cell still being edited is stored before any other window reads the record.
    m_grid->commitOpenEditor();
    // "SpreadSheetH:" is the same key as "SpreadsheetH:": keys match without regard to case.
    WindowSize::save(this, m_ctx.settings, QStringLiteral("SpreadsheetW:"),
        QStringLiteral("SpreadSheetH:"));
    readColumnWidths();
}

void TSnapShot::refreshTexts()
{
    SpreadTexts texts;
    if (TView *v = view()) {
        if (auto *l = v->findChild<QLabel *>(QStringLiteral("Label6")))
            texts.name = l->text();
        if (auto *l = v->findChild<QLabel *>(QStringLiteral("boxname")))
            texts.status = l->text();
        const char *boxes[] = { "CheckBox1", "CheckBox2", "CheckBox3" };
        for (int i = 0; i < 3; ++i)
            if (auto *b = v->findChild<QCheckBox *>(QString::fromLatin1(boxes[i])))
                texts.flags[size_t(i)] = b->text();
        QPointer<TView> guard(v);
        texts.displayForm = [guard](const QString &value) {
            return guard ? guard->ReturnDescriptionValue(value) : value;
        };
    }
    m_model->setTexts(std::move(texts));
}

void TSnapShot::fill()
{
    RecordStore &store = m_ctx.store;
    connectView();
    refreshTexts();
    m_selectedRow = -1;
    m_menuRow = -1;
    m_model->fill(store.scope);
    m_findBox->refresh();
    m_status->setText(
        store.scope == RecordScope::SearchList ? searchStatus() : QStringLiteral("All Records"));
    if (store.currentIndex == -1 && !store.isEmpty())
        store.currentIndex = 0;
    m_number->setText(QString::number(store.currentIndex + 1));

    const SpreadTexts &texts = m_model->texts();
    for (int i = 0; i < 3; ++i)
        m_statusItems[size_t(i)]->setText(texts.flags[size_t(i)]);
    for (int k = 1; k <= RecordStore::CategoryCount; ++k)
        m_descMenus[size_t(k)]->MakeMenu(store.categoryTree(k));

    applyColumnOrder();
    applyColumnWidths();
    const bool empty = m_model->rowCount() == 0;
    setEmptyLook(empty);
    if (empty)
        m_status->setText(QStringLiteral("Search List Empty"));
    selectCurrentRecord();
}

void TSnapShot::setEmptyLook(bool empty)
{
    QPalette pal = m_grid->palette();
    pal.setColor(
        QPalette::Base, empty ? SpreadColour::emptyGrid() : palette().color(QPalette::Base));
    m_grid->setPalette(pal);
}

void TSnapShot::selectCurrentRecord()
{
    const int row = m_model->rowOf(m_ctx.store.currentIndex);
    if (row < 0)
        return;
    int column = m_selectedColumn;
    if (column < 0 || column >= SpreadColumn::Count)
        column = m_grid->horizontalHeader()->logicalIndex(0);
    const QModelIndex at = m_model->index(row, column);
    if (m_grid->currentIndex() == at)
        SpreadViewSelectCell(column, row);
    else
        m_grid->setCurrentIndex(at);
    m_grid->scrollTo(at);
}

void TSnapShot::makeCurrent(int pos, bool show)
{
    RecordStore &store = m_ctx.store;
    if (pos < 0 || pos >= store.count())
        return;
    TView *v = view();
    // Should the record window still hold the focus, its edits go into its own record first.
    if (v && m_ctx.activation.activeWindow() == v)
        v->storeCurrent();
    store.currentIndex = pos;
    if (show && v)
        v->GetRecord(pos);
}

void TSnapShot::SpreadViewSelectCell(int column, int row)
{
    const int pos = m_model->positionAt(row);
    if (pos < 0)
        return;
    m_number->setText(QString::number(pos + 1));
    m_selectedRow = row;
    m_selectedColumn = column;
    // Editing permission: text columns are edited in place (the model's flags), the menu columns
    // through their menus, the Number column never.
    m_menuColumnMark = SpreadColumn::isMenu(column);
    makeCurrent(pos, true);
    if (m_hbox->isChecked())
        m_grid->viewport()->update();
}

void TSnapShot::SpreadViewDblClick()
{
    m_ctx.windows.showWindow(WindowKind::Record);
}

void TSnapShot::HboxClick()
{
    m_model->setHighlight(m_hbox->isChecked());
    m_grid->viewport()->update();
}

void TSnapShot::numberKeyPress()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    bool ok = false;
    const qlonglong m = m_number->text().trimmed().toLongLong(&ok);
    if (!ok) {
        m_ctx.dialogs.information(
            QStringLiteral("You have entered an invalid number, please try again"));
        return;
    }
    if (store.isEmpty())
        return;
    store.currentIndex = int(std::clamp<qlonglong>(m - 1, 0, store.count() - 1));
    fill();
}

void TSnapShot::ViewAllClick()
{
    m_ctx.store.scope = RecordScope::AllRecords;
    m_status->setText(QStringLiteral("All Records"));
    fill();
}

void TSnapShot::ViewSearchedClick()
{
    m_ctx.store.scope = RecordScope::SearchList;
    setSearchStatus(QStringLiteral("Search Results"));
    m_status->setText(searchStatus());
    fill();
}

void TSnapShot::ReportBtnClick()
{
    m_toolbar->trigger(SharedToolbar::Action::Report);
}

void TSnapShot::SpreadSheetBtnClick()
{
    m_toolbar->trigger(SharedToolbar::Action::Record);
}

void TSnapShot::applyColumnOrder()
{
    std::array<int, SpreadColumn::Count> order = m_ctx.store.columnOrder;
    // Anything but a permutation of the grid columns would lose a column: start over then.
    std::array<bool, SpreadColumn::Count> seen {};
    bool valid = true;
    for (int g : order) {
        if (g < 0 || g >= SpreadColumn::Count || seen[size_t(g)]) {
            valid = false;
            break;
        }
        seen[size_t(g)] = true;
    }
    if (!valid) {
        for (int l = 0; l < SpreadColumn::Count; ++l)
            order[size_t(l)] = l;
        m_ctx.store.columnOrder = order;
    }
    QHeaderView *hh = m_grid->horizontalHeader();
    m_applyingColumns = true;
    for (int g = 0; g < SpreadColumn::Count; ++g) {
        const int l = int(std::find(order.begin(), order.end(), g) - order.begin());
        if (hh->visualIndex(l) != g)
            hh->moveSection(hh->visualIndex(l), g);
    }
    m_applyingColumns = false;
}

void TSnapShot::applyColumnWidths()
{
    QHeaderView *hh = m_grid->horizontalHeader();
    m_applyingColumns = true;
    for (int g = 0; g < SpreadColumn::Count; ++g)
        hh->resizeSection(
            hh->logicalIndex(g), std::max(MinColumnWidth, m_ctx.store.columnWidths[size_t(g)]));
    m_applyingColumns = false;
}

void TSnapShot::readColumnWidths()
{
    const QHeaderView *hh = m_grid->horizontalHeader();
    for (int g = 0; g < SpreadColumn::Count; ++g)
        m_ctx.store.columnWidths[size_t(g)] = hh->sectionSize(hh->logicalIndex(g));
}

void TSnapShot::SpreadViewColumnMoved()
{
    // The order is found again from the header texts, under the current captions.
    const QHeaderView *hh = m_grid->horizontalHeader();
    QStringList gridHeaders;
    QStringList logicalHeaders;
    std::array<int, SpreadColumn::Count> placed {};
    for (int i = 0; i < SpreadColumn::Count; ++i) {
        gridHeaders
            << m_model->headerData(hh->logicalIndex(i), Qt::Horizontal, Qt::DisplayRole).toString();
        logicalHeaders << m_model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
        placed[size_t(i)] = hh->visualIndex(i);
    }
    m_ctx.store.columnOrder = columnOrderFromHeaders(gridHeaders, logicalHeaders, placed);
    // Widths belong to grid places; they moved with their columns.
    readColumnWidths();
}

void TSnapShot::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutPanel();
}

bool TSnapShot::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panel->parentWidget() && event->type() == QEvent::Resize)
        layoutPanel();
    return QMainWindow::eventFilter(watched, event);
}

void TSnapShot::layoutPanel()
{
    // The panel: window width less 20, window height less 116, centred; the grid inside it
    // less 20 across and 23 down.
    QWidget *area = m_panel->parentWidget();
    const int pw = std::max(40, width() - 20);
    const int ph = std::max(40, std::min(height() - 116, area->height()));
    m_panel->setGeometry((area->width() - pw) / 2, 0, pw, ph);
    m_grid->setGeometry(10, 0, std::max(20, pw - 20), std::max(20, ph - 23));
}

TablePrintGrid TSnapShot::printGrid() const
{
    TablePrintGrid g;
    const QHeaderView *hh = m_grid->horizontalHeader();
    QVector<int> logical;
    for (int v = 0; v < SpreadColumn::Count; ++v) {
        const int l = hh->logicalIndex(v);
        logical << l;
        g.headings << m_model->headerData(l, Qt::Horizontal, Qt::DisplayRole).toString();
        g.widths << hh->sectionSize(l);
    }
    g.rows = m_model->rowCount();
    const SpreadsheetModel *model = m_model;
    g.cell = [model, logical](int row, int column) {
        return model->data(model->index(row, logical[column]), Qt::DisplayRole).toString();
    };
    return g;
}
