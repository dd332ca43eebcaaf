#include "log/SessionLog.h"

#include <QByteArray>
#include <QDateTime>

#include "common/TimeSource.h"
#include "main/MainWindowPort.h"

namespace {
constexpr int kFlushDelayMs = 1000;

// One field of a log line: a tab or line break inside it would split it.
void appendField(QString& out, QStringView field)
{
    const qsizetype from = out.size();
    out.append(field);
    for (qsizetype i = from; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c == u'\t' || c == u'\r' || c == u'\n')
            out[i] = u' ';
    }
}
}  // namespace

SessionLog::SessionLog(TimeSource& time, MainWindowPort& window)
    : time_(time), window_(window), flushTimer_(time.createTimer())
{
    flushTimer_->onTimeout = [this] { flush(); };
}

SessionLog::~SessionLog()
{
    flush();
}

void SessionLog::start(bool enabled, const QString& folder)
{
    flush();
    enabled_ = enabled;
    paused_ = false;
    chat_.setFolder(folder);
    terminal_.setFolder(folder);
    if (!enabled) {
        chat_.close();
        terminal_.close();
    }
}

void SessionLog::terminalLine(QStringView line)
{
    write(terminal_, line, {}, false);
}

void SessionLog::chatRow(QStringView handle, QStringView message)
{
    write(chat_, handle, message, true);
}

void SessionLog::write(DatedLogFile& file, QStringView first, QStringView second, bool twoFields)
{
    if (!writing())
        return;
    const QDateTime now = time_.localNow();
    QString line = now.time().toString(QStringLiteral("HH:mm:ss"));
    line.append(u'\t');
    appendField(line, first);
    if (twoFields) {
        line.append(u'\t');
        appendField(line, second);
    }
    line.append(u'\n');
    if (!file.append(now.date(), line.toUtf8())) {
        failed(file);
        return;
    }
    if (!flushTimer_->isActive())
        flushTimer_->startOnce(kFlushDelayMs);
}

void SessionLog::flush()
{
    flushTimer_->stop();
    if (!writing())
        return;
    for (DatedLogFile* file : {&chat_, &terminal_}) {
        if (!file->flush()) {
            failed(*file);
            return;
        }
    }
}

void SessionLog::failed(const DatedLogFile& file)
{
    paused_ = true;
    flushTimer_->stop();
    chat_.close();
    terminal_.close();
    window_.showWarning(QStringLiteral("ログを書き込めないため、次の接続まで記録を止めます: ") +
                        file.error());
}
