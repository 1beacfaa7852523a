// The chart the graph window hands its counts to: the few calls the window makes, so the counting
// can be checked without drawing.
#pragma once

#include <QString>

class Printer;

class Chart
{
public:
    virtual ~Chart() = default;

    // One computation, in this order: openData, setRecordTotal, setCurrentSeries, then for each
    // point setValue followed by setLabel, then closeData.
    virtual void openData(int series, int points) = 0;
    // The number of records in the store, whatever was counted.
    virtual void setRecordTotal(double total) = 0;
    virtual void setCurrentSeries(int series) = 0;
    virtual void setValue(int point, double value) = 0;
    virtual void setLabel(int point, const QString &label) = 0;
    virtual void closeData() = 0;

    // The chart prints itself on one page; false when no job was started or nothing was drawn.
    virtual bool print(Printer &printer) = 0;
};
