#include "logcapture.h"


namespace {
LogCapture* active = nullptr;
}

LogCapture::LogCapture()
{
    active = this;
    previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
    active = nullptr;
}

void LogCapture::handler(QtMsgType type, QMessageLogContext const&, QString const& text)
{
    if (!active)
        return;
    std::lock_guard<std::mutex> lock(active->mutex);
    active->captured.append({type, text});
}

QList<LogCapture::Line> LogCapture::lines() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return captured;
}

QStringList LogCapture::texts() const
{
    QStringList out;
    for (auto const& line : lines())
        out << line.text;
    return out;
}

QStringList LogCapture::texts(QtMsgType type) const
{
    QStringList out;
    for (auto const& line : lines())
        if (line.type == type)
            out << line.text;
    return out;
}

bool LogCapture::contains(QString const& text) const
{
    return count(text) > 0;
}

int LogCapture::count(QString const& text) const
{
    return texts().count(text);
}

bool LogCapture::anyStartsWith(QString const& prefix) const
{
    for (auto const& t : texts())
        if (t.startsWith(prefix))
            return true;
    return false;
}

void LogCapture::clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    captured.clear();
}
