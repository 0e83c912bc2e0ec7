#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

// Every test of the whole program fails when the worker had to be terminated (a stop that did
// not end it within its wait): called with each message, in the test's own thread.
void failIfWorkerTerminated(QString const& text);

// Collects the messages of the Qt message log while it lives (from any thread) and
// puts the previous handler back when it is destroyed.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(LogCapture const&) = delete;
    LogCapture& operator=(LogCapture const&) = delete;

    struct Line
    {
        QtMsgType type;
        QString text;
    };

    QList<Line> lines() const;
    QStringList texts() const;                    // the message texts only
    QStringList texts(QtMsgType type) const;      // the texts of one level
    bool contains(QString const& text) const;     // one message equals text
    int count(QString const& text) const;         // how many messages equal text
    bool anyStartsWith(QString const& prefix) const;
    void clear();

private:
    static void handler(QtMsgType, QMessageLogContext const&, QString const&);
    QtMessageHandler previous = nullptr;
    mutable std::mutex mutex; // a pthread mutex, which ThreadSanitizer understands
    QList<Line> captured;
};
