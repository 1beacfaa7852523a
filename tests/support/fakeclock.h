// A clock with a fixed date and a scripted, repeatable random sequence.
#pragma once

#include <QDate>

#include "platform/clock.h"

class FakeClock : public Clock
{
public:
    QDate date { 2026, 12, 10 };
    quint32 seed = 1;
    QDate today() override { return date; }
    int random(int bound) override
    {
        // Small linear congruential sequence: repeatable in tests.
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % quint32(bound));
    }
};
