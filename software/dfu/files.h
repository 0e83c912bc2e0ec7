#pragma once

#include <QString>

#include <map>
#include <memory>
#include <vector>

class QTemporaryDir;

// The private working directory of one run and the fixed names of every file in it.
namespace Files {

enum ID : int {
    dfu_util_executable = 0,
    libusb_library = 1,
    desired_FW_dfu = 2,
    desired_FW_bin = 3,
    uploaded_FW_bin = 4,
    uploaded_FW_info_bin = 5,
    uploaded_OTP_bin = 6,
};

extern std::map<ID, QString> basename;

extern QString const desired_FW_fileName_dfu;
extern QString const desired_FW_fileName_bin;
extern QString const uploaded_FW_fileName_bin;
extern QString const uploaded_FW_info_fileName_bin;
extern QString const uploaded_OTP_fileName_bin;
extern QString const dfu_util_executable_fileName;

// A fresh private directory under the system's temporary directory. Nothing exists until
// create() succeeds; the directory is removed with its files by remove() or when the object
// is destroyed at exit.
class WorkingDir
{
public:
    WorkingDir();
    ~WorkingDir();
    WorkingDir(WorkingDir const&) = delete;
    WorkingDir& operator=(WorkingDir const&) = delete;

    // Makes the directory once; false with errorString() when it cannot be made.
    bool create();
    bool isValid() const;
    QString path() const; // empty until created
    QString errorString() const;
    void remove();
    // Removes the working files and the directory with calls that are safe in a signal
    // handler: only the paths computed by create() are touched.
    void removeFromSignalHandler() const noexcept;

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString error;
};

extern WorkingDir external_dir;

// external_dir's path, "/", name; empty while there is no working directory, so that no file
// ever lands outside it.
QString path_of(QString const& name);

// Copies the compiled-in files of ids into the working directory, each checked byte for byte
// against its resource. Existing files are not overwritten. With required, any failed copy
// makes the result false.
bool extract_resources(std::vector<ID> const& ids, bool required);

// The compiled-in copy of a carried file (mapped from the program, never read from disk).
QByteArray carried(ID id);

} // namespace Files
