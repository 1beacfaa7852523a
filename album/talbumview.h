// The album window: pages of record pictures in a grid of cells, one record per cell.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include <QMainWindow>
#include <QSet>
#include <QThreadPool>

#include "album/albumlayout.h"
#include "album/albumpictures.h"
#include "app/activation.h"
#include "app/appcontext.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class SharedToolbar;
class TAlbumView;

// The draw grid: paints the cells of the laid-out page, hands the mouse to the window.
class AlbumGrid : public QWidget
{
    Q_OBJECT
public:
    explicit AlbumGrid(TAlbumView *album, QWidget *parent);

    // The cell at a point of the grid, or (-1, -1).
    QPoint cellAt(QPoint pos) const;
    QRect cellRect(int column, int row) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    TAlbumView *m_album;
};

class TAlbumView : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit TAlbumView(AppContext &ctx, QWidget *parent = nullptr);
    ~TAlbumView() override;

    void FormActivate() override;
    void FormDeactivate() override;

    // Handlers.
    void RowsChange();
    void ShowSheet();
    void NextClick();
    void PreviousClick();
    void MoreRowsClick();
    void LessRowsClick();
    void MoreColsClick();
    void LessColsClick();
    void ModeClick();
    void UseLabelClick();
    void AutoSizeClick();
    void ImageChange();
    void AlbumGridMouseDown(QPoint pos, Qt::MouseButton button);
    void AlbumGridDblClick();
    void FullScreenClick();
    void PrintClick();
    void CloseAlbumClick();

    // State for the grid and the tests.
    int across() const;
    int down() const;
    int slot() const;
    int page() const { return m_page.page; }
    const Album::Page &laidOutPage() const { return m_page; }
    QSize cellSize() const { return m_cellSize; }
    // The store index drawn at grid (column, row), or -1.
    int recordAt(int column, int row) const;
    bool useLabel() const;
    int currentRecord() const;
    QString cellLabelText(int storeIndex) const;
    bool autoSize() const;
    AlbumGrid *grid() const { return m_grid; }
    AlbumPictures &pictures() { return m_pictures; }
    // The picture a cell draws, decoded here and now if need be (the tests and printing).
    AlbumPictures::Cell cellPicture(int column, int row);
    // What the grid paints: the cell's picture once it is decoded, nothing yet while a thread
    // is still decoding it (the decode is asked for if it is not under way).
    std::optional<AlbumPictures::Cell> shownCell(int column, int row);
    // Every picture of the laid-out page is decoded.
    bool pageComplete() const { return m_pending.isEmpty(); }
    // Decoded results of a page or grid that is no longer shown, thrown away on arrival.
    int staleResultsDropped() const { return m_staleDropped; }
    QThreadPool &decodePool() { return m_pool; }
    quint64 generation() const { return m_generation; }
    // Where a decoding thread's result arrives, on the interface thread.
    void pictureDecoded(quint64 generation, const QString &fileName, QSize cell, bool autoSize,
        bool label, const AlbumPictures::Cell &made);

Q_SIGNALS:
    void pictureReady(); // one more cell of the shown page can be drawn
    void pageReady(); // every cell of the shown page can be drawn

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildToolbar();
    void layoutWindow();
    void layoutPanelLabels();
    void clearCells();
    void startDecoding();
    QString cellFile(int column, int row) const;

    AppContext &m_ctx;
    AlbumPictures m_pictures;
    SharedToolbar *m_toolbar = nullptr;
    QWidget *m_client = nullptr;
    QWidget *m_panel = nullptr; // the control panel
    AlbumGrid *m_grid = nullptr;
    QLabel *m_pageNum = nullptr; // pagenum
    QLabel *m_size = nullptr; // Size
    QLineEdit *m_rows = nullptr; // Rows: across, hidden
    QLineEdit *m_cols = nullptr; // Cols: down, hidden
    QCheckBox *m_useLabel = nullptr;
    QCheckBox *m_autoSize = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_mode = nullptr;
    QComboBox *m_image = nullptr;
    Album::Page m_page;
    std::array<std::array<int, 11>, 11> m_cells {}; // [column][row] store index or -1
    QSize m_cellSize;
    int m_requestedPage = 1;
    QPoint m_pressPos;
    bool m_printing = false;
    bool m_resizeHandlerOn = false;

    // Decoding off the interface thread. Every new page, grid or drawing mode starts a new
    // generation: queued work of older ones is dropped, and results of older ones are ignored.
    QThreadPool m_pool;
    quint64 m_generation = 0;
    std::shared_ptr<std::atomic<quint64>> m_liveGeneration
        = std::make_shared<std::atomic<quint64>>(0);
    QString m_pageKey; // what the present generation decodes for
    QSet<QString> m_pending; // files being decoded for the present generation
    int m_staleDropped = 0;
};
