// Today's date and the random source; tests fix both.
#pragma once

#include <QDate>
#include <QRandomGenerator>

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() = 0;
    // A whole number in [0, bound).
    virtual int random(int bound) = 0;
};

class SystemClock : public Clock
{
public:
    QDate today() override { return QDate::currentDate(); }
    int random(int bound) override { return int(QRandomGenerator::global()->bounded(bound)); }
};
