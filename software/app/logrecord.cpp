#include "logrecord.h"

#include <QDateTime>

#include <atomic>
#include <deque>
#include <mutex>

namespace log_record {

namespace {

std::atomic<QtMessageHandler> route{nullptr};
std::atomic<QtMessageHandler> qt_own{nullptr}; // Qt's own handler, known before recording starts
// Never destroyed: a message may come while static objects are being destroyed.
std::mutex& mutex = *new std::mutex;
std::deque<QString>& kept = *new std::deque<QString>;

char const* level(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "Debug";
    case QtInfoMsg: return "Info";
    case QtWarningMsg: return "Warning";
    case QtCriticalMsg: return "Critical";
    case QtFatalMsg: return "Fatal";
    }
    return "?";
}

void record(QtMsgType type, QMessageLogContext const& context, QString const& message)
{
    {
        QString const line = QStringLiteral("%1 %2: %3")
                                 .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                                      QLatin1String(level(type)), message);
        std::lock_guard<std::mutex> lock(mutex);
        kept.push_back(line);
        if (kept.size() > std::size_t(kept_lines))
            kept.pop_front();
    }
    QtMessageHandler const next = route.load();
    (next ? next : qt_own.load())(type, context, message);
}

} // namespace

void install(QtMessageHandler to)
{
    route.store(to);
    if (!qt_own.load()) // Qt's own handler is what qInstallMessageHandler gives back first
        qt_own.store(qInstallMessageHandler(nullptr));
    qInstallMessageHandler(record);
}

QStringList lines()
{
    std::lock_guard<std::mutex> lock(mutex);
    return QStringList(kept.begin(), kept.end());
}

} // namespace log_record
