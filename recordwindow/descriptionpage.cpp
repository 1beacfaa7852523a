// The Description page: layout of the description and detail boxes.
#include "recordwindow/descriptionpage.h"

#include <algorithm>

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "recordwindow/maskedit.h"
#include "store/valuestream.h"

void CaptionLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

namespace {

const char *const DescBoxNames[] = { "", "DescOne", "DescTwo", "DescThree", "DescFour", "DescFive",
    "DescSix", "DescSeven", "DescEight", "DescNine", "DescTen" };

} // namespace

DescriptionPage::DescriptionPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DescriptionPage"));
    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(6);

    auto *left = new QWidget;
    left->setObjectName(QStringLiteral("DescriptionPanel"));
    auto *lg = new QGridLayout(left);
    lg->setContentsMargins(6, 6, 4, 6);
    lg->setHorizontalSpacing(6);
    lg->setVerticalSpacing(4);
    for (int k = 1; k <= 10; ++k) {
        auto *label = new CaptionLabel(left);
        label->setObjectName(QStringLiteral("Desc%1").arg(k));
        label->setCursor(Qt::PointingHandCursor);
        label->setToolTip(QStringLiteral("Click to rename this field"));
        auto *box = new QLineEdit(left);
        box->setObjectName(QString::fromLatin1(DescBoxNames[k]));
        box->setReadOnly(true);
        box->setMaxLength(ValueStream::LongestText);
        box->setFocusPolicy(Qt::ClickFocus);
        box->setProperty("tag", k);
        box->installEventFilter(this);
        auto *btn = new QToolButton(left);
        btn->setObjectName(QStringLiteral("Desc%1Btn").arg(k));
        btn->setArrowType(Qt::DownArrow);
        btn->setFocusPolicy(Qt::NoFocus);
        btn->setToolTip(QStringLiteral("Pick a category"));
        label->setBuddy(box);
        lg->addWidget(label, k - 1, 0, Qt::AlignRight | Qt::AlignVCenter);
        lg->addWidget(box, k - 1, 1);
        lg->addWidget(btn, k - 1, 2);
        descLabels[size_t(k)] = label;
        descBoxes[size_t(k)] = box;
        descButtons[size_t(k)] = btn;
        connect(label, &CaptionLabel::clicked, this, [this, label] { Q_EMIT captionClicked(label); });
        connect(btn, &QToolButton::clicked, this, [this, k] { Q_EMIT descriptionButtonClicked(k); });
    }
    lg->setColumnStretch(1, 1);
    lg->setRowStretch(10, 1);

    auto *right = new QWidget;
    right->setObjectName(QStringLiteral("DetailPanel"));
    auto *rg = new QGridLayout(right);
    rg->setContentsMargins(4, 6, 6, 6);
    rg->setHorizontalSpacing(4);
    rg->setVerticalSpacing(4);
    int row = 0;
    for (int d : DetailOrder) {
        auto *label = new CaptionLabel(right);
        label->setObjectName(QStringLiteral("sn%1").arg(d));
        label->setCursor(Qt::PointingHandCursor);
        label->setToolTip(QStringLiteral("Click to rename this field"));
        auto *box = new MaskEdit(detailEditMask(d), right);
        box->setObjectName(QStringLiteral("Detail%1").arg(d));
        if (d == 2)
            box->setToolTip(QStringLiteral("Date Received (CCYY/MM/DD)"));
        label->setBuddy(box);
        rg->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        if (d == 1 || d == 8) {
            auto *dollar = new QLabel(QStringLiteral("$"), right);
            dollar->setObjectName(QStringLiteral("Dollar%1").arg(d));
            rg->addWidget(dollar, row, 1, Qt::AlignRight | Qt::AlignVCenter);
        }
        rg->addWidget(box, row, 2);
        detailLabels[size_t(d)] = label;
        detailBoxes[size_t(d)] = box;
        connect(label, &CaptionLabel::clicked, this, [this, label] { Q_EMIT captionClicked(label); });
        ++row;
    }
    statusLabel = new QLabel(QStringLiteral("Status"), right);
    statusLabel->setObjectName(QStringLiteral("boxname"));
    rg->addWidget(statusLabel, row, 0, Qt::AlignRight | Qt::AlignTop);
    auto *flags = new QWidget(right);
    // Stacked, so the three boxes never clip when the detail panel is narrow.
    auto *fl = new QVBoxLayout(flags);
    fl->setContentsMargins(0, 0, 0, 0);
    fl->setSpacing(2);
    wanted = new QCheckBox(QStringLiteral("Wanted"), flags);
    wanted->setObjectName(QStringLiteral("CheckBox1"));
    forTrade = new QCheckBox(QStringLiteral("For Trade"), flags);
    forTrade->setObjectName(QStringLiteral("CheckBox2"));
    forSale = new QCheckBox(QStringLiteral("For Sale"), flags);
    forSale->setObjectName(QStringLiteral("CheckBox3"));
    fl->addWidget(wanted);
    fl->addWidget(forTrade);
    fl->addWidget(forSale);
    rg->addWidget(flags, row, 2);
    rg->setColumnStretch(2, 1);
    rg->setRowStretch(row + 1, 1);

    // No fixed minimum width on the panels: their layouts keep what the boxes and captions
    // need (more than the splitter's 50 pixels), so moving the splitter or shrinking the window
    // never lays controls over each other.
    splitter->addWidget(left);
    splitter->addWidget(right);
    // A resize goes wholly to the description panel; the detail panel keeps its width (see
    // eventFilter).
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->installEventFilter(this);

    // A window made smaller than the page needs (a window manager need not honour the minimum
    // size) scrolls the page instead of squeezing its boxes over each other.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("DescriptionScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(splitter);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(scroll);
}

QSize DescriptionPage::sizeHint() const
{
    // The scroll area would offer a size of its own choosing; the page asks for its content's.
    return splitter->sizeHint().expandedTo(splitter->minimumSizeHint());
}

bool DescriptionPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == splitter && event->type() == QEvent::Resize) {
        // QSplitter sizes a panel without stretch from the width it was last given by hand, not
        // the width it has, so hand it the present widths before it lays out the new size. The
        // first layout splits the page in two halves.
        const auto *resize = static_cast<QResizeEvent *>(event);
        if (resize->oldSize().width() <= 0) {
            const int half = std::max(0, resize->size().width() - splitter->handleWidth()) / 2;
            splitter->setSizes({ half, half });
        } else {
            splitter->setSizes(splitter->sizes());
        }
        return false;
    }
    if (event->type() == QEvent::FocusIn) {
        const int k = watched->property("tag").toInt();
        if (k >= 1 && k <= 10)
            Q_EMIT descriptionEntered(k);
    } else if (event->type() == QEvent::KeyPress) {
        // Alt+Down or F4 opens the box's pick menu, as in a drop-down box.
        const auto *key = static_cast<QKeyEvent *>(event);
        const QKeyCombination c = key->keyCombination();
        const int k = watched->property("tag").toInt();
        if (k >= 1 && k <= 10
            && (c == QKeyCombination(Qt::AltModifier, Qt::Key_Down)
                || c == QKeyCombination(Qt::NoModifier, Qt::Key_F4))) {
            Q_EMIT descriptionButtonClicked(k);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
