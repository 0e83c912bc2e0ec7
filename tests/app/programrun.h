#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// The built kalvora-upgrade run as a person starts it from a shell: a child process in a
// process group of its own (a job), with the window driver loaded (tests/helpers/windowdriver.cpp)
// on the offscreen platform, in an empty folder of its own. It collects standard error, follows
// what the window shows and hands commands to the driver. When destroyed, it kills the program's
// group if still running and removes a working directory left behind (by a failed test).
class ProgramRun : public QObject
{
public:
    ProgramRun();
    ~ProgramRun() override;
    ProgramRun(ProgramRun const&) = delete;
    ProgramRun& operator=(ProgramRun const&) = delete;

    // Set before start(): the program's environment, and what the child does after it has made
    // its process group and before exec (it may write a reason to standard error and _exit).
    QProcessEnvironment environment;
    std::function<void()> inChild;
    QString program;    // the built kalvora-upgrade unless set
    QString outputFile; // where standard output goes; none unless set
    // The program's working directory: an empty folder that only this run uses.
    QString directory() const { return private_dir.filePath(QStringLiteral("cwd")); }

    // Points the dfu-util that the program carries at the emulated bootloader of folder.
    void useDevice(QString const& emulatorDir);
    void start(QStringList const& arguments = {});

    qint64 pid() const { return process.processId(); }
    void signal(int sig) const;           // to the program
    void signalGroup(int sig) const;      // to its process group, as a terminal's Ctrl+C does
    void send(QByteArray const& command); // a line for the window driver

    // What has come so far (the event loop brings it, e.g. within QTRY_VERIFY).
    QString log();
    bool logHas(QString const& part); // some line holds part
    // The folder of the extracted files, as the log names it; empty until it does.
    QString workingDir();
    QList<QJsonObject> reports(QString const& event = {});
    QString status();     // the status line as plain text
    bool buttonEnabled(); // the install button
    bool windowShown();   // the main window, shown and not hidden since
    bool barShowed(QString const& format); // at any time so far
    qint64 hiddenAt();    // when the main window was hidden last (ms since the epoch), or 0
    bool commandDone(QString const& command, bool* ok = nullptr);

    bool ended() const { return end_ms > 0; }
    qint64 endedAt() const { return end_ms; }
    int exitCode() const { return process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return process.exitStatus(); }
    // Why the run went wrong, for a failed check: the end and the last lines of the log.
    QByteArray describe();

private:
    class Process : public QProcess
    {
    public:
        std::function<void()> inChild;

    protected:
        void setupChildProcess() override;
    };

    void collect();

    QTemporaryDir private_dir;
    Process process;
    QString standard_error;
    QByteArray report_bytes;
    qint64 report_offset = 0;
    QList<QJsonObject> all_reports;
    qint64 end_ms = 0;
};

// Milliseconds since the epoch, the clock of the driver's reports and of the emulator's records.
qint64 epoch_ms();
