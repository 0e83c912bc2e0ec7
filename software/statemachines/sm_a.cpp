#include "sm_a.h"

#include <QDebug>

#include <chrono>

SM_A::SM_A(QString dfu_file_path, QString bin_file_path, QString uploaded_file_path,
           QObject* parent)
    : QThread(parent), dfu_file_path(std::move(dfu_file_path)),
      bin_file_path(std::move(bin_file_path)), uploaded_file_path(std::move(uploaded_file_path))
{
    // Needed before the first queued sig_DevConn reaches a receiver in another thread.
    qRegisterMetaType<DFU::DeviceInfo>();
    qDebug() << "SM_A created";
}

SM_A::~SM_A()
{
    do_stop();
    qDebug() << "SM_A: Waiting in dtor";
    wait();
}

void SM_A::set_command(Command value)
{
    std::lock_guard<std::mutex> lock(mutex);
    command = value;
}

SM_A::Command SM_A::get_command()
{
    std::lock_guard<std::mutex> lock(mutex);
    return command;
}

void SM_A::do_stop()
{
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    stop_request.notify_all();
}

bool SM_A::is_stopping()
{
    std::lock_guard<std::mutex> lock(mutex);
    return stopping;
}

// Reads and clears the request in one step, so that a request set meanwhile is not lost.
SM_A::Command SM_A::take_command()
{
    std::lock_guard<std::mutex> lock(mutex);
    Command const taken = command;
    command = NoCommand;
    return taken;
}

bool SM_A::pause(int ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    stop_request.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping; });
    return !stopping;
}

void SM_A::run()
{
    State state = State::A0;
    while (state != State::Leave) {
        switch (state) {
        case State::A0:
            emit sig_A0_entered();
            current_device = DFU::DeviceItem{};
            state = State::A1;
            break;
        case State::A1:
            state = no_device_A1();
            break;
        case State::A2:
            state = scan_A2();
            break;
        case State::A4:
            state = connected_A4();
            break;
        case State::A5:
            state = download_A5();
            break;
        case State::A6:
            state = compare_A6();
            break;
        case State::A7:
            state = faulty_device_A7();
            break;
        case State::Leave:
            break;
        }
    }
}

SM_A::State SM_A::no_device_A1()
{
    emit sig_A1_entered();
    if (is_stopping())
        return State::Leave;
    device_info = DFU::DeviceInfo{};
    emit sig_NoDevConn();
    if (!first_pass_done) {
        first_pass_done = true;
        return State::A2;
    }
    return pause(rescan_pause_ms) ? State::A2 : State::Leave;
}

bool SM_A::is_current_device(DFU::ScanResult const& scan) const
{
    return scan.error == 0 && scan.devices.size() == 1 &&
           scan.devices.front().serial == current_device.serial;
}

SM_A::State SM_A::scan_A2()
{
    emit sig_A2_entered();
    emit sig_scanning();
    DFU::ScanResult const scan = DFU::make_scan();
    if (scan.error != 0 || scan.devices.size() != 1)
        return State::A0;
    if (is_current_device(scan))
        return State::A4;

    emit sig_readingInfo();
    emit sig_NoDevConn();
    current_device = scan.devices.front();
    auto const [code, message] = DFU::read_device_info(&current_device, &device_info);
    if (code != 0) {
        emit sig_DeviceError(message);
        return State::A7;
    }
    emit sig_DevConn(device_info);
    return State::A4;
}

SM_A::State SM_A::connected_A4()
{
    emit sig_A4_entered();
    if (is_stopping() || !pause(poll_pause_ms))
        return State::Leave;
    switch (take_command()) {
    case UploadAndCompareFW:
        return State::A6;
    case DownloadFW:
        return State::A5;
    case NoCommand:
        break;
    }
    return State::A2;
}

SM_A::State SM_A::download_A5()
{
    set_command(NoCommand);
    emit sig_A5_entered();
    emit sig_FwDownloading();
    // The result is not examined: the start-over reads the device anew, which shows whether
    // the new firmware is there.
    DFU::download_FW_to_device(bin_file_path);
    emit sig_FwDownloaded();
    return State::A0;
}

SM_A::State SM_A::compare_A6()
{
    set_command(NoCommand);
    emit sig_A6_entered();
    emit sig_FwUploading();
    if (DFU::upload_and_compare_FW_bin(bin_file_path, uploaded_file_path)) {
        qDebug() << "Uploaded FW matches";
        emit sig_FwUploadedMatches();
    } else {
        qDebug() << "Uploaded FW does not match";
        emit sig_FwUploadedDiffers();
    }
    return State::A2;
}

// The faulty device is not read again while it stays; anything else starts over.
SM_A::State SM_A::faulty_device_A7()
{
    emit sig_A7_entered();
    emit sig_scanning();
    while (true) {
        if (is_stopping() || !pause(poll_pause_ms))
            return State::Leave;
        if (!is_current_device(DFU::make_scan()))
            return State::A0;
    }
}

void SM_A::debug_handler(char const* name, bool quiet)
{
    bool const polling = qstrcmp(name, "NoDevConn") == 0 || qstrcmp(name, "scanning") == 0;
    if (!(previous_was_quiet && polling))
        qDebug() << QStringLiteral("SM_A: /sig_") + QLatin1String(name);
    previous_was_quiet = quiet;
}

void SM_A::enable_debug_output()
{
    qInfo() << "SM_A: Adding connections to show debug output (state transitions)";
    // Direct: the handlers run in the worker thread, where previous_was_quiet lives.
    auto show = [this](auto signal, char const* name, bool quiet) {
        connect(
            this, signal, this, [this, name, quiet] { debug_handler(name, quiet); },
            Qt::DirectConnection);
    };
    show(&SM_A::sig_NoDevConn, "NoDevConn", true);
    show(&SM_A::sig_scanning, "scanning", true);
    show(&SM_A::sig_readingInfo, "readingInfo", false);
    show(&SM_A::sig_DevConn, "DevConn", false);
    show(&SM_A::sig_FwDownloading, "FwDownloading", false);
    show(&SM_A::sig_FwDownloaded, "FwDownloaded", false);
    show(&SM_A::sig_FwUploading, "FwUploading", false);
    show(&SM_A::sig_FwUploadedDiffers, "FwUploadedDiffers", false);
    show(&SM_A::sig_FwUploadedMatches, "FwUploadedMatches", false);
}
