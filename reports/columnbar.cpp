// The column bar's sections and their drawing.
#include "reports/columnbar.h"

#include <QPainter>
#include <QStandardItemModel>

ColumnBar::ColumnBar(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_model(new QStandardItemModel(this))
{
    setModel(m_model);
    setSectionsClickable(true);
    setSectionResizeMode(QHeaderView::Interactive);
    setStretchLastSection(false);
    setMinimumSectionSize(1);
    setHighlightSections(false);
}

void ColumnBar::setSections(const QList<int> &widths, const QStringList &labels)
{
    m_labels = labels;
    m_model->setColumnCount(int(widths.size()));
    for (int i = 0; i < widths.size(); ++i)
        resizeSection(i, std::max(1, widths[i]));
    viewport()->update();
}

QList<int> ColumnBar::widths() const
{
    QList<int> out;
    for (int i = 0; i < count(); ++i)
        out.append(sectionSize(i));
    return out;
}

void ColumnBar::setLabel(int section, const QString &text)
{
    if (section >= 0 && section < m_labels.size())
        m_labels[section] = text;
    viewport()->update();
}

QString ColumnBar::label(int section) const
{
    return m_labels.value(section);
}

void ColumnBar::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    painter->fillRect(rect, colourOf ? colourOf(logicalIndex) : QColor(Qt::white));
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->setPen(Qt::black);
    const QFontMetrics fm(font());
    painter->drawText(
        QPoint(rect.left() + 10, rect.top() + 5 + fm.ascent()), m_labels.value(logicalIndex));
    painter->restore();
}
