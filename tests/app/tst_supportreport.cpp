// The support report made from prepared sources: every section is there, and nothing private.
#include "app/supportreport.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_SupportReport : public QObject
{
    Q_OBJECT

private slots:
    void report_data();
    void report();
};

void tst_SupportReport::report_data()
{
    QTest::addColumn<bool>("mayOpen"); // injected: the tests run as root, who may open anything
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("access");
    QTest::newRow("lamp this user may open") << true << "/home/ada-lovel" << "this user may open";
    QTest::newRow("lamp this user may not open")
        << false << "/home/ada-lovel" << "this user may not open <root>/dev/bus/usb/001/012";
    QTest::newRow("home /: left alone") << true << "/" << "may open <root>/dev/bus/usb/001/012";
}

void tst_SupportReport::report()
{
    QFETCH(bool, mayOpen);
    QFETCH(QString, home);
    QFETCH(QString, access);
    QTemporaryDir root;
    auto const write = [&root](QString const& name, QByteArray const& bytes) {
        QDir().mkpath(QFileInfo(root.filePath(name)).path());
        QFile f(root.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    };
    QString const lamp = QStringLiteral("sys/bus/usb/devices/1-2/"), mouse = "sys/bus/usb/devices/1-3/";
    for (auto const& [file, text] : {std::pair{lamp + "idVendor", "0483\n"}, {lamp + "idProduct", "df11\n"},
                                     {lamp + "busnum", "1\n"}, {lamp + "devnum", "12\n"},
                                     {lamp + "serial", "376235643036\n"}, {mouse + "idVendor", "046d\n"},
                                     {QStringLiteral("os-release"), "ID=t\nPRETTY_NAME=\"Testix 7\"\n"}})
        write(file, text);
    support_report::Sources s;
    s.version = "1.0.0 (test)";
    s.dfuUtil = "dfu-util 0.11";
    s.osRelease = root.filePath("os-release");
    s.session = "X11";
    s.sessionPlace = "remote session (ssh)";
    s.udevRules = QStringList{root.filePath("70-kalvora-upgrade.rules")};
    s.sysfsRoot = root.filePath("sys");
    s.deviceRoot = root.filePath("dev/bus/usb");
    s.mayOpen = [mayOpen](QString const&) { return mayOpen; };
    s.workingFolder = root.path();
    s.listRun = {"Found DFU on ada-lovel's bench-pc-17", "", "one lamp: 376235643036",
                 QDateTime::currentDateTime()};
    LampAccount::Lamp written;
    written.serial = "376235643036";
    written.product = "Rel-41";
    written.revisions = QStringList{"C3", "C4"};
    written.holds = LampAccount::Holds::verified;
    written.history = {{Outcome::upgradable, QDateTime::currentDateTime()},
                       {Outcome::verified, QDateTime::currentDateTime()}};
    s.lamps = {written};
    s.log = QStringList{"Extracted into /home/ada-lovel/tmp/upgrade_x",
                        "host bench-pc-17.lab.example, user ada-lovel"};
    s.homes = QStringList{home, QString()};
    s.hosts = QStringList{"bench-pc-17", "bench-pc-17.lab.example"};
    s.user = "ada-lovel";
    QString const report = support_report::make(s).replace(root.path(), "<root>");
    for (char const* section : {"== Tool ==", "== System ==", "== USB access ==",
                                   "== Working folder ==", "== Last list run ==", "== Lamps ==",
                                   "== Log (the last 2 lines) =="})
        QVERIFY2(report.contains(QLatin1String(section)), section);
    for (QString const& part : {QStringLiteral("operating system: Testix 7"), access,
                                QStringLiteral("serial 376235643036, product Rel-41, revisions read: C3, C4"),
                                QStringLiteral(" verified\n  holds now: verified"),
                                QStringLiteral("udev rule: not installed")})
        QVERIFY2(report.contains(part), qPrintable(part + "\n" + report));
    for (QString const& secret : {QStringLiteral("ada-lovel"), QStringLiteral("bench-pc"), QStringLiteral("lab.example")})
        QVERIFY2(!report.contains(secret), qPrintable(secret + ": " + report.mid(report.indexOf(secret) - 80, 160)));
    QCOMPARE(report.contains("<home>/tmp/upgrade_x"), home != "/");
}

QTEST_GUILESS_MAIN(tst_SupportReport)
#include "tst_supportreport.moc"
