#include "logcapture.h"

#include <QCoreApplication>
#include <QThread>
#include <QtTest>


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

void failIfWorkerTerminated(QString const& text)
{
    if (text.contains(QLatin1String("Oops, SM_A not dead yet")) && QTest::currentTestFunction() &&
        QThread::currentThread() == qApp->thread())
        QTest::qFail("the worker did not end when stopped and was terminated", __FILE__, __LINE__);
}

void LogCapture::handler(QtMsgType type, QMessageLogContext const&, QString const& text)
{
    if (!active)
        return;
    failIfWorkerTerminated(text);
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
