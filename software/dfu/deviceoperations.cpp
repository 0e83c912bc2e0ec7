#include "deviceoperations.h"

#include "app/options.h"
#include "files.h"
#include "supportmisc.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <memory>
#include <optional>

namespace DFU {

DeviceInfo::operator QString() const
{
    QString text = QStringLiteral("DeviceInfo:\n");
    if (!valid)
        return text + QStringLiteral("Invalid");
    text += QStringLiteral("\tDevice type:\t%1\n").arg(static_cast<unsigned>(device_type));
    text += QStringLiteral("\tFW_revision:\t") + FW_revision + QLatin1Char('\n');
    return text;
}

QDebug operator<<(QDebug debug, DeviceInfo const& info)
{
    QDebugStateSaver saver(debug);
    debug.noquote() << QString(info);
    return debug;
}

namespace {

// dfu-util refuses to overwrite an existing file, and a stale dump must never be read as new.
QString fresh_dump_path(QString const& name)
{
    QString const path = Files::path_of(name);
    support_misc::ensure_file_is_deleted(path);
    return path;
}

QStringList addressed(QStringList arguments, QString const& serial)
{
    if (!serial.isEmpty())
        arguments << QStringLiteral("-S") << serial;
    return arguments;
}

QString serial_of(DeviceItem const* item)
{
    return item ? item->serial : QString();
}

// The dump's bytes when it has exactly the expected size; a run that ended well but left
// less (or more) is not taken for the device's memory.
std::optional<QByteArray> dump_of(QString const& path, int size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != size)
        return std::nullopt;
    return file.readAll();
}

OutputHandler progress_of(ProgressHandler const& progress)
{
    if (!progress)
        return {};
    auto parser = std::make_shared<ProgressParser>();
    return [parser, progress](QByteArray const& piece) {
        for (Progress const& p : parser->feed(piece))
            progress(overall_percent(p));
    };
}

// Checked before a dump and after a failed one: a dump that could not be stored tells nothing
// of the device. A failed dump's remains are removed first.
bool dump_stored(QString const& path, int size)
{
    support_misc::ensure_file_is_deleted(path);
    return folder_has_room(size);
}

Result folder_full(int size)
{
    QString const text = QStringLiteral("The working folder %1 has no room for a dump of %2 bytes.")
                             .arg(Files::external_dir.path())
                             .arg(size);
    qInfo().noquote() << text;
    return {folder_full_code, text};
}

bool product_accepted(DeviceInfo const& info)
{
    return info.FW_info.product == info.OTP_info.product ||
           (info.OTP_info.empty && have_service_build());
}

void mark_product_mismatch(DeviceInfo* info, QString& text)
{
    text += QStringLiteral("FW assumed invalid because of product type mismatch.");
    text += QStringLiteral("\nOTP contains") + QString(info->OTP_info.product);
    text += QStringLiteral("\nwhereas FW contains\n") + QString(info->FW_info);
    qInfo().noquote() << text;
    info->FW_info.valid = false;
}

} // namespace

bool folder_has_room(qint64 bytes)
{
    QString const dir = Files::external_dir.path();
    QStorageInfo const storage(dir);
    qint64 const block = qMax(1, storage.blockSize());
    return !dir.isEmpty() && QFileInfo(dir).isWritable() && storage.isValid() &&
           storage.bytesAvailable() >= (bytes + block - 1) / block * block;
}

Result read_device_info(DeviceItem const* item, DeviceInfo* info)
{
    QString const path = fresh_dump_path(Files::uploaded_OTP_fileName_bin);
    if (!folder_has_room(OTP_dump_size))
        return folder_full(OTP_dump_size);
    Result result = run_command(upload_OTP, addressed({path}, serial_of(item)));
    qint64 const dumped = QFileInfo(path).size();
    std::optional<QByteArray> const otp =
        result.first == 0 ? dump_of(path, OTP_dump_size) : std::nullopt;
    if (!otp && !dump_stored(path, OTP_dump_size))
        return folder_full(OTP_dump_size);
    if (result.first != 0)
        return result;
    if (!otp) {
        result.first = short_dump_code;
        result.second += QStringLiteral("The OTP dump holds %1 bytes instead of %2.")
                             .arg(dumped)
                             .arg(OTP_dump_size);
        qInfo().noquote() << result.second;
        return result;
    }

    info->OTP_info = Device::make_OTP_Info(*otp);
    if (info->OTP_info.empty)
        qInfo().noquote() << result.second + QStringLiteral("OTP is blank.\n");
    info->device_type = info->OTP_info.product.type;
    info->valid = true;
    info->serial = serial_of(item);
    qInfo() << info->OTP_info;

    QString const block_path = Files::path_of(Files::uploaded_FW_info_fileName_bin);
    if (!dump_stored(block_path, FW_Info_dump_size))
        return folder_full(FW_Info_dump_size);
    info->FW_info = read_FW_Info(item);
    if (!info->FW_info.valid && QFileInfo(block_path).size() != FW_Info_dump_size &&
        !dump_stored(block_path, FW_Info_dump_size))
        return folder_full(FW_Info_dump_size);
    if (product_accepted(*info)) {
        info->FW_revision = info->FW_info.revision;
        qInfo() << *info << info->FW_info;
    } else {
        mark_product_mismatch(info, result.second);
    }
    return result;
}

Device::FW_Info read_FW_Info(DeviceItem const* item)
{
    QString const path = fresh_dump_path(Files::uploaded_FW_info_fileName_bin);
    if (run_command(upload_FW_Info, addressed({path}, serial_of(item))).first != 0)
        return Device::FW_Info{};
    std::optional<QByteArray> const block = dump_of(path, FW_Info_dump_size);
    if (!block) {
        qInfo() << "The firmware information dump holds" << QFileInfo(path).size()
                << "bytes instead of" << FW_Info_dump_size;
        return Device::FW_Info{};
    }
    return Device::make_FW_Info(*block);
}

int download_FW_to_device(QString const& file, QString const& serial,
                          ProgressHandler const& progress)
{
    return run_command(download_FW, addressed({file}, serial), progress_of(progress)).first;
}

int upload_FW_from_device(QString const& file, int size, QString const& serial,
                          ProgressHandler const& progress)
{
    support_misc::ensure_file_is_deleted(file);
    QStringList const extra{QStringLiteral("-s"), QStringLiteral("0x08000000:%1").arg(size),
                            QStringLiteral("-U"), file};
    return run_command(upload_FW, addressed(extra, serial), progress_of(progress)).first;
}

bool upload_and_compare_FW_bin(QString const& reference, QString const& target,
                               QString const& serial)
{
    QFile file(reference);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return upload_and_compare_FW(file.readAll(), target, serial);
}

bool upload_and_compare_FW(QByteArray const& image, QString const& target,
                           QString const& serial, ProgressHandler const& progress)
{
    if (image.isEmpty())
        return false;
    if (upload_FW_from_device(target, image.size(), serial, progress) != 0)
        return false;
    QFile file(target);
    return file.open(QIODevice::ReadOnly) && file.size() == image.size() &&
           file.readAll() == image;
}

int size_of_binary_file(QString const& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return static_cast<int>(f.size());
}

bool compare_FW_bin_files(QString const& a, QString const& b)
{
    int const size = size_of_binary_file(a);
    if (size <= 0 || size_of_binary_file(b) != size)
        return false;
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    QByteArray const bytes_a = fa.readAll();
    QByteArray const bytes_b = fb.readAll();
    return bytes_a.size() == bytes_b.size() && bytes_a == bytes_b;
}

Device::FW_Info read_FW_Info_from_desired_FW()
{
    QString const path = Files::path_of(Files::desired_FW_fileName_bin);
    qDebug() << "Reading desired FW_Info from " << path;
    return Device::make_FW_Info(path);
}

Device::FW_Info const& desired_FW_Info()
{
    // Parsed on the first call only, also when the image turns out invalid.
    static Device::FW_Info const kept = read_FW_Info_from_desired_FW();
    return kept;
}

} // namespace DFU
