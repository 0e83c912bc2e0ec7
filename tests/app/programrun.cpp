#include "programrun.h"

#include "logcapture.h"

#include "emulateddevice.h"
#include "testpaths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

#include <csignal>
#include <sys/prctl.h>

#include <unistd.h>

qint64 epoch_ms()
{
    return QDateTime::currentMSecsSinceEpoch();
}

void ProgramRun::Process::setupChildProcess()
{
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL); // a test killed at its time limit leaves none behind
    if (inChild)
        inChild();
}

ProgramRun::ProgramRun()
{
    QDir(private_dir.path()).mkdir(QStringLiteral("cwd"));
    // Qt makes its runtime folder in the temporary folder when the session names none.
    QString const runtime = private_dir.filePath(QStringLiteral("runtime"));
    QDir(private_dir.path()).mkdir(QStringLiteral("runtime"));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(WINDOW_DRIVER_PLUGIN_DIR));
    environment.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"),
                       QStringLiteral("kalvorawindowdriver"));
    environment.insert(QStringLiteral("KALVORA_DRIVER_REPORT"),
                       private_dir.filePath(QStringLiteral("reports.jsonl")));
    environment.remove(QStringLiteral("KALVORA_EMULATOR_DIR"));
    connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [this] { end_ms = epoch_ms(); });
    connect(&process, &QProcess::readyReadStandardError, this,
            [this] { standard_error += QString::fromLocal8Bit(process.readAllStandardError()); });
}

ProgramRun::~ProgramRun()
{
    if (process.state() != QProcess::NotRunning) {
        signalGroup(SIGKILL);
        process.waitForFinished(5000);
    }
    // What a killed program leaves behind, or one that failed its test.
    QString const dir = workingDir();
    if (!dir.isEmpty())
        QDir(dir).removeRecursively();
}

void ProgramRun::useDevice(QString const& emulatorDir)
{
    environment.insert(QStringLiteral("KALVORA_EMULATOR_DIR"), emulatorDir);
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), EmulatedDevice::libraryDir());
}

void ProgramRun::start(QStringList const& arguments)
{
    process.inChild = inChild;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(directory());
    process.setStandardOutputFile(outputFile.isEmpty() ? QProcess::nullDevice() : outputFile);
    process.start(program.isEmpty() ? TestPaths::program() : program, arguments);
    process.waitForStarted(10000);
}

void ProgramRun::signal(int sig) const
{
    if (pid() > 0 && !ended())
        ::kill(pid_t(pid()), sig);
}

void ProgramRun::signalGroup(int sig) const
{
    if (pid() > 0 && !ended())
        ::kill(-pid_t(pid()), sig);
}

void ProgramRun::send(QByteArray const& command)
{
    process.write(command + '\n');
}

void ProgramRun::collect()
{
    QString const more = QString::fromLocal8Bit(process.readAllStandardError());
    failIfWorkerTerminated(more);
    standard_error += more;
    QFile file(environment.value(QStringLiteral("KALVORA_DRIVER_REPORT")));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(report_offset))
        return;
    report_bytes += file.readAll();
    report_offset = file.pos();
    for (int end = report_bytes.indexOf('\n'); end >= 0; end = report_bytes.indexOf('\n')) {
        all_reports.append(QJsonDocument::fromJson(report_bytes.left(end)).object());
        report_bytes.remove(0, end + 1);
    }
}

QString ProgramRun::log()
{
    collect();
    return standard_error;
}

bool ProgramRun::logHas(QString const& part)
{
    return log().contains(part);
}

QString ProgramRun::workingDir()
{
    static QRegularExpression const dfu_util(
        QStringLiteral("\"((?:/[^\"/]+)*/upgrade_[^\"/]+)/dfu-util\""));
    return dfu_util.match(log()).captured(1);
}

QList<QJsonObject> ProgramRun::reports(QString const& event)
{
    collect();
    if (event.isEmpty())
        return all_reports;
    QList<QJsonObject> matching;
    for (QJsonObject const& report : all_reports)
        if (report.value(QStringLiteral("event")).toString() == event)
            matching.append(report);
    return matching;
}

bool ProgramRun::barShowed(QString const& format)
{
    for (QJsonObject const& bar : reports(QStringLiteral("bar")))
        if (bar.value(QStringLiteral("format")).toString() == format)
            return true;
    return false;
}

QString ProgramRun::status()
{
    QList<QJsonObject> const all = reports(QStringLiteral("status"));
    return all.isEmpty() ? QString() : all.last().value(QStringLiteral("text")).toString();
}

bool ProgramRun::buttonEnabled()
{
    QList<QJsonObject> const all = reports(QStringLiteral("button"));
    return !all.isEmpty() && all.last().value(QStringLiteral("enabled")).toBool();
}

bool ProgramRun::windowShown()
{
    bool shown = false;
    for (QJsonObject const& report : reports())
        if (report.value(QStringLiteral("class")).toString() == QLatin1String("MainWindow"))
            shown = report.value(QStringLiteral("event")).toString() == QLatin1String("shown");
    return shown;
}

qint64 ProgramRun::hiddenAt()
{
    qint64 at = 0;
    for (QJsonObject const& report : reports(QStringLiteral("hidden")))
        if (report.value(QStringLiteral("class")).toString() == QLatin1String("MainWindow"))
            at = qint64(report.value(QStringLiteral("ms")).toDouble());
    return at;
}

bool ProgramRun::commandDone(QString const& command, bool* ok)
{
    for (QJsonObject const& report : reports(QStringLiteral("did")))
        if (report.value(QStringLiteral("command")).toString() == command) {
            if (ok)
                *ok = report.value(QStringLiteral("ok")).toBool();
            return true;
        }
    return false;
}

QByteArray ProgramRun::describe()
{
    QStringList const lines = log().split(QLatin1Char('\n'));
    QString text = ended() ? QStringLiteral("ended with %1 (%2); ")
                                 .arg(exitCode())
                                 .arg(exitStatus() == QProcess::NormalExit ? "exit" : "crash")
                           : QStringLiteral("still running; ");
    text += QStringLiteral("status line: \"%1\"; last lines of the log:\n").arg(status());
    text += lines.mid(qMax(0, lines.size() - 25)).join(QLatin1Char('\n'));
    return text.toLocal8Bit();
}
