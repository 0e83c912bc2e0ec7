#include "files.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

// The paths a signal handler removes, as plain bytes: a handler may neither allocate nor
// touch Qt objects.
struct RemovalPaths
{
    std::array<char[PATH_MAX], 7> files{};
    char dir[PATH_MAX] = {};
};
RemovalPaths removal;

bool copy_path(char* out, QString const& path)
{
    QByteArray const bytes = QFile::encodeName(path);
    if (bytes.size() >= PATH_MAX)
        return false;
    std::memcpy(out, bytes.constData(), std::size_t(bytes.size()) + 1);
    return true;
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

WorkingDir external_dir;

WorkingDir::WorkingDir() = default;

WorkingDir::~WorkingDir()
{
    remove();
}

bool WorkingDir::create()
{
    if (dir)
        return dir->isValid();
    // Qt's temporary path is canonical: empty when TMPDIR names no folder that exists, and the
    // directory would then be made in "/".
    QString const base = QDir::tempPath();
    if (base.isEmpty()) {
        QString const named = qEnvironmentVariable("TMPDIR");
        struct stat st;
        int const reason = ::stat(QFile::encodeName(named).constData(), &st) != 0 ? errno : ENOENT;
        error =
            QStringLiteral("%1 (in %2)").arg(QString::fromLocal8Bit(std::strerror(reason)), named);
        return false;
    }
    dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/upgrade_XXXXXX"));
    if (!dir->isValid()) {
        error = QStringLiteral("%1 (in %2)").arg(dir->errorString(), base);
        return false;
    }
    bool fits = copy_path(removal.dir, dir->path());
    for (auto const& [id, name] : basename)
        fits = copy_path(removal.files[std::size_t(id)], path_of(name)) && fits;
    if (!fits) {
        error = QStringLiteral("The path of the temporary folder %1 is too long").arg(base);
        dir.reset();
        return false;
    }
    return true;
}

bool WorkingDir::isValid() const
{
    return dir && dir->isValid();
}

QString WorkingDir::path() const
{
    return isValid() ? dir->path() : QString();
}

QString WorkingDir::errorString() const
{
    return error;
}

void WorkingDir::remove()
{
    if (!dir)
        return;
    removal = RemovalPaths{};
    dir.reset();
}

void WorkingDir::removeFromSignalHandler() const noexcept
{
    for (char const* file : removal.files)
        if (file[0] != '\0')
            ::unlink(file);
    if (removal.dir[0] != '\0')
        ::rmdir(removal.dir);
}

QString path_of(QString const& name)
{
    if (!external_dir.isValid())
        return QString();
    return external_dir.path() + QLatin1Char('/') + name;
}

QByteArray carried(ID id)
{
    QFile resource(QStringLiteral(":resources/") + basename[id]);
    return resource.open(QIODevice::ReadOnly) ? resource.readAll() : QByteArray();
}

namespace {
// A copy that the file system cut short (a full disk) must not pass as the carried file.
bool same_content(QString const& path, ID id)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == carried(id);
}
} // namespace

bool extract_resources(std::vector<ID> const& ids, bool required)
{
    if (!external_dir.isValid()) {
        qInfo() << "Failed to create temporary directory:" << external_dir.errorString();
        return false;
    }
    bool all_ok = true;
    for (ID id : ids) {
        QString const name = basename[id];
        QString const target = path_of(name);
        // Written under its final name, which a signal handler knows (a copy would go through
        // a temporary file of Qt's that it does not).
        QFile file(target);
        QByteArray const bytes = carried(id);
        bool const written = !bytes.isEmpty() &&
                             file.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
                             file.write(bytes) == bytes.size() && file.flush();
        file.close();
        // Read-only, as the compiled-in file is.
        file.setPermissions(QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup |
                            QFile::ReadOther);
        if (written && same_content(target, id)) {
            qDebug() << "Extracted " << name;
        } else {
            qInfo() << "Failed to extract " << name;
            all_ok = false;
        }
    }
    return all_ok || !required;
}

} // namespace Files
