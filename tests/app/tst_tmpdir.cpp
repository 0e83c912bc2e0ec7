#include "programrun.h"
#include "smalldisk.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QtTest>

#include <memory>

#include <sys/mount.h>
#include <unistd.h>

// Start-up with a temporary folder (TMPDIR) that the program cannot use: missing, read-only or
// full. The built program must say so on standard error, naming the folder and the reason, end
// with a failure status before it shows its window, and leave nothing behind: no file in the
// folders above the temporary folder, in its own working directory or in /.
class tst_TmpDir : public QObject
{
    Q_OBJECT

private slots:
    void unusableTmpDir_data();
    void unusableTmpDir();
};

namespace {

enum class Kind
{
    missing,
    readOnly,
    full
};

// Every path below folder (the contents of mounted file systems included), sorted.
QStringList tree(QString const& folder)
{
    QStringList paths;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    return paths;
}

QStringList entries(QString const& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

Q_DECLARE_METATYPE(Kind)

void tst_TmpDir::unusableTmpDir_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("missing") << Kind::missing;
    QTest::newRow("read-only") << Kind::readOnly;
    QTest::newRow("full") << Kind::full;
}

void tst_TmpDir::unusableTmpDir()
{
    QFETCH(Kind, kind);
    QTemporaryDir parent; // the folder above the temporary folder, of this test alone
    QByteArray const ownTmpDir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(parent.path()));
    std::unique_ptr<SmallDisk> disk;
    if (kind != Kind::missing)
        disk = std::make_unique<SmallDisk>(64);
    qputenv("TMPDIR", ownTmpDir);
    QString tmpDir = parent.filePath(QStringLiteral("missing"));
    QString reason = QStringLiteral("No such file or directory");
    if (disk) {
        if (!disk->isMounted())
            QSKIP(qPrintable(disk->reason()));
        tmpDir = disk->path();
        reason = QString();
    }
    if (kind == Kind::readOnly) {
        QByteArray const target = QFile::encodeName(tmpDir);
        if (::mount("tmpfs", target.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") != 0)
            QSKIP("cannot make the small tmpfs read-only");
        reason = QStringLiteral("Read-only file system");
    }

    // Without a runtime folder, Qt would make one under the temporary folder: "/" here.
    QString const runtimeFallback = QStringLiteral("/runtime-") + qEnvironmentVariable("USER");
    QVERIFY2(!QFileInfo::exists(runtimeFallback), "left by an earlier run of the program");
    ProgramRun run;
    run.environment.insert(QStringLiteral("TMPDIR"), tmpDir);
    if (kind == Kind::missing)
        run.environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    QStringList const parentBefore = tree(parent.path());
    QStringList const rootBefore = entries(QStringLiteral("/"));
    run.start();
    QTRY_VERIFY2_WITH_TIMEOUT(run.ended(), run.describe(), 30000);

    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QVERIFY(run.exitCode() != 0);
    QString const log = run.log();
    if (kind == Kind::full) {
        QRegularExpression const message(
            QStringLiteral("^kalvora-upgrade: The program cannot write its files into its working "
                           "folder (%1/upgrade_\\w+) \\(is the disk full\\?\\)\\.$")
                .arg(QRegularExpression::escape(tmpDir)),
            QRegularExpression::MultilineOption);
        QRegularExpressionMatch const match = message.match(log);
        QVERIFY2(match.hasMatch(), qPrintable(log));
        QVERIFY(!QFileInfo::exists(match.captured(1)));
    } else {
        QString const message =
            QStringLiteral(
                "kalvora-upgrade: The program cannot create its working folder: %1 (in %2).")
                .arg(reason, tmpDir);
        QVERIFY2(log.split(QLatin1Char('\n')).contains(message), qPrintable(log));
    }
    QVERIFY2(run.reports(QStringLiteral("shown")).isEmpty(), run.describe());
    QCOMPARE(tree(parent.path()), parentBefore);
    QCOMPARE(entries(run.directory()), QStringList());
    QCOMPARE(entries(QStringLiteral("/")), rootBefore);
    QVERIFY(!QFileInfo::exists(runtimeFallback));
}

QTEST_GUILESS_MAIN(tst_TmpDir)
#include "tst_tmpdir.moc"
