#include "support/FakeTime.h"

#include <gtest/gtest.h>

#include <QString>

namespace {

TEST(FakeTime, TimersFireOnlyWhenAdvancedInOrderOfDueTime)
{
    FakeTimeSource time;
    QString log;
    auto periodic = time.createTimer();
    auto once = time.createTimer();
    auto sameTime = time.createTimer();
    periodic->onTimeout = [&] { log += QStringLiteral("p%1 ").arg(time.now()); };
    once->onTimeout = [&] { log += QStringLiteral("o%1 ").arg(time.now()); };
    sameTime->onTimeout = [&] { log += QStringLiteral("s%1 ").arg(time.now()); };
    periodic->start(50);
    once->startOnce(120);
    sameTime->startOnce(100);

    EXPECT_EQ(log, QString());
    time.advance(49);
    EXPECT_EQ(log, QString());
    time.advance(111);
    EXPECT_EQ(log, QStringLiteral("p50 p100 s100 o120 p150 "));
    EXPECT_EQ(time.now(), 160);
    EXPECT_TRUE(periodic->isActive());
    EXPECT_FALSE(once->isActive());
    EXPECT_EQ(time.activeTimerCount(), 1);
}

TEST(FakeTime, HandlersMayStopRestartOrDestroyTimers)
{
    FakeTimeSource time;
    int fired = 0;
    auto victim = time.createTimer();
    auto restarting = time.createTimer();
    auto killer = time.createTimer();
    victim->onTimeout = [&] { ++fired; };
    restarting->onTimeout = [&] {
        ++fired;
        if (fired < 3)
            restarting->startOnce(10);
    };
    killer->onTimeout = [&] { killer.reset(); };
    killer->startOnce(5);
    victim->startOnce(20);
    restarting->startOnce(10);
    victim->stop();

    time.advance(1000);
    EXPECT_EQ(fired, 3);  // at 10, 20 and 30; the stopped victim never
    EXPECT_EQ(killer, nullptr);
    EXPECT_EQ(time.activeTimerCount(), 0);
}

TEST(FakeTime, TimersMayOutliveTheSource)
{
    std::unique_ptr<Timer> timer;
    {
        FakeTimeSource time;
        timer = time.createTimer();
        timer->start(10);
    }
    EXPECT_FALSE(timer->isActive());
    timer->start(10);
    EXPECT_FALSE(timer->isActive());
}

}  // namespace
