#pragma once

#include <QDateTime>

namespace vorbel {

/// The current local time; tests pin it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime time) : m_time(std::move(time)) {}
    QDateTime now() const override { return m_time; }
    void set(const QDateTime& time) { m_time = time; }

private:
    QDateTime m_time;
};

/// The whole days since 30 December 1899 of a local time, as the stored day numbers count them.
inline int daysSince18991230(const QDateTime& time)
{
    return int(QDate(1899, 12, 30).daysTo(time.date()));
}

} // namespace vorbel
