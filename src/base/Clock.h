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
