#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

// One emulated ST DfuSe bootloader for a test: its state lives in a temporary folder, and the
// constructor points KALVORA_EMULATOR_DIR and LD_LIBRARY_PATH at it and at the stand-in
// libusb, so that every dfu-util the test starts talks to this device. Changes act on the
// next control transfer.
class EmulatedDevice
{
public:
    EmulatedDevice();
    ~EmulatedDevice();
    EmulatedDevice(EmulatedDevice const&) = delete;
    EmulatedDevice& operator=(EmulatedDevice const&) = delete;

    QString dir() const { return state.path(); }
    static QString libraryDir();
    // Copies the carried dfu-util into folder and points DFU::Command::path at it, as the
    // program does with its working directory.
    static bool installDfuUtil(QString const& folder);
    // The device lines of a list run.
    static QStringList listedDevices();

    void setOtp(QByteArray const& bytes); // the 512 data bytes (the lock bytes stay erased)
    QByteArray otp() const;               // the 512 data bytes
    void setFlash(QByteArray const& image); // from 0x08000000, the rest erased
    QByteArray flash() const;               // all 1 MiB
    // The carried firmware with another revision in its information block.
    static QByteArray firmwareWithRevision(QByteArray const& revision);

    void set(QString const& key, QString const& value); // an empty value removes the key
    QString value(QString const& key) const;
    void setFault(QString const& name, QString const& param = QStringLiteral("0"), int runs = 1);

    QStringList transfers() const; // the log, one line per transfer
    int countTransfers(QString const& part) const;

    // A point of the last download's progress record: at ms (since the epoch) the device had
    // finished erasing (phase "erase": whole sectors) or writing ("write": image bytes) this
    // many bytes. Each phase starts with a point of 0 bytes; the erase comes first.
    struct Progress
    {
        qint64 ms = 0;
        QString phase;
        qint64 bytes = 0;
    };
    QVector<Progress> progress() const; // empty before the first download
    // Image bytes the last download has written so far, and when it wrote the last of them.
    qint64 written(qint64* at = nullptr) const;

private:
    QTemporaryDir state;
    QByteArray oldLibraryPath;
};
