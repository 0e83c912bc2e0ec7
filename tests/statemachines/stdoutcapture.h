#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>

#include <unistd.h>

// Sends the process's standard output into a file until finish(), which returns the lines
// written. QtTest reports on standard output too: finish before comparing.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        file.open();
        std::fflush(stdout);
        saved = ::dup(STDOUT_FILENO);
        ::dup2(file.handle(), STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }
    StdoutCapture(StdoutCapture const&) = delete;
    StdoutCapture& operator=(StdoutCapture const&) = delete;

    QStringList finish()
    {
        restore();
        QFile reader(file.fileName());
        reader.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(reader.readAll())
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stdout);
        ::dup2(saved, STDOUT_FILENO);
        ::close(saved);
        saved = -1;
    }

    QTemporaryFile file;
    int saved = -1;
};
