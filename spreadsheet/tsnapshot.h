// The spreadsheet window: the records of the record scope as an editable grid.
#pragma once

#include <array>
#include <functional>

#include <QHeaderView>
#include <QMainWindow>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

#include "app/activation.h"
#include "app/appcontext.h"
#include "app/tableprint.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QMenu;
class QRadioButton;
class QTimer;
class QToolButton;
class PickMenu;
class SharedToolbar;
class SpreadsheetModel;
class TView;

// The grid: hands mouse presses and key presses to the window before its own handling.
class SpreadView : public QTableView
{
    Q_OBJECT
public:
    using QTableView::QTableView;

    // Runs before the grid's own handling; returning true swallows the press.
    std::function<bool(QMouseEvent *)> mouseHook;
    std::function<void(QKeyEvent *)> keyHook;

    // Typing in a cell that is not edited does not jump to rows by their text.
    void keyboardSearch(const QString &) override { }

    // Applies the text of an open in-place editor to its cell and closes the editor.
    void commitOpenEditor();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
};

// The grid's column header: moves and sizes columns, never selects, and scrolls the grid while
// a column is dragged past the grid's edge.
class SpreadHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit SpreadHeader(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void scrollBeyondEdge();

    QTimer *m_scrollTimer = nullptr;
    int m_dragX = 0; // last pointer position of a drag, in viewport coordinates
    bool m_dragging = false;
};

// The in-place editor of the text columns: a masked box with the record window's masks.
class SpreadDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    std::function<QString(int logicalColumn)> maskFor;
    std::function<void(int row)> editStarting;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
};

class QuickFindBox;

class UndoActions;

class TSnapShot : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit TSnapShot(AppContext &ctx, QWidget *parent = nullptr);
    ~TSnapShot() override;

    // For the search window, after a run has set the record scope and its own Status text:
    // brings this window up (its activation fills the grid with the search list) and shows
    // status, the outcome of the run, in this window's Status line. status is also kept as the
    // search status this window falls back on while no search window exists.
    void showSearchOutcome(const QString &status);

    void FormActivate() override;
    void FormDeactivate() override;

    // The fill: rows of the record scope, headers, widths, column order, menus, current row.
    void fill();

    // Handlers; rows are data rows counted from 0, columns logical.
    void SpreadViewSelectCell(int column, int row);
    void SpreadViewMouseDown(int row, int column, Qt::MouseButton button, const QPoint &globalPos);
    void SpreadViewDblClick();
    void SpreadViewColumnMoved();
    // The keyboard path of the menu columns; true when it acted.
    bool SpreadViewKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void HboxClick();
    void numberKeyPress();
    void ViewAllClick();
    void ViewSearchedClick();
    void PrintScreenBtnClick();
    void PrintSettings1Click();
    bool Print1Click();
    void ReportBtnClick();
    void SpreadSheetBtnClick();
    void One1Click();
    void Two1Click();
    void Three1Click();

    SpreadView *grid() const { return m_grid; }
    SpreadsheetModel *model() const { return m_model; }
    QMenu *printMenu() const { return m_printMenu; }
    QMenu *statusMenu() const { return m_statusMenu; }
    PickMenu *descriptionMenu(int k) const { return m_descMenus[size_t(k)]; }
    TablePrintDialog *printDialog() const { return m_printing->dialog(); }
    const TablePrintSettings &printSettings() const { return m_printing->settings(); }
    void setPrintSettings(const TablePrintSettings &s) { m_printing->setSettings(s); }
    int menuRow() const { return m_menuRow; }
    // The grid's content in visual order, as printing takes it.
    TablePrintGrid printGrid() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildToolbar();
    void buildMenus();
    TView *view() const;
    void connectView();
    QString searchStatus() const;
    void setSearchStatus(const QString &text);
    void refreshTexts();
    void applyColumnOrder();
    void applyColumnWidths();
    void readColumnWidths();
    void selectCurrentRecord();
    void makeCurrent(int pos, bool show);
    void setFlag(int which);
    void descriptionPicked(int k, const QString &fullName);
    void descriptionShown(int k);
    void popupAtCell(QMenu *menu);
    QString maskFor(int logicalColumn) const;
    void setEmptyLook(bool empty);
    void layoutPanel();

    AppContext &m_ctx;
    SpreadsheetModel *m_model = nullptr;
    SpreadView *m_grid = nullptr;
    SpreadDelegate *m_delegate = nullptr;
    SharedToolbar *m_toolbar = nullptr;
    QuickFindBox *m_findBox = nullptr;
    QWidget *m_panel = nullptr;
    QLineEdit *m_status = nullptr; // Status
    QCheckBox *m_hbox = nullptr; // Hbox
    QLineEdit *m_number = nullptr; // number
    QRadioButton *m_viewAll = nullptr; // ViewAll
    QRadioButton *m_viewSearched = nullptr; // ViewSearched
    QToolButton *m_printBtn = nullptr;
    QMenu *m_printMenu = nullptr; // PrintMenu
    UndoActions *m_undoActions = nullptr;
    QMenu *m_statusMenu = nullptr; // Checkb
    std::array<QAction *, 3> m_statusItems {}; // One1, Two1, Three1
    std::array<PickMenu *, 11> m_descMenus {}; // [k] = DMenu(k-1), k = 1..10
    TablePrinting *m_printing = nullptr; // its dialog is SpreadPrintDialog
    QPointer<TView> m_connectedView;

    QString m_searchStatus; // the last search outcome handed to this window
    int m_selectedRow = -1;
    int m_selectedColumn = -1; // logical
    int m_menuRow = -1;
    bool m_menuColumnMark = false;
    bool m_applyingColumns = false;
};
