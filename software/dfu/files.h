#pragma once

#include <QString>
#include <QTemporaryDir>

#include <map>
#include <vector>

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

// Created before main() under the system's temporary directory; removed with all its
// contents when the program's static objects are destroyed.
extern QTemporaryDir external_dir;

// external_dir's path, "/", name.
QString path_of(QString const& name);

// Copies the compiled-in files of ids into the working directory. Existing files are not
// overwritten. With required, any failed copy makes the result false.
bool extract_resources(std::vector<ID> const& ids, bool required);

} // namespace Files
