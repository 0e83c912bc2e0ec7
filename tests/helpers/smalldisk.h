#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

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
            mounted = true, unmount_at_the_end(target);
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
    // However this process ends (killed at a time limit too), a process of its own then
    // unmounts the disk: it waits for the end of a pipe that only this process holds. Not a
    // child of this one, whose children are killed with it.
    static void unmount_at_the_end(QByteArray const& target)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return;
        if (pid_t const child = ::fork(); child == 0) { // async-signal-safe calls only
            if (::fork() == 0) {
                char byte;
                ::close(ends[1]);
                while (::read(ends[0], &byte, 1) > 0 || errno == EINTR) {
                }
                ::umount2(target.constData(), MNT_DETACH);
            }
            ::_exit(0);
        } else if (child > 0) {
            ::waitpid(child, nullptr, 0);
        }
        ::close(ends[0]);
    }

    QTemporaryDir folder;
    bool mounted = false;
    QString why;
};
