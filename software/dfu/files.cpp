#include "files.h"

#include <QDebug>
#include <QDir>
#include <QFile>

namespace Files {

namespace {
QString libusb_name()
{
#if defined(Q_OS_MACOS)
    return QStringLiteral("libusb-1.0.0.dylib");
#else
    return QStringLiteral("libusb-1.0.so.0");
#endif
}
} // namespace

std::map<ID, QString> basename = {
    {dfu_util_executable, QStringLiteral("dfu-util")},
    {libusb_library, libusb_name()},
    {desired_FW_dfu, QStringLiteral("firmware.dfu")},
    {desired_FW_bin, QStringLiteral("firmware.bin")},
    {uploaded_FW_bin, QStringLiteral("uploaded_FW.bin")},
    {uploaded_FW_info_bin, QStringLiteral("uploaded_FW_info.bin")},
    {uploaded_OTP_bin, QStringLiteral("uploaded_OTP.bin")},
};

QString const desired_FW_fileName_dfu = basename[desired_FW_dfu];
QString const desired_FW_fileName_bin = basename[desired_FW_bin];
QString const uploaded_FW_fileName_bin = basename[uploaded_FW_bin];
QString const uploaded_FW_info_fileName_bin = basename[uploaded_FW_info_bin];
QString const uploaded_OTP_fileName_bin = basename[uploaded_OTP_bin];
QString const dfu_util_executable_fileName = basename[dfu_util_executable];

QTemporaryDir external_dir(QDir::tempPath() + QStringLiteral("/upgrade_XXXXXX"));

QString path_of(QString const& name)
{
    return external_dir.path() + QLatin1Char('/') + name;
}

bool extract_resources(std::vector<ID> const& ids, bool required)
{
    if (!external_dir.isValid()) {
        qInfo() << "Failed to create temporary directory:" << external_dir.errorString();
        return false;
    }
    bool all_ok = true;
    for (ID id : ids) {
        QString const name = basename[id];
        QString const source = QStringLiteral(":resources/") + name;
        if (QFile::copy(source, path_of(name))) {
            qDebug() << "Extracted " << name;
        } else {
            qInfo() << "Failed to extract " << name;
            all_ok = false;
        }
    }
    return all_ok || !required;
}

} // namespace Files
