// The anchor list: a delegate draws each entry as a link or, when damaged, as plain text.
#include "recordwindow/anchorlist.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QStatusTipEvent>
#include <QStringListModel>
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
        QColor colour
            = s.anchor ? opt.palette.color(QPalette::Link) : opt.palette.color(QPalette::Text);
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
    : QListView(parent)
    , m_model(new QStringListModel(this))
{
    setModel(m_model);
    setItemDelegate(new AnchorDelegate(this));
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    QPalette p = palette();
    p.setColor(QPalette::Link, QColor(0, 0, 238));
    setPalette(p);
}

void AnchorList::setEntries(const QStringList &entries)
{
    m_model->setStringList(entries);
}

QStringList AnchorList::entries() const
{
    return m_model->stringList();
}

int AnchorList::count() const
{
    return m_model->rowCount();
}

QString AnchorList::entry(int row) const
{
    return row >= 0 && row < count() ? m_model->index(row).data().toString() : QString();
}

void AnchorList::appendEntry(const QString &entry)
{
    const int row = count();
    m_model->insertRows(row, 1);
    m_model->setData(m_model->index(row), entry);
}

void AnchorList::removeEntry(int row)
{
    if (row >= 0 && row < count())
        m_model->removeRows(row, 1);
}

void AnchorList::setCurrentRow(int row)
{
    setCurrentIndex(m_model->index(row));
}

bool AnchorList::isAnchor(int row) const
{
    return row >= 0 && row < count() && parseAnchor(entry(row)).has_value();
}

QRect AnchorList::anchorRect(int row) const
{
    if (row < 0 || row >= count())
        return {};
    const Shown s = shownEntry(entry(row));
    const QFont f = s.anchor ? linkFont(font()) : font();
    return textRect(visualRect(m_model->index(row)), QFontMetrics(f), s.text, nullptr);
}

int AnchorList::textRowAt(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return -1;
    return anchorRect(index.row()).contains(pos) ? index.row() : -1;
}

void AnchorList::emitClicked(int row, const QPoint &globalPos)
{
    const auto anchor = parseAnchor(entry(row));
    // The receiver may rebuild the list, so nothing of it is used after the signal.
    Q_EMIT anchorClicked(row, anchor ? anchor->href : QString(), anchor.has_value(), globalPos);
}

void AnchorList::keyPressEvent(QKeyEvent *event)
{
    // Enter follows the current entry as a click on it would.
    const int row = currentIndex().row();
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && row >= 0) {
        emitClicked(row, viewport()->mapToGlobal(anchorRect(row).bottomLeft()));
        return;
    }
    QListView::keyPressEvent(event);
}

void AnchorList::mouseMoveEvent(QMouseEvent *event)
{
    QListView::mouseMoveEvent(event);
    const int row = textRowAt(event->position().toPoint());
    viewport()->setCursor(row >= 0 && isAnchor(row) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    showAddressInStatusBar(row);
}

void AnchorList::leaveEvent(QEvent *event)
{
    QListView::leaveEvent(event);
    showAddressInStatusBar(-1);
}

void AnchorList::showAddressInStatusBar(int row)
{
    // Where a link goes, whatever its title says, as browsers show it.
    QString address;
    if (row >= 0 && m_addressTips) {
        if (const auto anchor = parseAnchor(entry(row)))
            address = shortenedForMessage(anchor->href, 200);
    }
    if (address == m_statusAddress)
        return;
    m_statusAddress = address;
    QStatusTipEvent tip(address);
    QCoreApplication::sendEvent(this, &tip);
}

void AnchorList::mouseReleaseEvent(QMouseEvent *event)
{
    QListView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = textRowAt(event->position().toPoint());
    if (row >= 0)
        emitClicked(row, event->globalPosition().toPoint());
}

bool AnchorList::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int row = textRowAt(help->pos());
        if (row >= 0 && m_addressTips) {
            const auto anchor = parseAnchor(entry(row));
            const QString tip = anchor ? shortenedForMessage(anchor->href, 200)
                                       : QStringLiteral("This entry is not a well-formed link.");
            QToolTip::showText(help->globalPos(), tip, viewport());
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QListView::viewportEvent(event);
}
