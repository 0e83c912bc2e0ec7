#pragma once

#include "dfu/deviceoperations.h"
#include "dfu/scan.h"

#include <QMetaType>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <mutex>

// The device record travels with sig_DevConn from the worker thread to the GUI thread.
Q_DECLARE_METATYPE(DFU::DeviceInfo)

// The device worker: a thread that polls for the one DFU device, reads a new device once,
// watches that it stays, and downloads or verifies the firmware when asked to.
class SM_A : public QThread
{
    Q_OBJECT

public:
    enum Command : int
    {
        NoCommand = 0,
        DownloadFW = 1,
        UploadAndCompareFW = 2,
    };

    SM_A(QString dfu_file_path, QString bin_file_path, QString uploaded_file_path,
         QObject* parent = nullptr);
    // Stops the loop and waits for it; a device operation under way is finished first.
    ~SM_A() override;

    void set_command(Command value);
    Command get_command();
    // Also cuts a pause short, so the loop leaves at its next stop check.
    void do_stop();
    bool is_stopping();

    void enable_debug_output();

    int rescan_pause_ms = 200;
    int poll_pause_ms = 200;

signals:
    void sig_NoDevConn();
    // info is the worker's record of the device as it was when the signal was emitted; the
    // flow classifies this copy, never the worker's own record.
    void sig_DevConn(DFU::DeviceInfo const& info);
    void sig_scanning();
    void sig_readingInfo();
    void sig_DeviceError(QString message);
    void sig_FwDownloading();
    void sig_FwDownloaded();
    void sig_FwUploading();
    void sig_FwUploadedDiffers();
    void sig_FwUploadedMatches();
    void sig_A0_entered();
    void sig_A1_entered();
    void sig_A2_entered();
    void sig_A3_entered(); // there is no state A3; kept for the numbering
    void sig_A4_entered();
    void sig_A5_entered();
    void sig_A6_entered();
    void sig_A7_entered();

protected:
    void run() override;

private:
    enum class State
    {
        A0,
        A1,
        A2,
        A4,
        A5,
        A6,
        A7,
        Leave
    };

    State no_device_A1();
    State scan_A2();
    State connected_A4();
    State download_A5();
    State compare_A6();
    State faulty_device_A7();
    bool is_current_device(DFU::ScanResult const& scan) const;
    // Sleeps up to ms; returns false when a stop was requested before or during the pause.
    bool pause(int ms);
    Command take_command();
    void debug_handler(char const* name, bool quiet);

    DFU::DeviceInfo device_info; // written and read by the worker thread only
    QString dfu_file_path;
    QString bin_file_path;
    QString uploaded_file_path;
    DFU::DeviceItem current_device;
    Command command = NoCommand;
    bool stopping = false;
    // Guards command and stopping. A standard mutex rather than QMutex, whose futex-based
    // locking is invisible to ThreadSanitizer.
    std::mutex mutex;
    std::condition_variable stop_request; // wakes a pause when a stop is requested
    // Worker-thread state: no pause on the first pass after the thread starts, and the
    // quiet rule of the debug output.
    bool first_pass_done = false;
    bool previous_was_quiet = false;
};
