#pragma once
// The wall clock as the engine reads it (due times of queued messages,
// receive times), so that tests can set the time.
#include <QDateTime>

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// The clock of the running program, for classes whose tests may hand in
// another.
inline const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}
