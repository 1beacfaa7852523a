// The album window: control panel, paging, the drawn grid, the mouse and printing.
#include "album/talbumview.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/formprint.h"
#include "app/sharedtoolbar.h"
#include "app/windowregistry.h"
#include "platform/dialogs.h"
#include "platform/settingsstore.h"

namespace {

constexpr int DefaultWidth = 518;
constexpr int DefaultHeight = 437;
constexpr int PanelWidth = 150;
constexpr int GridLeft = 160; // the grid's left edge beside the panel
constexpr int PrintGridLeft = 5; // and while the window prints itself without the panel
constexpr int PrintNarrowing = 155;
constexpr int GridMargin = 5;

} // namespace

AlbumGrid::AlbumGrid(TAlbumView *album, QWidget *parent)
    : QWidget(parent)
    , m_album(album)
{
    setObjectName(QStringLiteral("AlbumGrid"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

QRect AlbumGrid::cellRect(int column, int row) const
{
    const QSize cell = m_album->cellSize();
    // Each cell is followed by a line of 2 pixels, as the cell size leaves room for.
    return QRect(1 + column * (cell.width() + 2), 1 + row * (cell.height() + 2), cell.width(),
        cell.height());
}

QPoint AlbumGrid::cellAt(QPoint pos) const
{
    for (int r = 0; r < m_album->down(); ++r)
        for (int c = 0; c < m_album->across(); ++c)
            if (cellRect(c, r).adjusted(-1, -1, 1, 1).contains(pos))
                return QPoint(c, r);
    return QPoint(-1, -1);
}

void AlbumGrid::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    // Everything is painted each time: cells of a fuller previous page must not linger.
    p.fillRect(rect(), pal.color(QPalette::Mid));
    for (int r = 0; r < m_album->down(); ++r) {
        for (int c = 0; c < m_album->across(); ++c) {
            const QRect cell = cellRect(c, r);
            p.fillRect(cell, pal.color(QPalette::Base));
            const int index = m_album->recordAt(c, r);
            if (index < 0)
                continue;
            p.save();
            p.setClipRect(cell);
            const std::optional<AlbumPictures::Cell> pic = m_album->shownCell(c, r);
            if (!pic) {
                // Still being decoded: a light frame until the picture arrives.
                p.fillRect(cell.adjusted(3, 3, -3, -3), pal.color(QPalette::AlternateBase));
            } else if (!pic->image.isNull()) {
                p.drawImage(cell.topLeft() + pic->dest.topLeft(), pic->image);
            }
            if (m_album->useLabel()) {
                const QRect band(cell.left(), cell.top(), cell.width(), Album::LabelBand);
                p.fillRect(band, pal.color(QPalette::Base));
                p.setPen(pal.color(QPalette::Text));
                p.drawText(band.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                    m_album->cellLabelText(index));
            }
            p.restore();
            if (index == m_album->currentRecord()) {
                p.setPen(QPen(pal.color(QPalette::Highlight), 2));
                p.setBrush(Qt::NoBrush);
                p.drawRect(QRectF(cell).adjusted(0, 0, -1, -1).adjusted(0.5, 0.5, -0.5, -0.5));
            }
        }
    }
}

void AlbumGrid::mousePressEvent(QMouseEvent *event)
{
    m_album->AlbumGridMouseDown(event->position().toPoint(), event->button());
}

void AlbumGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is a press like the first.
    m_album->AlbumGridMouseDown(event->position().toPoint(), event->button());
    if (event->button() == Qt::LeftButton)
        m_album->AlbumGridDblClick();
}

TAlbumView::TAlbumView(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
    setObjectName(QStringLiteral("AlbumView"));
    setWindowTitle(QStringLiteral("Album View"));
    for (auto &column : m_cells)
        column.fill(-1);
    buildControls();
    buildToolbar();
    // FormCreate: the size from the settings, with the resize handler off while it is set.
    m_resizeHandlerOn = false;
    resize(m_ctx.settings.readInteger(QStringLiteral("AlbumW:"), DefaultWidth),
        m_ctx.settings.readInteger(QStringLiteral("AlbumH:"), DefaultHeight));
    m_resizeHandlerOn = true;
    m_ctx.activation.registerWindow(this, this);
}

TAlbumView::~TAlbumView()
{
    // No decoding thread may post to a window that is gone.
    m_liveGeneration->store(~quint64(0));
    m_pool.clear();
    m_pool.waitForDone();
    m_ctx.activation.unregisterWindow(this);
}

void TAlbumView::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("AlbumClient"));
    setCentralWidget(m_client);

    m_panel = new QWidget(m_client);
    m_panel->setObjectName(QStringLiteral("ControlPanel"));
    m_panel->setFixedWidth(PanelWidth);
    auto *v = new QVBoxLayout(m_panel);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(6);

    m_pageNum = new QLabel(QStringLiteral("Page 0 of 0"), m_panel);
    m_pageNum->setObjectName(QStringLiteral("pagenum"));
    m_pageNum->setAlignment(Qt::AlignCenter);
    QFont bold = m_pageNum->font();
    bold.setBold(true);
    m_pageNum->setFont(bold);
    v->addWidget(m_pageNum);

    auto *paging = new QHBoxLayout;
    m_previous = new QPushButton(QStringLiteral("Previous"), m_panel);
    m_previous->setObjectName(QStringLiteral("Previous"));
    m_previous->setEnabled(false);
    m_next = new QPushButton(QStringLiteral("Next"), m_panel);
    m_next->setObjectName(QStringLiteral("Next"));
    paging->addWidget(m_previous);
    paging->addWidget(m_next);
    v->addLayout(paging);

    // The size buttons around the "across X down" label.
    auto *sizes = new QGridLayout;
    sizes->setSpacing(2);
    auto arrow = [this](const char *name, Qt::ArrowType type) {
        auto *b = new QToolButton(m_panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setArrowType(type);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    QToolButton *lessCols = arrow("LessCols", Qt::UpArrow);
    QToolButton *moreCols = arrow("MoreCols", Qt::DownArrow);
    QToolButton *lessRows = arrow("LessRows", Qt::LeftArrow);
    QToolButton *moreRows = arrow("MoreRows", Qt::RightArrow);
    m_size = new QLabel(Album::sizeCaption(3, 3), m_panel);
    m_size->setObjectName(QStringLiteral("Size"));
    m_size->setAlignment(Qt::AlignCenter);
    sizes->addWidget(lessCols, 0, 1, Qt::AlignCenter);
    sizes->addWidget(lessRows, 1, 0, Qt::AlignRight);
    sizes->addWidget(m_size, 1, 1);
    sizes->addWidget(moreRows, 1, 2, Qt::AlignLeft);
    sizes->addWidget(moreCols, 2, 1, Qt::AlignCenter);
    v->addLayout(sizes);

    m_rows = new QLineEdit(QStringLiteral("3"), m_panel);
    m_rows->setObjectName(QStringLiteral("Rows"));
    m_rows->hide();
    m_cols = new QLineEdit(QStringLiteral("3"), m_panel);
    m_cols->setObjectName(QStringLiteral("Cols"));
    m_cols->hide();

    m_useLabel = new QCheckBox(QStringLiteral("Label"), m_panel);
    m_useLabel->setObjectName(QStringLiteral("UseLabel"));
    m_autoSize = new QCheckBox(QStringLiteral("Auto-Size"), m_panel);
    m_autoSize->setObjectName(QStringLiteral("AutoSize"));
    v->addWidget(m_useLabel);
    v->addWidget(m_autoSize);

    auto *imageRow = new QHBoxLayout;
    auto *imageLabel = new QLabel(QStringLiteral("Record Image"), m_panel);
    m_image = new QComboBox(m_panel);
    m_image->setObjectName(QStringLiteral("Image"));
    for (int s = 1; s <= ItemRecord::PictureCount; ++s)
        m_image->addItem(QString::number(s));
    imageLabel->setBuddy(m_image);
    imageRow->addWidget(imageLabel);
    imageRow->addWidget(m_image);
    v->addLayout(imageRow);

    auto *bottom = new QHBoxLayout;
    m_mode = new QPushButton(QStringLiteral("Mode"), m_panel);
    m_mode->setObjectName(QStringLiteral("Mode"));
    auto *fullScreen = new QToolButton(m_panel);
    fullScreen->setObjectName(QStringLiteral("FullScreen"));
    fullScreen->setIcon(style()->standardIcon(QStyle::SP_TitleBarMaxButton));
    fullScreen->setAccessibleName(QStringLiteral("Full Screen"));
    bottom->addWidget(m_mode, 1);
    bottom->addWidget(fullScreen);
    v->addLayout(bottom);
    m_panel->adjustSize();

    m_grid = new AlbumGrid(this, m_client);
    m_client->installEventFilter(this);

    connect(m_rows, &QLineEdit::textChanged, this, [this] { RowsChange(); });
    connect(m_cols, &QLineEdit::textChanged, this, [this] { RowsChange(); });
    connect(m_next, &QPushButton::clicked, this, &TAlbumView::NextClick);
    connect(m_previous, &QPushButton::clicked, this, &TAlbumView::PreviousClick);
    connect(moreRows, &QToolButton::clicked, this, &TAlbumView::MoreRowsClick);
    connect(lessRows, &QToolButton::clicked, this, &TAlbumView::LessRowsClick);
    connect(moreCols, &QToolButton::clicked, this, &TAlbumView::MoreColsClick);
    connect(lessCols, &QToolButton::clicked, this, &TAlbumView::LessColsClick);
    connect(m_mode, &QPushButton::clicked, this, &TAlbumView::ModeClick);
    connect(m_useLabel, &QCheckBox::clicked, this, &TAlbumView::UseLabelClick);
    connect(m_autoSize, &QCheckBox::clicked, this, &TAlbumView::AutoSizeClick);
    connect(m_image, &QComboBox::currentIndexChanged, this, &TAlbumView::ImageChange);
    connect(fullScreen, &QToolButton::clicked, this, &TAlbumView::FullScreenClick);

    // Keys for paging, beside the buttons.
    auto *nextKey = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    connect(nextKey, &QShortcut::activated, this, [this] {
        if (m_next->isEnabled())
            NextClick();
    });
    auto *previousKey = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
    connect(previousKey, &QShortcut::activated, this, [this] {
        if (m_previous->isEnabled())
            PreviousClick();
    });
}

void TAlbumView::buildToolbar()
{
    m_toolbar = new SharedToolbar(this, m_ctx.windows);
    addToolBar(Qt::TopToolBarArea, m_toolbar);
    using A = SharedToolbar::Action;
    m_toolbar->add(A::Print, QStringLiteral("PrintScreenBtn"), QStringLiteral("Print screenshot"));
    m_toolbar->add(A::Search, QStringLiteral("SearchBtn"), QStringLiteral("Perform Search"));
    m_toolbar->add(A::Graph, QStringLiteral("GraphBtn"), QStringLiteral("Generate Graph"));
    m_toolbar->add(
        A::Spreadsheet, QStringLiteral("SpeedButton1"), QStringLiteral("View Spreadsheet"));
    m_toolbar->add(A::Report, QStringLiteral("ReportBtn"), QStringLiteral("Generate Report"));
    m_toolbar->add(A::Record, QStringLiteral("ViewBtn"), QStringLiteral("View Record"));
    m_toolbar->add(A::QuickSave, QStringLiteral("QuickSaveBtn"), QStringLiteral("Save  Database"));
    m_toolbar->add(A::Help, QStringLiteral("HelpBtn"), QStringLiteral("Display Help"));
    m_toolbar->add(A::Close, QStringLiteral("CloseBtn"), QStringLiteral("Close Album View"));
    m_toolbar->setHelpTopic(QStringLiteral("Album View"));
    m_toolbar->setHelpContext(6000);
    m_toolbar->setPrintHandler([this] { PrintClick(); });
    m_toolbar->setCloseHandler([this] { CloseAlbumClick(); });
}

int TAlbumView::across() const
{
    return std::clamp(m_rows->text().toInt(), Album::MinCells, Album::MaxCells);
}

int TAlbumView::down() const
{
    return std::clamp(m_cols->text().toInt(), Album::MinCells, Album::MaxCells);
}

int TAlbumView::slot() const
{
    return m_image->currentIndex() + 1;
}

bool TAlbumView::useLabel() const
{
    return m_useLabel->isChecked();
}

bool TAlbumView::autoSize() const
{
    return m_autoSize->isChecked();
}

int TAlbumView::currentRecord() const
{
    return m_ctx.store.currentIndex;
}

QString TAlbumView::cellLabelText(int index) const
{
    if (index < 0 || index >= m_ctx.store.count())
        return QString();
    return Album::cellLabel(index, m_ctx.store.at(index).name());
}

int TAlbumView::recordAt(int column, int row) const
{
    if (column < 0 || row < 0 || column >= across() || row >= down())
        return -1;
    const int index = m_cells[size_t(column)][size_t(row)];
    return index < m_ctx.store.count() ? index : -1;
}

QString TAlbumView::cellFile(int column, int row) const
{
    const int index = recordAt(column, row);
    if (index < 0)
        return QString();
    return m_ctx.store.at(index).pictureFile(size_t(slot()));
}

AlbumPictures::Cell TAlbumView::cellPicture(int column, int row)
{
    if (recordAt(column, row) < 0)
        return {};
    return m_pictures.cellPicture(cellFile(column, row), m_cellSize, autoSize(), useLabel());
}

std::optional<AlbumPictures::Cell> TAlbumView::shownCell(int column, int row)
{
    if (recordAt(column, row) < 0)
        return AlbumPictures::Cell {};
    const QString file = cellFile(column, row);
    const QSize size = m_cellSize;
    const bool stretch = autoSize();
    const bool label = useLabel();
    if (auto hit = m_pictures.cachedCell(file, size, stretch, label))
        return hit;
    if (!m_pending.contains(file)) {
        m_pending.insert(file);
        m_pool.start([this, live = m_liveGeneration, generation = m_generation, file, size,
                          stretch, label] {
            if (live->load() != generation)
                return; // the page changed before this was begun
            const AlbumPictures::Cell made
                = AlbumPictures::decodeCell(file, size, stretch, label);
            QMetaObject::invokeMethod(
                this,
                [this, generation, file, size, stretch, label, made] {
                    pictureDecoded(generation, file, size, stretch, label, made);
                },
                Qt::QueuedConnection);
        });
    }
    return std::nullopt;
}

void TAlbumView::pictureDecoded(quint64 generation, const QString &fileName, QSize cell,
    bool stretch, bool label, const AlbumPictures::Cell &made)
{
    if (generation != m_generation) {
        ++m_staleDropped;
        return;
    }
    m_pictures.keep(fileName, cell, stretch, label, made);
    m_pending.remove(fileName);
    for (int r = 0; r < down(); ++r)
        for (int c = 0; c < across(); ++c)
            if (recordAt(c, r) >= 0 && cellFile(c, r) == fileName)
                m_grid->update(m_grid->cellRect(c, r));
    emit pictureReady();
    if (m_pending.isEmpty())
        emit pageReady();
}

void TAlbumView::startDecoding()
{
    // A new generation only when what the cells show has changed: a click that lays the same
    // page out again keeps the work under way.
    QString key = QStringLiteral("%1x%2:%3%4%5:")
                      .arg(m_cellSize.width())
                      .arg(m_cellSize.height())
                      .arg(int(autoSize()))
                      .arg(int(useLabel()))
                      .arg(slot());
    for (int r = 0; r < down(); ++r)
        for (int c = 0; c < across(); ++c)
            key += QString::number(recordAt(c, r)) + u',';
    if (key != m_pageKey) {
        m_pageKey = key;
        ++m_generation;
        m_liveGeneration->store(m_generation);
        m_pool.clear();
        m_pending.clear();
    }
    // Row by row, so the top of the page fills in first.
    for (int r = 0; r < down(); ++r)
        for (int c = 0; c < across(); ++c)
            shownCell(c, r);
    if (m_pending.isEmpty())
        emit pageReady();
}

void TAlbumView::FormActivate()
{
    m_toolbar->refreshAvailability();
    setWindowTitle(Album::activationCaption(m_ctx.store.scope));
    m_requestedPage = std::max(1, m_requestedPage);
    RowsChange();
}

void TAlbumView::FormDeactivate()
{
    m_ctx.settings.writeInteger(QStringLiteral("AlbumW:"), width());
    m_ctx.settings.writeInteger(QStringLiteral("AlbumH:"), height());
}

void TAlbumView::clearCells()
{
    for (auto &column : m_cells)
        column.fill(-1);
}

void TAlbumView::layoutWindow()
{
    const QSize client = m_client->size();
    m_panel->adjustSize();
    const int panelTop = Album::roundHalfEven((client.height() - m_panel->height()) / 2.0);
    m_panel->move(0, std::max(0, panelTop));
    m_grid->setGeometry(GridLeft, GridMargin, std::max(1, client.width() - GridLeft - GridMargin),
        std::max(1, client.height() - 2 * GridMargin));
}

void TAlbumView::RowsChange()
{
    clearCells();
    m_size->setText(Album::sizeCaption(across(), down()));
    m_cellSize = Album::cellSize(m_grid->size(), across(), down());
    ShowSheet();
}

void TAlbumView::ShowSheet()
{
    clearCells();
    m_page = Album::layoutPage(m_ctx.store, m_ctx.store.scope, across(), down(), m_requestedPage);
    m_requestedPage = m_page.page;
    for (size_t i = 0; i < m_page.cells.size(); ++i)
        m_cells[i % size_t(across())][i / size_t(across())] = m_page.cells[i];
    m_next->setEnabled(m_page.nextEnabled);
    m_previous->setEnabled(m_page.previousEnabled);
    m_pageNum->setText(Album::pageCaption(m_page));
    startDecoding();
    m_grid->update();
}

void TAlbumView::NextClick()
{
    m_requestedPage = m_page.page + 1;
    ShowSheet();
}

void TAlbumView::PreviousClick()
{
    m_requestedPage = m_page.page - 1;
    ShowSheet();
}

void TAlbumView::MoreRowsClick()
{
    m_rows->setText(QString::number(std::min(across() + 1, Album::MaxCells)));
}

void TAlbumView::LessRowsClick()
{
    m_rows->setText(QString::number(std::max(across() - 1, Album::MinCells)));
}

void TAlbumView::MoreColsClick()
{
    m_cols->setText(QString::number(std::min(down() + 1, Album::MaxCells)));
}

void TAlbumView::LessColsClick()
{
    m_cols->setText(QString::number(std::max(down() - 1, Album::MinCells)));
}

void TAlbumView::ModeClick()
{
    RecordStore &store = m_ctx.store;
    store.scope = store.scope == RecordScope::SearchList ? RecordScope::AllRecords
                                                         : RecordScope::SearchList;
    setWindowTitle(Album::modeCaption(store.scope));
    m_requestedPage = 1;
    ShowSheet();
}

void TAlbumView::UseLabelClick()
{
    ShowSheet();
}

void TAlbumView::AutoSizeClick()
{
    ShowSheet();
}

void TAlbumView::ImageChange()
{
    RowsChange();
}

void TAlbumView::AlbumGridMouseDown(QPoint pos, Qt::MouseButton button)
{
    m_pressPos = pos;
    const QPoint cell = m_grid->cellAt(pos);
    const int index = recordAt(cell.x(), cell.y());
    if (index >= 0) {
        m_ctx.store.currentIndex = index;
        if (button == Qt::RightButton)
            m_ctx.windows.showWindow(WindowKind::Spreadsheet);
    }
    ShowSheet();
}

void TAlbumView::AlbumGridDblClick()
{
    const QPoint cell = m_grid->cellAt(m_pressPos);
    const int index = recordAt(cell.x(), cell.y());
    if (index < 0)
        return;
    m_ctx.store.currentIndex = index;
    m_ctx.windows.showWindow(WindowKind::Record);
}

void TAlbumView::FullScreenClick()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void TAlbumView::PrintClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    // The window prints itself without its control panel: the grid moves left and the window
    // narrows by the panel's width for the capture.
    m_printing = true;
    m_panel->hide();
    m_grid->move(PrintGridLeft, m_grid->y());
    resize(width() - PrintNarrowing, height());
    ShowSheet();
    // The printout shows the pictures, not the frames they arrive in.
    if (!pageComplete()) {
        QEventLoop wait;
        connect(this, &TAlbumView::pageReady, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    m_grid->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    FormPrint(this, m_ctx.printer);
    m_grid->move(GridLeft, m_grid->y());
    resize(width() + PrintNarrowing, height());
    m_printing = false;
    m_panel->show();
    m_ctx.dialogs.information(QStringLiteral("Form sent to Printer."));
    ShowSheet();
}

void TAlbumView::CloseAlbumClick()
{
    close();
}

bool TAlbumView::eventFilter(QObject *watched, QEvent *event)
{
    // FormResize: the client area, not the frame, decides the layout.
    if (watched == m_client && event->type() == QEvent::Resize && m_resizeHandlerOn
        && !m_printing) {
        layoutWindow();
        RowsChange();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TAlbumView::closeEvent(QCloseEvent *event)
{
    event->accept();
}
