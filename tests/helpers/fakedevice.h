#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One device as the fake dfu-util (tests/helpers/fake_dfu_util.cpp) presents it. The state
// lives in a temporary folder; the constructor points FAKE_DFU_DIR at it, so dfu-util runs
// from any thread of the test see the same device. Changes act on the next dfu-util run.
class FakeDevice
{
public:
    FakeDevice();
    ~FakeDevice();

    QString dir() const { return state.path(); }

    // What "-l" prints after the banner: nothing (no device) or device lines.
    void unplug();
    void plug(QString const& serial = QStringLiteral("3276365F3236"), int alternates = 4);
    void setListOutput(QByteArray const& lines);
    void setListExitCode(int code);
    void vanish(); // gone from the bus: every run fails as dfu-util does without a device
    static QByteArray deviceLines(QString const& serial, int alternates = 4);

    // Memory behind the uploads: the OTP area, the flash.
    void setOtp(QByteArray const& bytes);
    void setFlash(QByteArray const& bytes);
    QByteArray flash() const;
    static QByteArray otpRecord(quint8 type, int offset = 0);
    // A flash image whose information block names product type and revision.
    static QByteArray flashWithInfo(quint8 type, QByteArray const& revision);

    void failUpload(QString const& address, int code); // 0 clears the failure
    void setDownloadExitCode(int code);
    void setFlipReadback(bool on);
    void setLeaveUnplugs(bool on); // a download makes the device vanish (list shows nothing)
    void setDelayMs(int ms);       // every run takes this long

    QStringList calls() const;     // one entry per run: the arguments joined by tabs
    void clearCalls();
    // Runs with an argument equal to argument, or to argument followed by ':' and more.
    int countCalls(QString const& argument) const;

private:
    void write(QString const& name, QByteArray const& bytes);
    void remove(QString const& name);
    QTemporaryDir state;
};
