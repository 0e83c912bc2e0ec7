#pragma once

#include "dfu/childprocess.h"
#include "dfu/deviceoperations.h"
#include "dfu/scan.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

// The device record travels with sig_DevConn from the worker thread to the GUI thread.
Q_DECLARE_METATYPE(DFU::DeviceInfo)
Q_DECLARE_METATYPE(DFU::ScanProblem)

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

    // A command belongs to the connection of one announced device (DeviceInfo::connection):
    // it is carried out only while that device stays connected, and dropped otherwise. It
    // cuts the pause of a connected device short.
    void set_command(Command value, int connection);
    Command get_command();
    // Asks the loop to end and drops a command not yet taken. A download already under way
    // is finished first; any other dfu-util run is ended, and a run ended so reports nothing.
    // Cuts a pause short: outside a download the loop ends within a few milliseconds.
    void do_stop();
    bool is_stopping();
    // Whether a download has been taken up and not yet ended. After do_stop() it can only
    // change from true to false.
    bool is_downloading();
    // Whether a read-back has been taken up and not yet ended.
    bool is_verifying();
    // Whether any worker of the process is downloading; safe to call from a signal handler.
    static bool any_download_running();

    void enable_debug_output();

    int rescan_pause_ms = 200;
    int poll_pause_ms = 200;
    // The firmware image as the program carries it. A download goes ahead only when the
    // file at bin_file_path still holds exactly these bytes, and the read-back is compared
    // with them, never with the file.
    QByteArray image;

signals:
    // Every report about one device ends with that device's serial number.
    void sig_NoDevConn();
    // info is the worker's record of the device as it was when the signal was emitted; the
    // flow classifies this copy, never the worker's own record.
    void sig_DevConn(DFU::DeviceInfo const& info);
    void sig_scanning();
    void sig_readingInfo(QString serial);
    void sig_DeviceError(QString message, QString serial);
    void sig_FwDownloading(QString serial);
    // written: the whole image reached the device (dfu-util's progress reached its end, even
    // when it then failed on the device's restart); false: the write did not complete.
    void sig_FwDownloaded(bool written, QString serial);
    void sig_FwUploading(QString serial);
    void sig_FwUploadedDiffers(QString serial);
    void sig_FwUploadedMatches(QString serial);
    // The share of the running download or read-back done so far, 0 to 100.
    void sig_FwProgress(int percent);
    // The download was not started: the image file differs from the carried image.
    void sig_FwDownloadRefused(QString message, QString serial);
    // What keeps the scans from finding the one device, each time it changes.
    void sig_ScanProblem(DFU::ScanProblem problem);
    // After a list run that printed otherwise than the one before: what dfu-util printed and
    // what the scan concluded.
    void sig_ListRun(QString output, QString error_output, QString conclusion);
    // A dump or the read-back could not be stored in folder (the one that holds the working
    // folder), which needs this many bytes free
    // for reading and checking a device; before_write: the download was not started for
    // lack of room for its read-back. The device is not read again while it stays.
    void sig_FolderFull(QString folder, qint64 needed, bool before_write, QString serial);
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
    DFU::ScanResult scan();
    State folder_full(bool before_write);
    // Sleeps up to ms, or until a command is set when until_command; returns false when a
    // stop was requested before or during the pause.
    bool pause(int ms, bool until_command = false);
    Command take_command();
    void end_download();
    bool image_file_intact(QString* why) const;
    void debug_handler(char const* name, bool quiet);

    DFU::DeviceInfo device_info; // written and read by the worker thread only
    QString dfu_file_path;
    QString bin_file_path;
    QString uploaded_file_path;
    DFU::DeviceItem current_device;
    int connection = 0;         // of the device in device_info once announced; 0: none
    int connections_made = 0;   // numbers handed out so far
    Command command = NoCommand;
    int command_connection = 0; // the connection command belongs to
    bool stopping = false;
    bool downloading = false;
    bool verifying = false;
    static std::atomic<int> downloads_running;
    // Guards command, command_connection, stopping, downloading and verifying: whether a
    // download runs is decided under it. A standard mutex rather than QMutex, whose futex-based locking is
    // invisible to ThreadSanitizer.
    std::mutex mutex;
    std::condition_variable wake; // wakes a pause when a stop is requested or a command set
    child_process::Stopper runs;  // the worker thread's dfu-util runs, ended by a stop
    // Worker-thread state: no pause on the first pass after the thread starts, and the
    // quiet rule of the debug output.
    bool first_pass_done = false;
    bool previous_was_quiet = false;
    DFU::ScanProblem scan_problem = DFU::ScanProblem::none; // as last reported
    QStringList last_list_run;                              // as last reported
};
