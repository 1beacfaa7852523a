// Editing in the spreadsheet: the in-place editor, the row menus by mouse and keyboard, printing.
#include "spreadsheet/tsnapshot.h"

#include <QAction>
#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include "categoryeditor/taddescription.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "recordwindow/maskedit.h"
#include "recordwindow/pickmenu.h"
#include "recordwindow/tview.h"
#include "spreadsheet/spreadsheetmodel.h"
#include "store/editcommands.h"

void SpreadView::mousePressEvent(QMouseEvent *event)
{
    if (mouseHook && mouseHook(event))
        return;
    QTableView::mousePressEvent(event);
}

void SpreadView::keyPressEvent(QKeyEvent *event)
{
    // The menu path runs first; afterwards the key has its usual effect on the grid.
    if (keyHook)
        keyHook(event);
    QTableView::keyPressEvent(event);
}

void SpreadView::commitOpenEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget *editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void SpreadView::focusInEvent(QFocusEvent *event)
{
    // Gaining the focus with no current cell (the current record is not listed) would make the
    // first row current and so change the current record; only a cell the user chooses may.
    if (currentIndex().isValid() || !selectionModel()) {
        QTableView::focusInEvent(event);
        return;
    }
    const QSignalBlocker block(selectionModel());
    QTableView::focusInEvent(event);
    selectionModel()->clearCurrentIndex();
}

SpreadHeader::SpreadHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    // Clicks move and size columns only: a clickable header would select the column and with it
    // another current record.
    setSectionsClickable(false);
    // The item view's own auto-scroll follows the pointer from a timer that outlives the drop
    // and so scrolled the grid away afterwards; this header scrolls the grid itself.
    setAutoScroll(false);
    m_scrollTimer = new QTimer(this);
    m_scrollTimer->setInterval(50);
    connect(m_scrollTimer, &QTimer::timeout, this, &SpreadHeader::scrollBeyondEdge);
}

void SpreadHeader::mousePressEvent(QMouseEvent *event)
{
    const int x = event->position().toPoint().x();
    const int logical = logicalIndexAt(x);
    // A press on a section, away from its edges (which size it), starts a move.
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    const int start = logical >= 0 ? sectionViewportPosition(logical) : 0;
    m_dragging = event->button() == Qt::LeftButton && sectionsMovable() && logical >= 0
        && x - start > grip && start + sectionSize(logical) - x > grip;
    m_dragX = x;
    QHeaderView::mousePressEvent(event);
}

void SpreadHeader::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        m_dragX = event->position().toPoint().x();
        if (m_dragX < 0 || m_dragX >= viewport()->width()) {
            scrollBeyondEdge();
            m_scrollTimer->start(); // keeps scrolling while the pointer rests past the edge
        } else {
            m_scrollTimer->stop();
        }
    }
    QHeaderView::mouseMoveEvent(event);
}

void SpreadHeader::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    m_scrollTimer->stop();
    auto *table = qobject_cast<QAbstractItemView *>(parentWidget());
    const int kept = table ? table->horizontalScrollBar()->value() : 0;
    QHeaderView::mouseReleaseEvent(event);
    // The grid stays where the drop left it.
    if (table)
        table->horizontalScrollBar()->setValue(kept);
}

void SpreadHeader::scrollBeyondEdge()
{
    auto *table = qobject_cast<QAbstractItemView *>(parentWidget());
    if (!m_dragging || !table) {
        m_scrollTimer->stop();
        return;
    }
    QScrollBar *bar = table->horizontalScrollBar();
    if (m_dragX < 0)
        bar->setValue(bar->value() - bar->singleStep());
    else if (m_dragX >= viewport()->width())
        bar->setValue(bar->value() + bar->singleStep());
}

QWidget *SpreadDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const
{
    auto *editor = new MaskEdit(maskFor ? maskFor(index.column()) : QString(), parent);
    editor->setObjectName(QStringLiteral("InplaceEdit"));
    editor->setFrame(false);
    return editor;
}

void SpreadDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (editStarting)
        editStarting(index.row());
    auto *box = static_cast<MaskEdit *>(editor);
    box->setStoredText(index.data(Qt::EditRole).toString());
}

void SpreadDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *box = static_cast<MaskEdit *>(editor);
    model->setData(index, box->storedText(), Qt::EditRole);
}

QString TSnapShot::maskFor(int l) const
{
    if (!SpreadColumn::isDetail(l))
        return QString();
    const int k = l - SpreadColumn::FirstDetail;
    // The record window's own boxes say which masks are in force.
    if (TView *v = view())
        if (auto *box = v->findChild<MaskEdit *>(QStringLiteral("Detail%1").arg(k)))
            return box->editMask();
    return detailEditMask(k);
}

void TSnapShot::buildMenus()
{
    m_printMenu = new QMenu(this);
    m_printMenu->setObjectName(QStringLiteral("PrintMenu"));
    QAction *settings = m_printMenu->addAction(QStringLiteral("Print Settings"));
    settings->setObjectName(QStringLiteral("PrintSettings1"));
    connect(settings, &QAction::triggered, this, &TSnapShot::PrintSettings1Click);
    QAction *print = m_printMenu->addAction(QStringLiteral("Print"));
    print->setObjectName(QStringLiteral("Print1"));
    connect(print, &QAction::triggered, this, [this] { Print1Click(); });

    m_statusMenu = new QMenu(this);
    m_statusMenu->setObjectName(QStringLiteral("Checkb"));
    const char *names[] = { "One1", "Two1", "Three1" };
    const char *layoutTexts[] = { "One", "Two", "Three" };
    for (int i = 0; i < 3; ++i) {
        QAction *a = m_statusMenu->addAction(QString::fromLatin1(layoutTexts[i]));
        a->setObjectName(QString::fromLatin1(names[i]));
        connect(a, &QAction::triggered, this, [this, i] { setFlag(i); });
        m_statusItems[size_t(i)] = a;
    }

    for (int k = 1; k <= RecordStore::CategoryCount; ++k) {
        auto *menu = new PickMenu(k, this);
        menu->setObjectName(QStringLiteral("DMenu%1").arg(k - 1));
        connect(menu, &PickMenu::picked, this, &TSnapShot::descriptionPicked);
        m_descMenus[size_t(k)] = menu;
    }
    connectView();
}

void TSnapShot::connectView()
{
    // A choice in the record window's own pick menus changes its current record too.
    TView *v = view();
    if (!v || v == m_connectedView)
        return;
    if (m_connectedView)
        disconnect(m_connectedView, &TView::descriptionChosen, this, &TSnapShot::descriptionShown);
    m_connectedView = v;
    connect(v, &TView::descriptionChosen, this, &TSnapShot::descriptionShown);
}

void TSnapShot::SpreadViewMouseDown(
    int row, int column, Qt::MouseButton button, const QPoint &globalPos)
{
    const int pos = m_model->positionAt(row);
    if (pos < 0)
        return;
    m_ctx.store.currentIndex = pos;
    if (button != Qt::RightButton)
        return;
    // The record window shows this record first, so that the pick action's store changes
    // nothing of it but the chosen description.
    makeCurrent(pos, true);
    m_menuRow = row;
    if (SpreadColumn::isDescription(column))
        m_descMenus[size_t(column - SpreadColumn::FirstDescription + 1)]->popup(globalPos);
    else if (column == SpreadColumn::Status)
        m_statusMenu->popup(globalPos);
}

bool TSnapShot::SpreadViewKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (!m_menuColumnMark || m_selectedColumn < 0)
        return false;
    const int pos = m_model->positionAt(m_selectedRow);
    if (pos < 0)
        return false;
    const int l = m_selectedColumn;
    m_menuRow = m_selectedRow;
    makeCurrent(pos, false);
    if (l == SpreadColumn::Status) {
        popupAtCell(m_statusMenu);
        return true;
    }
    if (!SpreadColumn::isDescription(l))
        return false;
    const int k = l - SpreadColumn::FirstDescription + 1;
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    const bool shiftOnly
        = held == Qt::ShiftModifier || (key == Qt::Key_Shift && held == Qt::NoModifier);
    if (!shiftOnly) {
        {
            TAddDescription editor(m_ctx, k, this);
            editor.exec();
        }
        m_descMenus[size_t(k)]->MakeMenu(m_ctx.store.categoryTree(k));
        // The editor may have written the record's value and renamed others: the record
        // window reloads its buffer and the grid repaints from the store.
        if (m_menuRow >= 0 && m_model->positionAt(m_menuRow) == pos) {
            makeCurrent(pos, true);
        } else {
            // The editor's return refilled the grid; the record's row may have moved.
            m_menuRow = m_model->rowOf(pos);
            makeCurrent(pos, true);
        }
        m_grid->viewport()->update();
        if (m_menuRow < 0)
            return true;
    }
    popupAtCell(m_descMenus[size_t(k)]);
    return true;
}

void TSnapShot::popupAtCell(QMenu *menu)
{
    const int row = m_menuRow >= 0 ? m_menuRow : m_selectedRow;
    const QRect cell = m_grid->visualRect(m_model->index(row, m_selectedColumn));
    // Waits for the choice, so the key's own effect on the grid comes after it.
    menu->exec(m_grid->viewport()->mapToGlobal(cell.topLeft()));
}

void TSnapShot::descriptionPicked(int k, const QString &fullName)
{
    const int pos = m_model->positionAt(m_menuRow);
    if (pos < 0)
        return;
    // The pick acts on the record window's current record: make it the menu row's record.
    makeCurrent(pos, true);
    if (TView *v = view()) {
        v->DescClick(k, fullName);
    } else {
        ItemRecord r = m_ctx.store.at(pos);
        r.setDescription(k, fullName);
        m_ctx.history->push(
            std::make_unique<RecordEditCommand>(m_ctx.store, m_ctx.store.shared(pos), std::move(r),
                QStringLiteral("Typing in ") + m_ctx.store.captions.description[size_t(k)]));
    }
    m_model->recordChanged(pos);
}

void TSnapShot::descriptionShown(int)
{
    m_model->recordChanged(m_ctx.store.currentIndex);
}

void TSnapShot::setFlag(int which)
{
    const int pos = m_model->positionAt(m_menuRow);
    if (pos < 0)
        return;
    ItemRecord r = m_ctx.store.at(pos);
    r.Wanted = which == 0;
    r.ForTrade = which == 1;
    r.ForSale = which == 2;
    m_ctx.history->push(std::make_unique<RecordEditCommand>(
        m_ctx.store, m_ctx.store.shared(pos), std::move(r), QStringLiteral("Change Status")));
    // The record window's boxes follow: its buffer is reloaded from the record.
    makeCurrent(pos, true);
    m_model->recordChanged(pos);
}

void TSnapShot::One1Click()
{
    setFlag(0);
}

void TSnapShot::Two1Click()
{
    setFlag(1);
}

void TSnapShot::Three1Click()
{
    setFlag(2);
}

void TSnapShot::PrintScreenBtnClick()
{
    // Corner at the middle of the button's lower edge.
    m_printMenu->popup(
        m_printBtn->mapToGlobal(QPoint(m_printBtn->width() / 2, m_printBtn->height())));
}

void TSnapShot::PrintSettings1Click()
{
    m_printing->showSettings();
}

bool TSnapShot::Print1Click()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    return m_printing->print();
}
