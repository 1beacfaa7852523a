// The search window's criteria menus and its three notebook pages of criteria.
#pragma once

#include <array>

#include <QMenu>
#include "store/categorytree.h"
#include <QStringView>
#include <QWidget>

class QGridLayout;
class QLabel;
class QLineEdit;
class QToolButton;
class MaskEdit;

// The criteria menu of one description: "ANY" first, then the category tree with the items of
// every level in the reverse of the tree's order. Every item chooses its own category, an item
// with sub-items as soon as its sub-menu opens, so a parent's whole branch can be searched.
class CriteriaMenu : public QMenu
{
    Q_OBJECT
public:
    explicit CriteriaMenu(int k, QWidget *parent = nullptr);

    int category() const { return m_k; }

    // Discards the items and builds them from a category text. A text that does not build
    // leaves "ANY" alone and gives false (the record window reports such a text).
    bool CreateMenu(QStringView categoryText);
    void CreateMenu(const CategoryTree &tree);

    // What choosing an item writes: its full name, leaf first, or "ANY". Empty for an action
    // that is no item of a criteria menu.
    static QString itemFullName(const QAction *item);

Q_SIGNALS:
    void chosen(int k, const QString &fullName);

private:
    void discardItems();

    int m_k;
};

// "Description": a caption, a criterion box and a menu button per description.
class DescriptionCriteriaPage : public QWidget
{
    Q_OBJECT
public:
    explicit DescriptionCriteriaPage(QWidget *parent = nullptr);

    std::array<QLabel *, 11> labels {}; // Sf1..Sf10, [0] unused
    std::array<QLineEdit *, 11> boxes {}; // SearchOne..SearchTen
    std::array<QToolButton *, 11> buttons {}; // BitBtn1, BitBtn6, BitBtn11..BitBtn18

Q_SIGNALS:
    void menuButtonClicked(int k);
};

// "Detail": a low and a high box for the name and each detail.
class DetailCriteriaPage : public QWidget
{
    Q_OBJECT
public:
    explicit DetailCriteriaPage(QWidget *parent = nullptr);

    // Gives the boxes of a detail another edit mask (the record window's), keeping their texts.
    void applyMask(int detail, const QString &mask);

    QLabel *nameLabel = nullptr; // dnl
    MaskEdit *nameLow = nullptr; // dnlow
    MaskEdit *nameHigh = nullptr; // dnhigh
    std::array<QLabel *, 10> labels {}; // d0l..d9l
    std::array<MaskEdit *, 10> lows {}; // d0low..d9low
    std::array<MaskEdit *, 10> highs {}; // d0high..d9high

Q_SIGNALS:
    // Any key pressed in one of the boxes.
    void keyPressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MaskEdit *makeBox(const QString &name, const QString &mask, const QString &text);

    QGridLayout *m_grid = nullptr;
};

// "Notes": criteria for the keywords, history and notes lines.
class NotesCriteriaPage : public QWidget
{
    Q_OBJECT
public:
    explicit NotesCriteriaPage(QWidget *parent = nullptr);

    std::array<QLabel *, 3> labels {}; // label2, Label3, Label5
    std::array<QLineEdit *, 3> boxes {}; // FNote0, FNote1, Fnote2

Q_SIGNALS:
    void keyPressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
