#pragma once

#include "dfu/files.h"
#include "fakedevice.h"
#include "statemachines/sm_a.h"
#include "testpaths.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <mutex>

// Every signal of a worker by name, in emission order, recorded in the worker thread.
class SignalLog
{
public:
    explicit SignalLog(SM_A* worker)
    {
        add(worker, &SM_A::sig_NoDevConn, "NoDevConn");
        add(worker, &SM_A::sig_DevConn, "DevConn");
        add(worker, &SM_A::sig_scanning, "scanning");
        add(worker, &SM_A::sig_readingInfo, "readingInfo");
        add(worker, &SM_A::sig_DeviceError, "DeviceError");
        add(worker, &SM_A::sig_FwDownloading, "FwDownloading");
        add(worker, &SM_A::sig_FwDownloaded, "FwDownloaded");
        add(worker, &SM_A::sig_FwUploading, "FwUploading");
        add(worker, &SM_A::sig_FwUploadedDiffers, "FwUploadedDiffers");
        add(worker, &SM_A::sig_FwUploadedMatches, "FwUploadedMatches");
        add(worker, &SM_A::sig_A0_entered, "A0");
        add(worker, &SM_A::sig_A1_entered, "A1");
        add(worker, &SM_A::sig_A2_entered, "A2");
        add(worker, &SM_A::sig_A3_entered, "A3");
        add(worker, &SM_A::sig_A4_entered, "A4");
        add(worker, &SM_A::sig_A5_entered, "A5");
        add(worker, &SM_A::sig_A6_entered, "A6");
        add(worker, &SM_A::sig_A7_entered, "A7");
        QObject::connect(
            worker, &SM_A::sig_DevConn, worker,
            [this](DFU::DeviceInfo const& info) {
                std::lock_guard<std::mutex> lock(mutex);
                infos.append(info);
            },
            Qt::DirectConnection);
        QObject::connect(
            worker, &SM_A::sig_DeviceError, worker,
            [this](QString const& message) {
                std::lock_guard<std::mutex> lock(mutex);
                messages.append(message);
            },
            Qt::DirectConnection);
    }

    // Deep copies: a shared list would be detached by the worker thread without a lock.
    QStringList names() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        QStringList copy;
        for (auto const& name : list)
            copy.append(name);
        return copy;
    }
    int count(QString const& name) const { return names().count(name); }
    // The names from the n-th (0-based) occurrence of name on.
    QStringList from(QString const& name, int n = 0) const
    {
        QStringList const all = names();
        int at = -1;
        for (int i = 0; i <= n; ++i) {
            at = all.indexOf(name, at + 1);
            if (at < 0)
                return {};
        }
        return all.mid(at);
    }
    QList<DFU::DeviceInfo> announced() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        QList<DFU::DeviceInfo> copy;
        for (auto const& info : infos)
            copy.append(info);
        return copy;
    }
    QStringList errors() const
    {
        std::lock_guard<std::mutex> lock(mutex);
        QStringList copy;
        for (auto const& message : messages)
            copy.append(message);
        return copy;
    }

private:
    template <typename Signal> void add(SM_A* worker, Signal signal, char const* name)
    {
        QObject::connect(
            worker, signal, worker,
            [this, name] {
                std::lock_guard<std::mutex> lock(mutex);
                list.append(QString::fromLatin1(name));
            },
            Qt::DirectConnection);
    }

    mutable std::mutex mutex;
    QStringList list;
    QList<DFU::DeviceInfo> infos;
    QStringList messages;
};

// A fake device, dfu-util pointed at the test helper, the image "firmware.bin" of revision
// C4 and a worker with short pauses (not started).
struct WorkerFixture
{
    FakeDevice device;
    QTemporaryDir files;
    QString bin = files.filePath(QStringLiteral("firmware.bin"));
    QString uploaded = files.filePath(QStringLiteral("uploaded_FW.bin"));
    QByteArray image;
    std::unique_ptr<SM_A> worker;
    std::unique_ptr<SignalLog> log;

    WorkerFixture()
    {
        Files::external_dir.create();
        for (auto& entry : DFU::commands)
            entry.second.program = TestPaths::fake_dfu_util();
        DFU::Command::path.clear();
        image = FakeDevice::flashWithInfo(0x04, "C4") + QByteArray(6000, '\x5A');
        QFile f(bin);
        f.open(QIODevice::WriteOnly);
        f.write(image);
        f.close();
        worker = std::make_unique<SM_A>(files.filePath(QStringLiteral("firmware.dfu")), bin,
                                        uploaded, nullptr);
        worker->image = image;
        worker->rescan_pause_ms = 20;
        worker->poll_pause_ms = 20;
        log = std::make_unique<SignalLog>(worker.get());
    }

    // The Rel-41 with firmware revision rev.
    void plug_product(QByteArray const& rev, QString const& serial = QStringLiteral("3276365F3236"))
    {
        device.setOtp(FakeDevice::otpRecord(0x04));
        device.setFlash(FakeDevice::flashWithInfo(0x04, rev));
        device.plug(serial);
    }

    // The connection of the device the worker announced last.
    int connection() const { return log->announced().last().connection; }

    // Stops the worker and reports whether run() returned within ms.
    bool stops_within(int ms)
    {
        worker->do_stop();
        return worker->wait(ms);
    }
};
