// The record window's description pick menus, caption renaming, sorting and search-list stepping.
#include "recordwindow/tview.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "categoryeditor/taddescription.h"
#include "platform/dialogs.h"
#include "recordwindow/descriptionpage.h"
#include "recordwindow/pickmenu.h"
#include "store/editcommands.h"
#include "store/sort.h"

void TView::buildPickMenus()
{
    for (int k = 1; k <= 10; ++k) {
        auto *menu = new PickMenu(k, this);
        menu->setObjectName(QStringLiteral("DescMenu%1").arg(k));
        connect(menu, &PickMenu::picked, this, &TView::DescClick);
        m_pickMenus[size_t(k)] = menu;
    }
    connect(m_descPage, &DescriptionPage::descriptionButtonClicked, this, &TView::DescBtnClick);
    connect(m_descPage, &DescriptionPage::descriptionEntered, this, &TView::DescOneEnter);
}

void TView::MakeMenu(int k)
{
    m_pickMenus[size_t(k)]->MakeMenu(m_ctx.store.categoryTree(k));
}

void TView::DescBtnClick(int k)
{
    QToolButton *btn = m_descPage->descButtons[size_t(k)];
    // Top-left corner at the middle of the button's lower edge.
    const QPoint at = btn->mapToGlobal(QPoint(btn->width() / 2, btn->height()));
    m_pickMenus[size_t(k)]->popup(at);
}

void TView::DescClick(int k, const QString &value)
{
    QLineEdit *box = m_descPage->descBoxes[size_t(k)];
    box->setText(ReturnDescriptionValue(value));
    box->setToolTip(value);
    box->setCursorPosition(0);
    Q_EMIT descriptionChosen(k, box->text());
    storeCurrent();
}

void TView::DescOneEnter(int k)
{
    if (m_inDescriptionEditor)
        return;
    m_inDescriptionEditor = true;
    storeCurrent();
    {
        TAddDescription editor(m_ctx, k, this);
        editor.exec();
    }
    MakeMenu(k);
    RecordStore &store = m_ctx.store;
    if (store.currentIndex >= 0 && store.currentIndex < store.count()) {
        const QString value = store.at(store.currentIndex).description(k);
        QLineEdit *box = m_descPage->descBoxes[size_t(k)];
        box->setToolTip(value);
        box->setText(ReturnDescriptionValue(value));
        box->setCursorPosition(0);
    }
    m_name->setFocus();
    storeCurrent();
    m_inDescriptionEditor = false;
}

void TView::CustomizeLabels(QLabel *label)
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    // Cancelling the input box returns the preset, which changes nothing.
    const QString answer = m_ctx.dialogs.inputBox(QStringLiteral("Field Name"),
        QStringLiteral("Please enter a new Filed Name:"), label->text());
    label->setText(answer);
    for (int d = 0; d < 10; ++d)
        m_ctx.store.captions.detail[size_t(d)] = m_descPage->detailLabels[size_t(d)]->text();
    for (int k = 1; k <= 10; ++k)
        m_ctx.store.captions.description[size_t(k)] = m_descPage->descLabels[size_t(k)]->text();
}

void TView::buildSortMenus(QMenu *edit)
{
    m_sortSubmenu = edit->addMenu(QStringLiteral("Sort Records"));
    m_sortSubmenu->setObjectName(QStringLiteral("Sort"));
    m_sortPopup = new QMenu(this);
    m_sortPopup->setObjectName(QStringLiteral("SortMenu"));
    for (int key = 1; key <= 21; ++key) {
        QAction *a = m_sortSubmenu->addAction(QString());
        a->setObjectName(key == 21 ? QStringLiteral("N211") : QStringLiteral("Sort%1").arg(key));
        a->setData(key);
        connect(a, &QAction::triggered, this, [this, key] { SortSelectClick(key); });
        m_sortActions[size_t(key)] = a;
    }
}

void TView::updateSortCaptions()
{
    const FieldCaptions &c = m_ctx.store.captions;
    const QString by = QStringLiteral("Sort by ");
    for (int k = 1; k <= 10; ++k)
        m_sortActions[size_t(k)]->setText(by + c.description[size_t(k)]);
    for (int d = 0; d < 10; ++d)
        m_sortActions[size_t(11 + d)]->setText(by + c.detail[size_t(d)]);
    m_sortActions[21]->setText(by + m_nameLabel->text());
}

void TView::SortRecordBtnClick()
{
    // The pop-up carries copies of the submenu's items: caption, tag and action.
    m_sortPopup->clear();
    for (int key = 1; key <= 21; ++key) {
        QAction *a = m_sortPopup->addAction(m_sortActions[size_t(key)]->text());
        a->setData(key);
        connect(a, &QAction::triggered, this, [this, key] { SortSelectClick(key); });
    }
    m_sortPopup->popup(QCursor::pos());
}

void TView::SortSelectClick(int sortKey)
{
    storeCurrent();
    m_ctx.store.searchRefresh = true;
    if (SortKey::isValid(sortKey))
        m_ctx.history->push(std::make_unique<SortCommand>(
            m_ctx.store, sortKey, m_sortActions[size_t(sortKey)]->text()));
    GetRecord(m_ctx.store.currentIndex);
    recordsChanged(m_ctx.store.count());
}

void TView::SearchListBoxClick()
{
    RecordStore &store = m_ctx.store;
    if (store.currentIndex < 0 || store.currentIndex >= store.count())
        return;
    ItemRecord &r = store.at(store.currentIndex);
    r.OnSearchList = m_searchListBox->isChecked();
    r.WasOnSearchList = r.OnSearchList;
}

void TView::NextSearchClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    const int c = store.currentIndex;
    if (c >= store.count() - 1) {
        m_ctx.dialogs.information(QStringLiteral("There are no records in the search list after this one."));
        return;
    }
    storeCurrent();
    int p = c + 1;
    while (p < store.count() - 1 && !store.at(p).OnSearchList)
        ++p;
    if (store.at(p).OnSearchList) {
        GetRecord(p);
    } else {
        m_ctx.dialogs.information(QStringLiteral("There are no records on the Search List after this one."));
        GetRecord(c);
    }
}

void TView::PreviousSearchClick()
{
    const Dialogs::AskingWindow asking(m_ctx.dialogs, this);
    RecordStore &store = m_ctx.store;
    const int c = store.currentIndex;
    if (c <= 0 || store.isEmpty()) {
        m_ctx.dialogs.information(QStringLiteral("There are no records in the search list prior to this one."));
        return;
    }
    storeCurrent();
    int p = c - 1;
    while (p > 0 && !store.at(p).OnSearchList)
        --p;
    if (store.at(p).OnSearchList) {
        GetRecord(p);
    } else {
        m_ctx.dialogs.information(QStringLiteral("There are no records on the Search List prior to this one."));
        GetRecord(c);
    }
}
