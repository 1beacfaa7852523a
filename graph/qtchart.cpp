// The graph's chart on Qt Charts.
#include "graph/qtchart.h"

#include <algorithm>
#include <cmath>

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCoreApplication>
#include <QCursor>
#include <QFont>
#include <QGraphicsLayout>
#include <QHorizontalBarSeries>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

#include "platform/printer.h"

namespace {

// A step of 1, 2 or 5 times a power of ten, so the count axis has about five whole-number ticks.
double niceStep(double largest)
{
    const double rough = std::max(1.0, largest / 5);
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double f : { 1.0, 2.0, 5.0 }) {
        if (f * magnitude >= rough)
            return f * magnitude;
    }
    return 10 * magnitude;
}

// The category axis needs distinct texts: a text that repeats (two sub-categories of the same
// name, or two long ones that elide alike) gets invisible zero-width spaces to tell it apart.
QStringList axisTexts(const QStringList &labels, int maxLength)
{
    QStringList out;
    out.reserve(labels.size());
    for (const QString &label : labels) {
        QString text = label.simplified();
        if (text.size() > maxLength)
            text = text.left(maxLength - 1).trimmed() + QChar(0x2026);
        while (out.contains(text))
            text += QChar(0x200B);
        out.append(text);
    }
    return out;
}

} // namespace

QtChart::QtChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Graph"));
    m_chart = new QChart;
    m_chart->legend()->hide();
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setMargins(QMargins(4, 4, 12, 4));
    m_chart->setBackgroundRoundness(0);
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);

    m_series = new QHorizontalBarSeries;
    m_set = new QBarSet(QStringLiteral("Records"));
    m_series->append(m_set);
    m_series->setBarWidth(0.7);
    m_series->setLabelsVisible(true);
    m_series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    m_series->setLabelsFormat(QStringLiteral("@value"));
    m_chart->addSeries(m_series);

    // The theme is applied when the series joins the chart; the set's own colours come after.
    m_set->setColor(QColor(0x3b, 0x6e, 0xa8));
    m_set->setBorderColor(QColor(0x2a, 0x50, 0x7c));
    m_set->setLabelColor(QColor(0x20, 0x20, 0x20));

    m_axisY = new QBarCategoryAxis;
    m_axisY->setGridLineVisible(false);
    // Qt Charts elides a category text to "..." when its row is lower than the text: a slightly
    // smaller font keeps the rows compact (see RowHeight).
    QFont axisFont = m_axisY->labelsFont();
    if (axisFont.pointSizeF() > 8)
        axisFont.setPointSizeF(axisFont.pointSizeF() - 1);
    m_axisY->setLabelsFont(axisFont);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisY);

    m_axisX = new QValueAxis;
    m_axisX->setLabelFormat(QStringLiteral("%d"));
    m_axisX->setTickType(QValueAxis::TicksDynamic);
    m_axisX->setTickAnchor(0);
    m_axisX->setTickInterval(1);
    m_axisX->setRange(0, 1);
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_series->attachAxis(m_axisX);

    m_view = new QChartView(m_chart);
    m_view->setObjectName(QStringLiteral("GraphView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFrameShape(QFrame::NoFrame);

    // Many sub-categories make the chart taller than the window: it then scrolls, and every bar
    // keeps a readable height.
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("GraphScroll"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFrameShape(QFrame::StyledPanel);
    m_scroll->setWidget(m_view);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    connect(m_set, &QBarSet::hovered, this, &QtChart::showPointTip);
    rebuild();
}

QtChart::~QtChart() = default;

void QtChart::openData(int series, int points)
{
    Q_UNUSED(series); // one series is all this chart draws
    m_values.assign(size_t(std::max(0, points)), 0.0);
    m_labels = QStringList(qsizetype(m_values.size()), QString());
}

void QtChart::setRecordTotal(double total)
{
    m_recordTotal = total;
}

void QtChart::setCurrentSeries(int series)
{
    m_currentSeries = series;
}

void QtChart::setValue(int point, double value)
{
    if (m_currentSeries == 0 && point >= 0 && point < int(m_values.size()))
        m_values[size_t(point)] = value;
}

void QtChart::setLabel(int point, const QString &label)
{
    if (point >= 0 && point < m_labels.size())
        m_labels[point] = label;
}

void QtChart::closeData()
{
    rebuild();
}

QStringList QtChart::axisLabels() const
{
    QStringList texts = m_axisY->categories();
    std::reverse(texts.begin(), texts.end());
    return texts;
}

void QtChart::rebuild()
{
    if (m_set->count() > 0)
        m_set->remove(0, m_set->count());
    m_axisY->clear();
    // Horizontal bars run from the bottom up: hand them over last first, so the first
    // sub-category stands at the top, as in the tree.
    QList<qreal> values;
    values.reserve(qsizetype(m_values.size()));
    double largest = 0;
    for (auto it = m_values.crbegin(); it != m_values.crend(); ++it) {
        values.append(*it);
        largest = std::max(largest, *it);
    }
    QStringList texts = axisTexts(m_labels, MaxLabelLength);
    std::reverse(texts.begin(), texts.end());
    m_axisY->append(texts);
    m_set->append(values);

    // Room past the longest bar for its count label.
    const double step = niceStep(largest);
    const double top = std::max(step, std::ceil(largest * 1.12 / step) * step);
    m_axisX->setTickInterval(step);
    m_axisX->setRange(0, top);
    m_axisX->setTitleText(
        QStringLiteral("Records (%1 in the database)").arg(QString::number(m_recordTotal, 'f', 0)));
    fitHeight();
}

int QtChart::neededHeight() const
{
    // Bars, plus the count axis with its title and the chart's margins.
    return int(m_values.size()) * RowHeight + 70;
}

void QtChart::fitHeight()
{
    m_view->setMinimumHeight(neededHeight());
}

void QtChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitHeight();
}

void QtChart::showPointTip(bool on, int point)
{
    // Points are numbered from the bottom bar up.
    point = int(m_labels.size()) - 1 - point;
    if (!on || point < 0 || point >= m_labels.size()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(QCursor::pos(),
        QStringLiteral("%1: %2").arg(m_labels[point], QString::number(m_values[size_t(point)])),
        m_view);
}

bool QtChart::print(Printer &printer)
{
    // The chart as laid out for the screen, whole even where the window scrolls; a chart that was
    // never shown is laid out at a size of its own first.
    if (m_view->size().isEmpty() || m_chart->size().isEmpty())
        m_view->resize(std::max(640, m_view->width()), std::max(480, neededHeight()));
    // Chart changes are laid out on the next pass of the event loop; print what was handed over
    // just now, not what was shown before it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (QGraphicsLayout *layout = m_chart->layout())
        layout->activate();
    const QRectF source = m_chart->sceneBoundingRect();
    if (source.isEmpty())
        return false;
    if (!printer.begin(QStringLiteral("Graph Function")))
        return false;
    const QSizeF page = printer.pageSize();
    // Fill the page's width, or its height when the chart is the taller, keeping proportions.
    QSizeF target = source.size().scaled(page, Qt::KeepAspectRatio);
    QPainter *p = printer.painter();
    p->setRenderHint(QPainter::Antialiasing);
    m_chart->scene()->render(p, QRectF(QPointF(0, 0), target), source, Qt::KeepAspectRatio);
    return printer.end();
}
