#include "supportmisc.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace support_misc {

bool const compiled_w_DEBUG = false;

Platform compiled_for_platform()
{
#if defined(Q_OS_MACOS)
    return Platform::macOS;
#elif defined(Q_OS_WIN)
    return Platform::windows;
#elif defined(Q_OS_LINUX)
    return Platform::Linux;
#else
    return Platform::unknown;
#endif
}

bool compiled_for_platform(Platform p)
{
    return p == compiled_for_platform();
}

QString platform_name(Platform p)
{
    switch (p) {
    case Platform::Linux:
        return QStringLiteral("Linux");
    case Platform::macOS:
        return QStringLiteral("macOS");
    case Platform::windows:
        return QStringLiteral("windows");
    case Platform::unknown:
        return QStringLiteral("unknown");
    }
    return QString();
}

QDebug operator<<(QDebug debug, Platform p)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << platform_name(p);
    return debug;
}

bool mark_file_executable(QString const& path)
{
    QFile file(path);
    if (!file.exists()) {
        qWarning() << "Failed to mark file (doesn't exist) as executable:" << path;
        return false;
    }
    qDebug() << "Changing file permissions to make it executable:" << path;
    return file.setPermissions(file.permissions() | QFileDevice::ExeUser | QFileDevice::ExeGroup
                               | QFileDevice::ExeOther);
}

void ensure_file_is_deleted(QString const& path)
{
    QFileInfo const info(path);
    if (info.exists() && info.isFile())
        QFile::remove(path);
}

QString load_text_file(QString const& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw QStringLiteral("Couldn't open file: %1").arg(path);
    QByteArray bytes = file.readAll();
    int const zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes);
}

QString remove_carriage_returns(QString const& text, QChar cr)
{
    QString out = text;
    out.remove(cr, Qt::CaseSensitive);
    return out;
}

QString maybe_use_file_instead_of_resource(QString const& path)
{
    return path;
}

void show_resources()
{
    QDirIterator it(QStringLiteral(":resources"), QDirIterator::Subdirectories);
    while (it.hasNext())
        qDebug() << it.next();
}

} // namespace support_misc
