// The anchor list: a delegate draws each entry as a link or, when damaged, as plain text.
#include "recordwindow/anchorlist.h"

#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "recordwindow/weblinks.h"

namespace {

constexpr int TextMargin = 6;

struct Shown
{
    QString text; // one line, as drawn before eliding
    bool anchor = false;
    QString href;
};

Shown shownEntry(const QString &entry)
{
    Shown s;
    if (const auto a = parseAnchor(entry)) {
        s.anchor = true;
        s.href = a->href;
        s.text = a->text;
    } else {
        s.text = entry;
    }
    // Line breaks from a hand-edited file draw as blanks; the list shows one line per entry.
    for (QChar &c : s.text) {
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    }
    return s;
}

QFont linkFont(QFont font)
{
    font.setUnderline(true);
    return font;
}

// The rectangle the (elided) text takes inside an item rectangle.
QRect textRect(const QRect &item, const QFontMetrics &fm, const QString &text, QString *elided)
{
    const QRect room = item.adjusted(TextMargin, 0, -TextMargin, 0);
    const QString e = fm.elidedText(text, Qt::ElideRight, room.width());
    if (elided)
        *elided = e;
    const int w = std::min(room.width(), fm.horizontalAdvance(e));
    return QRect(room.left(), room.top(), std::max(w, 0), room.height());
}

class AnchorDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const Shown s = shownEntry(opt.text);
        opt.text.clear();
        const QWidget *w = opt.widget;
        QStyle *style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);

        const QFont font = s.anchor ? linkFont(opt.font) : opt.font;
        QString elided;
        const QRect r = textRect(opt.rect, QFontMetrics(font), s.text, &elided);
        painter->save();
        painter->setFont(font);
        const bool selected = opt.state & QStyle::State_Selected;
        QColor colour = s.anchor ? opt.palette.color(QPalette::Link)
                                 : opt.palette.color(QPalette::Text);
        if (selected)
            colour = opt.palette.color(QPalette::HighlightedText);
        painter->setPen(colour);
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, elided);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        // Every row is one line high; the width never depends on the entry's length.
        Q_UNUSED(index);
        return QSize(1, QFontMetrics(option.font).height() + 6);
    }
};

} // namespace

AnchorList::AnchorList(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new AnchorDelegate(this));
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    setMouseTracking(true);
    QPalette p = palette();
    p.setColor(QPalette::Link, QColor(0, 0, 238));
    setPalette(p);
}

void AnchorList::setEntries(const QStringList &entries)
{
    clear();
    addItems(entries);
}

QStringList AnchorList::entries() const
{
    QStringList list;
    list.reserve(count());
    for (int i = 0; i < count(); ++i)
        list << item(i)->text();
    return list;
}

void AnchorList::appendEntry(const QString &entry)
{
    addItem(entry);
}

bool AnchorList::isAnchor(int row) const
{
    return row >= 0 && row < count() && parseAnchor(item(row)->text()).has_value();
}

QRect AnchorList::anchorRect(int row) const
{
    if (row < 0 || row >= count())
        return {};
    const Shown s = shownEntry(item(row)->text());
    const QFont f = s.anchor ? linkFont(font()) : font();
    return textRect(visualItemRect(item(row)), QFontMetrics(f), s.text, nullptr);
}

int AnchorList::textRowAt(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return -1;
    return anchorRect(index.row()).contains(pos) ? index.row() : -1;
}

void AnchorList::mouseMoveEvent(QMouseEvent *event)
{
    QListWidget::mouseMoveEvent(event);
    const int row = textRowAt(event->position().toPoint());
    viewport()->setCursor(row >= 0 && isAnchor(row) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void AnchorList::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = textRowAt(event->position().toPoint());
    if (row < 0)
        return;
    const auto anchor = parseAnchor(item(row)->text());
    // The receiver may rebuild the list, so nothing of it is used after the signal.
    Q_EMIT anchorClicked(row, anchor ? anchor->href : QString(), anchor.has_value(),
        event->globalPosition().toPoint());
}

bool AnchorList::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int row = textRowAt(help->pos());
        if (row >= 0 && m_addressTips) {
            const auto anchor = parseAnchor(item(row)->text());
            const QString tip = anchor ? shortenedForMessage(anchor->href, 200)
                                       : QStringLiteral("This entry is not a well-formed link.");
            QToolTip::showText(help->globalPos(), tip, viewport());
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QListWidget::viewportEvent(event);
}
