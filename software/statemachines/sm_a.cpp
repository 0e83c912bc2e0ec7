#include "sm_a.h"

#include "dfu/sleepinhibitor.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>

std::atomic<int> SM_A::downloads_running{0};

SM_A::SM_A(QString dfu_file_path, QString bin_file_path, QString uploaded_file_path,
           QObject* parent)
    : QThread(parent), dfu_file_path(std::move(dfu_file_path)),
      bin_file_path(std::move(bin_file_path)), uploaded_file_path(std::move(uploaded_file_path))
{
    // Needed before the first queued sig_DevConn reaches a receiver in another thread.
    qRegisterMetaType<DFU::DeviceInfo>();
    qRegisterMetaType<DFU::ScanProblem>();
    qDebug() << "SM_A created";
}

SM_A::~SM_A()
{
    do_stop();
    qDebug() << "SM_A: Waiting in dtor";
    wait();
}

void SM_A::set_command(Command value, int for_connection)
{
    std::lock_guard<std::mutex> lock(mutex);
    command = value;
    command_connection = for_connection;
    wake.notify_all();
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
    command = NoCommand;
    command_connection = 0;
    if (!downloading)
        runs.stop();
    wake.notify_all();
}

bool SM_A::is_stopping()
{
    std::lock_guard<std::mutex> lock(mutex);
    return stopping;
}

bool SM_A::is_downloading()
{
    std::lock_guard<std::mutex> lock(mutex);
    return downloading;
}

bool SM_A::is_verifying()
{
    std::lock_guard<std::mutex> lock(mutex);
    return verifying;
}

bool SM_A::any_download_running()
{
    return downloads_running.load() > 0;
}

// Reads and clears the request in one step, so that a request set meanwhile is not lost. A
// request for another connection (a device that is gone or was replaced) is dropped, and a
// download is taken up only while no stop is requested: both are decided under the mutex.
SM_A::Command SM_A::take_command()
{
    Command taken = NoCommand;
    int for_connection = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        taken = command;
        for_connection = command_connection;
        command = NoCommand;
        command_connection = 0;
        if (taken == NoCommand || stopping)
            return NoCommand;
        if (for_connection == connection && taken == DownloadFW) {
            downloading = true;
            ++downloads_running;
        }
        verifying = for_connection == connection && taken == UploadAndCompareFW;
    }
    if (for_connection != connection) {
        qInfo() << "Command" << int(taken) << "for connection" << for_connection
                << "dropped: the device of connection" << connection << "is connected";
        return NoCommand;
    }
    return taken;
}

void SM_A::end_download()
{
    std::lock_guard<std::mutex> lock(mutex);
    downloading = false;
    --downloads_running;
    if (stopping) // the stop left the runs alone while the download was taken
        runs.stop();
}

bool SM_A::pause(int ms, bool until_command)
{
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(ms),
                  [this, until_command] { return stopping || (until_command && command != NoCommand); });
    return !stopping;
}

void SM_A::run()
{
    child_process::thread_stopper = &runs;
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
    connection = 0;
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

DFU::ScanResult SM_A::scan()
{
    DFU::ScanResult found = DFU::make_scan();
    // Reported when it differs from the run before: the polls repeat the same run.
    QStringList run{found.output, found.error_output, DFU::conclusion(found)};
    if (!is_stopping() && run != last_list_run) {
        last_list_run = run;
        emit sig_ListRun(run[0], run[1], run[2]);
    }
    return found;
}

SM_A::State SM_A::scan_A2()
{
    emit sig_A2_entered();
    emit sig_scanning();
    DFU::ScanResult const scan = this->scan();
    if (is_stopping())
        return State::Leave;
    if (scan.problem != scan_problem) {
        scan_problem = scan.problem;
        emit sig_ScanProblem(scan_problem);
    }
    if (scan.error != 0 || scan.devices.size() != 1)
        return State::A0;
    if (is_current_device(scan))
        return State::A4;

    emit sig_readingInfo(scan.devices.front().serial);
    connection = 0;
    emit sig_NoDevConn();
    current_device = scan.devices.front();
    // Nothing of a previous device may survive into the record of this one.
    device_info = DFU::DeviceInfo{};
    auto const [code, message] = DFU::read_device_info(&current_device, &device_info);
    if (is_stopping()) // the reads may have been ended: what they left is not the device's
        return State::Leave;
    if (code == DFU::folder_full_code)
        return folder_full(false);
    if (code != 0) {
        emit sig_DeviceError(message, current_device.serial);
        return State::A7;
    }
    connection = ++connections_made;
    device_info.serial = current_device.serial;
    device_info.connection = connection;
    emit sig_DevConn(device_info);
    return State::A4;
}

SM_A::State SM_A::connected_A4()
{
    emit sig_A4_entered();
    if (is_stopping() || !pause(poll_pause_ms, true))
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

SM_A::State SM_A::folder_full(bool before_write)
{
    qint64 const needed = qint64(image.size()) + DFU::OTP_dump_size + DFU::FW_Info_dump_size;
    // The folder that holds the working folder: where the user frees space.
    QString const folder = QFileInfo(QFileInfo(uploaded_file_path).absolutePath()).absolutePath();
    emit sig_FolderFull(folder, needed, before_write, current_device.serial);
    return State::A7;
}

bool SM_A::image_file_intact(QString* why) const
{
    QFile file(bin_file_path);
    if (image.isEmpty())
        *why = QStringLiteral("the program holds no firmware image");
    else if (!file.open(QIODevice::ReadOnly))
        *why = QStringLiteral("%1 cannot be read").arg(bin_file_path);
    else if (file.readAll() != image)
        *why = QStringLiteral("%1 differs from the firmware this program carries")
                   .arg(bin_file_path);
    else
        return true;
    return false;
}

// Entered with the download taken up (take_command). It runs to its end whatever happens
// meanwhile: a cut flash write would leave the device worse than it was.
SM_A::State SM_A::download_A5()
{
    emit sig_A5_entered();
    QString why;
    if (!image_file_intact(&why)) {
        end_download();
        QString const message = QStringLiteral("Download refused: ") + why;
        qWarning().noquote() << message;
        emit sig_FwDownloadRefused(message, current_device.serial);
        return State::A2;
    }
    // A write whose read-back could not be stored could never be verified.
    if (!DFU::folder_has_room(image.size())) {
        end_download();
        qWarning() << "Download not started: no room for its read-back";
        return folder_full(true);
    }
    emit sig_FwDownloading(current_device.serial);
    int reached = 0;
    int code = -1;
    {
        support::SleepInhibitor const awake(QStringLiteral("Writing firmware to the lamp"));
        // The start-over reads the device anew, which shows whether the new firmware is
        // there; the result only tells a stopped worker what the lamp was left with.
        code = DFU::download_FW_to_device(bin_file_path, current_device.serial,
                                          [this, &reached](int percent) {
                                              reached = std::max(reached, percent);
                                              emit sig_FwProgress(percent);
                                          });
    }
    bool const whole = code == 0 || reached >= 100;
    end_download();
    emit sig_FwDownloaded(whole, current_device.serial);
    return State::A0;
}

SM_A::State SM_A::compare_A6()
{
    emit sig_A6_entered();
    emit sig_FwUploading(current_device.serial);
    bool matches = false;
    bool const room = DFU::folder_has_room(image.size());
    if (room) {
        support::SleepInhibitor const awake(QStringLiteral("Verifying the lamp's firmware"),
                                            [this] { return is_stopping(); });
        matches = DFU::upload_and_compare_FW(image, uploaded_file_path, current_device.serial,
                                             [this](int percent) { emit sig_FwProgress(percent); });
    }
    bool const stored = QFileInfo(uploaded_file_path).size() == image.size();
    QFile::remove(uploaded_file_path); // of no use once compared, and it takes room
    {
        std::lock_guard<std::mutex> lock(mutex);
        verifying = false;
    }
    if (is_stopping()) // a read-back ended by the stop tells nothing of the lamp
        return State::Leave;
    // Nor does one that could not be stored.
    if (!room || (!matches && !stored && !DFU::folder_has_room(image.size())))
        return folder_full(false);
    if (matches) {
        qDebug() << "Uploaded FW matches";
        emit sig_FwUploadedMatches(current_device.serial);
    } else {
        qDebug() << "Uploaded FW does not match";
        emit sig_FwUploadedDiffers(current_device.serial);
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
        if (!is_current_device(scan()))
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
