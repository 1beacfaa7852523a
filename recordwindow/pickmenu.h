// PickMenu: a pop-up menu mirrored from a category tree, whose entries choose a description.
#pragma once

#include <QMenu>
#include <QStringView>

#include "store/categorytree.h"

// One entry per node, captioned with the node's text, the children as the entry's sub-menu, in
// tree order; every entry carries the category number k as its QAction::data(). Every entry
// chooses its own category: a leaf when it is triggered, an entry with sub-entries as soon as
// its sub-menu opens (so opening it and dismissing the menu leaves the inner category chosen).
class PickMenu : public QMenu
{
    Q_OBJECT
public:
    explicit PickMenu(int k, QWidget *parent = nullptr);

    int category() const { return m_k; }

    // Discards the entries and mirrors the tree built from categoryText. A text that does not
    // build leaves the menu empty and gives false; the caller reports the error.
    bool MakeMenu(QStringView categoryText);
    // Discards the entries and mirrors the tree.
    void MakeMenu(const CategoryTree &tree);

    // The full name an entry stands for: its node's text, then " : " and the text of each
    // enclosing entry up to the top level. Empty for an action that is no pick entry.
    static QString entryFullName(const QAction *entry);

Q_SIGNALS:
    // An entry was chosen: k is the entry's category number, fullName the value to store.
    void picked(int k, const QString &fullName);

private:
    void discardEntries();

    int m_k;
};
