#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

// A file system of a few kilobytes (tmpfs) on a temporary folder while alive, to run out of
// disk space on purpose. Mounting needs root; where the machine refuses, reason() says why
// and the test should skip visibly.
class SmallDisk
{
public:
    explicit SmallDisk(int kilobytes)
    {
        QByteArray const options = "size=" + QByteArray::number(kilobytes) + "k,mode=0777";
        QByteArray const target = QFile::encodeName(folder.path());
        if (::mount("tmpfs", target.constData(), "tmpfs", 0, options.constData()) == 0)
            mounted = true;
        else
            why = QStringLiteral("cannot mount a small tmpfs: %1")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(QFile::encodeName(folder.path()).constData(), MNT_DETACH);
    }
    SmallDisk(SmallDisk const&) = delete;
    SmallDisk& operator=(SmallDisk const&) = delete;

    bool isMounted() const { return mounted; }
    QString reason() const { return why; }
    QString path() const { return folder.path(); }
    QString filePath(QString const& name) const { return folder.filePath(name); }

private:
    QTemporaryDir folder;
    bool mounted = false;
    QString why;
};
