// The Description page of the record window: description boxes on the left, details on the right.
#pragma once

#include <array>

#include <QLabel>
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QSplitter;
class QToolButton;
class MaskEdit;

// A caption label the user clicks to rename the field.
class CaptionLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

class DescriptionPage : public QWidget
{
    Q_OBJECT
public:
    explicit DescriptionPage(QWidget *parent = nullptr);

    // What the page's boxes and captions need at the present font: shown at this size or larger
    // the page has no scroll bar.
    QSize sizeHint() const override;

    // Detail rows stand in this order so the two money details sit together.
    static constexpr std::array<int, 10> DetailOrder { 0, 1, 8, 2, 3, 4, 5, 6, 7, 9 };

    QSplitter *splitter = nullptr; // Splitter1
    std::array<CaptionLabel *, 11> descLabels {}; // Desc1..Desc10, [0] unused
    std::array<QLineEdit *, 11> descBoxes {}; // DescOne..DescTen
    std::array<QToolButton *, 11> descButtons {}; // Desc1Btn..Desc10Btn
    std::array<CaptionLabel *, 10> detailLabels {}; // sn0..sn9
    std::array<MaskEdit *, 10> detailBoxes {}; // Detail0..Detail9
    QLabel *statusLabel = nullptr; // boxname
    QCheckBox *wanted = nullptr; // CheckBox1
    QCheckBox *forTrade = nullptr; // CheckBox2
    QCheckBox *forSale = nullptr; // CheckBox3

Q_SIGNALS:
    // A description box was entered (k = 1..10).
    void descriptionEntered(int k);
    void descriptionButtonClicked(int k);
    void captionClicked(CaptionLabel *label);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
