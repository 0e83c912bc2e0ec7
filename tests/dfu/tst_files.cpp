#include "dfu/dfucommand.h"
#include "dfu/files.h"
#include "dfu/supportmisc.h"
#include "logcapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(std::vector<Files::ID>)

class tst_Files : public QObject
{
    Q_OBJECT

private slots:
    void workingDirectoryIsMadeAtStartUpAndIsPrivate();
    void workingDirectoryIsRemovedAtExitAndUniquePerProcess();
    void extractsTheStartUpFilesByteForByte();
    void extractingAgainFails_data();
    void extractingAgainFails();
    void ensureFileIsDeletedLeavesOtherThingsAlone();
    void markFileExecutable();
    void loadTextFile();
    void removeCarriageReturns_data();
    void removeCarriageReturns();
    void platformNames();
};

void tst_Files::workingDirectoryIsMadeAtStartUpAndIsPrivate()
{
    // Nothing exists, and no path points anywhere, before start-up makes the directory.
    QVERIFY(!Files::external_dir.isValid());
    QVERIFY(Files::path_of(QStringLiteral("x")).isEmpty());
    QVERIFY(!Files::extract_resources({Files::desired_FW_bin}, true));
    QVERIFY(Files::external_dir.create());
    QVERIFY(Files::external_dir.isValid());
    QFileInfo const dir(Files::external_dir.path());
    QVERIFY(dir.isDir());
    QCOMPARE(dir.absolutePath(), QDir::tempPath());
    QVERIFY(dir.fileName().startsWith(QLatin1String("upgrade_")));
    QCOMPARE(dir.fileName().size(), 14);
    QCOMPARE(dir.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther
                                  | QFileDevice::ReadGroup | QFileDevice::WriteGroup),
             QFileDevice::Permissions());
    QCOMPARE(Files::path_of(QStringLiteral("x")), Files::external_dir.path() + QStringLiteral("/x"));
}

// Two running programs get two directories, and each is gone once its program has ended.
void tst_Files::workingDirectoryIsRemovedAtExitAndUniquePerProcess()
{
    QString const probe = QCoreApplication::applicationDirPath() + QStringLiteral("/workdir_probe");
    QProcess first, second;
    for (QProcess* p : {&first, &second}) {
        p->start(probe, QStringList());
        QVERIFY(p->waitForReadyRead(10000));
    }
    QString const a = QString::fromLocal8Bit(first.readLine()).trimmed();
    QString const b = QString::fromLocal8Bit(second.readLine()).trimmed();
    QVERIFY(!a.isEmpty());
    QVERIFY(a != b);
    QVERIFY(QFileInfo(a + QStringLiteral("/firmware.bin")).isFile());
    QVERIFY(QFileInfo(b).isDir());
    for (QProcess* p : {&first, &second}) {
        p->closeWriteChannel();
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitCode(), 0);
    }
    QVERIFY(!QFileInfo::exists(a));
    QVERIFY(!QFileInfo::exists(b));
}

static QByteArray contents(QString const& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void tst_Files::extractsTheStartUpFilesByteForByte()
{
    LogCapture log;
    QVERIFY(Files::extract_resources({Files::desired_FW_dfu, Files::desired_FW_bin,
                                      Files::dfu_util_executable, Files::libusb_library},
                                     true));
    QDir const dir(Files::external_dir.path());
    QStringList const expected{QStringLiteral("dfu-util"), QStringLiteral("firmware.bin"),
                               QStringLiteral("firmware.dfu"), QStringLiteral("libusb-1.0.so.0")};
    QCOMPARE(dir.entryList(QDir::Files, QDir::Name), expected);
    for (QString const& name : expected) {
        QByteArray const bytes = contents(dir.filePath(name));
        QVERIFY2(!bytes.isEmpty(), qPrintable(name));
        QCOMPARE(bytes, contents(QStringLiteral(":resources/") + name));
    }
    QCOMPARE(contents(dir.filePath(QStringLiteral("firmware.bin"))).size(), 807136);
    QCOMPARE(contents(dir.filePath(QStringLiteral("firmware.dfu"))).size(), 807445);
    QVERIFY(log.contains(QStringLiteral("Extracted  \"firmware.dfu\"")));

    QVERIFY(support_misc::mark_file_executable(DFU::dfu_util::full_path()));
    for (QString const& name : expected) {
        bool const executable = QFileInfo(dir.filePath(name)).isExecutable();
        QCOMPARE(executable, name == QLatin1String("dfu-util"));
    }
}

void tst_Files::extractingAgainFails_data()
{
    QTest::addColumn<std::vector<Files::ID>>("ids");
    QTest::addColumn<bool>("required");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("failed");

    std::vector<Files::ID> const existing{Files::desired_FW_bin};
    std::vector<Files::ID> const noResource{Files::uploaded_OTP_bin};
    QTest::newRow("existing target, required") << existing << true << false << "firmware.bin";
    QTest::newRow("existing target, optional") << existing << false << true << "firmware.bin";
    QTest::newRow("no such resource, required") << noResource << true << false << "uploaded_OTP.bin";
    QTest::newRow("no such resource, optional") << noResource << false << true << "uploaded_OTP.bin";
    QTest::newRow("empty list") << std::vector<Files::ID>{} << true << true << QString();
}

void tst_Files::extractingAgainFails()
{
    QFETCH(std::vector<Files::ID>, ids);
    QFETCH(bool, required);
    QFETCH(bool, result);
    QFETCH(QString, failed);

    Files::extract_resources({Files::desired_FW_bin}, false); // make sure the target exists
    QByteArray const before = contents(Files::path_of(QStringLiteral("firmware.bin")));
    LogCapture log;
    QCOMPARE(Files::extract_resources(ids, required), result);
    if (failed.isEmpty())
        QVERIFY(log.texts().isEmpty());
    else
        QVERIFY(log.contains(QStringLiteral("Failed to extract  \"%1\"").arg(failed)));
    QCOMPARE(contents(Files::path_of(QStringLiteral("firmware.bin"))), before);
    QVERIFY(!QFileInfo::exists(Files::path_of(QStringLiteral("uploaded_OTP.bin"))));
}

void tst_Files::ensureFileIsDeletedLeavesOtherThingsAlone()
{
    QTemporaryDir dir;
    QString const file = dir.filePath(QStringLiteral("stale.bin"));
    QString const sub = dir.filePath(QStringLiteral("folder"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();

    support_misc::ensure_file_is_deleted(file);
    support_misc::ensure_file_is_deleted(sub);
    support_misc::ensure_file_is_deleted(dir.filePath(QStringLiteral("missing")));
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(QFileInfo(sub).isDir());
}

void tst_Files::markFileExecutable()
{
    QTemporaryDir dir;
    QString const missing = dir.filePath(QStringLiteral("missing"));
    LogCapture log;
    QVERIFY(!support_misc::mark_file_executable(missing));
    QCOMPARE(log.texts(QtWarningMsg),
             QStringList{QStringLiteral("Failed to mark file (doesn't exist) as executable: \"%1\"")
                             .arg(missing)});

    QString const file = dir.filePath(QStringLiteral("tool"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(support_misc::mark_file_executable(file));
    QCOMPARE(QFile::permissions(file) & 0x0FFF,
             QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser
                 | QFileDevice::ExeGroup | QFileDevice::ExeOther);
}

void tst_Files::loadTextFile()
{
    QTemporaryDir dir;
    QString const path = dir.filePath(QStringLiteral("text.json"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("caf\xc3\xa9\n{}\0after", 14));
    f.close();
    QCOMPARE(support_misc::load_text_file(path), QStringLiteral("caf\u00e9\n{}"));

    QString const missing = dir.filePath(QStringLiteral("missing.json"));
    try {
        support_misc::load_text_file(missing);
        QFAIL("no error for a missing file");
    } catch (QString const& error) {
        QCOMPARE(error, QStringLiteral("Couldn't open file: %1").arg(missing));
    }
}

void tst_Files::removeCarriageReturns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF lines") << "dfu-util 0.11\r\n\r\nCopyright\r\n" << "dfu-util 0.11\n\nCopyright\n";
    QTest::newRow("LF only") << "a\nb\n" << "a\nb\n";
    QTest::newRow("lone CR") << "a\rb" << "ab";
    QTest::newRow("empty") << "" << "";
}

void tst_Files::removeCarriageReturns()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(support_misc::remove_carriage_returns(text, QChar(u'\r')), expected);
}

void tst_Files::platformNames()
{
    QCOMPARE(support_misc::compiled_for_platform(), support_misc::Platform::Linux);
    QVERIFY(support_misc::compiled_for_platform(support_misc::Platform::Linux));
    QVERIFY(!support_misc::compiled_for_platform(support_misc::Platform::macOS));
    QString text;
    QDebug(&text) << support_misc::Platform(1) << support_misc::Platform(7) << QStringLiteral("q");
    QCOMPARE(text, QStringLiteral("macOS  \"q\" "));
}

QTEST_GUILESS_MAIN(tst_Files)
#include "tst_files.moc"
