// Writes the fuzzers' seed corpus: <dir>/otp/<name> and <dir>/fw/<name>.
#include "devicevectors.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool write_all(QString const& dir, std::vector<std::pair<QString, QByteArray>> const& seeds)
{
    if (!QDir().mkpath(dir))
        return false;
    for (auto const& [name, bytes] : seeds) {
        QFile file(dir + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_device_seeds <dir>\n");
        return 2;
    }
    QString const dir = QString::fromLocal8Bit(argv[1]);
    bool const ok = write_all(dir + QStringLiteral("/otp"), DeviceVectors::otp_seeds()) &&
                    write_all(dir + QStringLiteral("/fw"), DeviceVectors::fw_seeds());
    if (!ok)
        std::fprintf(stderr, "make_device_seeds: cannot write to %s\n", argv[1]);
    return ok ? 0 : 1;
}
