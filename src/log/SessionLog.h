#pragma once

#include <QString>
#include <QStringView>

#include <memory>

#include "log/DatedLogFile.h"

class MainWindowPort;
class Timer;
class TimeSource;

// The logs of a session: each chat row to chat-YYYY-MM-DD.txt as
// "HH:MM:SS<TAB>handle<TAB>message", each finished terminal line to
// terminal-YYYY-MM-DD.txt as "HH:MM:SS<TAB>line", dated by the local time
// of the line. What is written reaches the system within a second and at
// once on flush(). A write that fails is reported once and logging pauses
// until the next connection; the session goes on.
class SessionLog {
public:
    SessionLog(TimeSource& time, MainWindowPort& window);
    ~SessionLog();
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    // A connection starts: the settings apply, and a paused log resumes.
    void start(bool enabled, const QString& folder);
    void terminalLine(QStringView line);
    void chatRow(QStringView handle, QStringView message);
    void flush();

    bool writing() const { return enabled_ && !paused_; }

private:
    void write(DatedLogFile& file, QStringView first, QStringView second, bool twoFields);
    void failed(const DatedLogFile& file);

    TimeSource& time_;
    MainWindowPort& window_;
    std::unique_ptr<Timer> flushTimer_;
    DatedLogFile chat_{QStringLiteral("chat")};
    DatedLogFile terminal_{QStringLiteral("terminal")};
    bool enabled_ = false;
    bool paused_ = false;
};
