// The chart of the graph window on Qt Charts: one series of horizontal bars, each labelled with
// its count, with the sub-category texts down the left axis.
#pragma once

#include <vector>

#include <QStringList>
#include <QWidget>

#include "graph/chart.h"

class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QChart;
class QChartView;
class QHorizontalBarSeries;
class QScrollArea;
class QValueAxis;

class QtChart : public QWidget, public Chart
{
    Q_OBJECT
public:
    explicit QtChart(QWidget *parent = nullptr);
    ~QtChart() override;

    void openData(int series, int points) override;
    void setRecordTotal(double total) override;
    void setCurrentSeries(int series) override;
    void setValue(int point, double value) override;
    void setLabel(int point, const QString &label) override;
    void closeData() override;
    bool print(Printer &printer) override;

    // What the chart shows, for tests and the window.
    int pointCount() const { return int(m_values.size()); }
    double value(int point) const { return m_values[size_t(point)]; }
    QString label(int point) const { return m_labels[point]; }
    double recordTotal() const { return m_recordTotal; }
    // The texts down the category axis (elided, kept distinct).
    QStringList axisLabels() const;
    QChart *chart() const { return m_chart; }
    QChartView *chartView() const { return m_view; }

    // Longest axis text before it is elided; the full text shows as the bar's tool tip.
    static constexpr int MaxLabelLength = 28;
    // Height each bar needs to stay readable; past what the window shows, the chart scrolls.
    static constexpr int RowHeight = 22;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void rebuild();
    void fitHeight();
    int neededHeight() const;
    void showPointTip(bool on, int point);

    QScrollArea *m_scroll = nullptr;
    QChartView *m_view = nullptr;
    QChart *m_chart = nullptr;
    QHorizontalBarSeries *m_series = nullptr;
    QBarSet *m_set = nullptr;
    QBarCategoryAxis *m_axisY = nullptr;
    QValueAxis *m_axisX = nullptr;

    int m_currentSeries = 0;
    double m_recordTotal = 0;
    std::vector<double> m_values;
    QStringList m_labels;
};
