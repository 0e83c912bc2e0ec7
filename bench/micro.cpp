// Micro benchmarks of the parsers and the image comparison, with `cmp` on the same files as
// the comparison's baseline. Run by scripts/bench; the figures go to bench/RESULTS.md.

#include "device/fwinfo.h"
#include "device/otpinfo.h"
#include "dfu/deviceoperations.h"
#include "dfu/dfuutilparser.h"
#include "gui/settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

extern char** environ;

namespace {

// The list output of the carried dfu-util 0.11 for one Rel-41 in its bootloader: banner and
// the four device lines of its alternate settings.
QString const list_output = QStringLiteral(
    "dfu-util 0.11\n\n"
    "Copyright 2005-2009 Weston Schmidt, Harald Welte and OpenMoko Inc.\n"
    "Copyright 2010-2021 Tormod Volden and Stefan Schmidt\n"
    "This program is Free Software and has ABSOLUTELY NO WARRANTY\n"
    "Please report bugs to http://sourceforge.net/p/dfu-util/tickets/\n\n"
    R"(Found DFU: [0483:df11] ver=2200, devnum=5, cfg=1, intf=0, path="1-1", alt=3, name="@Device Feature/0xFFFF0000/01*004 e", serial="376235643036")" "\n"
    R"(Found DFU: [0483:df11] ver=2200, devnum=5, cfg=1, intf=0, path="1-1", alt=2, name="@OTP Memory /0x1FFF7800/01*512 e,01*016 e", serial="376235643036")" "\n"
    R"(Found DFU: [0483:df11] ver=2200, devnum=5, cfg=1, intf=0, path="1-1", alt=1, name="@Option Bytes  /0x1FFFC000/01*016 e", serial="376235643036")" "\n"
    R"(Found DFU: [0483:df11] ver=2200, devnum=5, cfg=1, intf=0, path="1-1", alt=0, name="@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg", serial="376235643036")" "\n");

QByteArray read_file(QString const& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

QByteArray const& firmware()
{
    static QByteArray const bytes = read_file(QStringLiteral(FIRMWARE_BIN));
    return bytes;
}

// Two equal copies of the carried image, as the worker compares them after a read-back.
struct ImagePair
{
    QTemporaryDir dir;
    QString a = dir.filePath(QStringLiteral("firmware.bin"));
    QString b = dir.filePath(QStringLiteral("uploaded.bin"));

    ImagePair()
    {
        for (QString const& path : {a, b}) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(firmware()) != firmware().size())
                std::abort();
        }
    }
};

ImagePair const& images()
{
    static ImagePair const pair;
    return pair;
}

void BM_DfuUtilParser(benchmark::State& state)
{
    for (auto _ : state) {
        DfuUtilParser parser(list_output);
        benchmark::DoNotOptimize(parser.status);
    }
    if (DfuUtilParser(list_output).status != DfuUtilParser::one_dfu_device)
        state.SkipWithError("the sample is not one device");
}
BENCHMARK(BM_DfuUtilParser);

void BM_make_OTP_Info(benchmark::State& state)
{
    QByteArray dump(512, '\xFF');
    dump.replace(0, 16, QByteArray("\x11\x47\x23\x01\x04\xFF\xFF\xFF\x01\x02\x03\x04\x05\x06\x07\x08", 16));
    for (auto _ : state) {
        Device::OTP_Info info = Device::make_OTP_Info(dump);
        benchmark::DoNotOptimize(info.valid);
    }
    if (!Device::make_OTP_Info(dump).valid)
        state.SkipWithError("the sample record is not valid");
}
BENCHMARK(BM_make_OTP_Info);

void BM_make_FW_Info_block(benchmark::State& state)
{
    QByteArray const block = firmware().left(2048);
    for (auto _ : state) {
        Device::FW_Info info = Device::make_FW_Info(block);
        benchmark::DoNotOptimize(info.valid);
    }
    if (!Device::make_FW_Info(block).valid)
        state.SkipWithError("the block is not valid");
}
BENCHMARK(BM_make_FW_Info_block);

void BM_make_FW_Info_image(benchmark::State& state)
{
    QByteArray const& image = firmware();
    for (auto _ : state) {
        Device::FW_Info info = Device::make_FW_Info(image);
        benchmark::DoNotOptimize(info.valid);
    }
    if (!Device::make_FW_Info(image).valid)
        state.SkipWithError("the image is not valid");
}
BENCHMARK(BM_make_FW_Info_image);

void BM_Settings_GUI(benchmark::State& state)
{
    QString const text = QString::fromUtf8(read_file(QStringLiteral(SETTINGS_JSON)));
    for (auto _ : state) {
        Settings::GUI gui(text);
        benchmark::DoNotOptimize(gui.valid);
    }
    if (!Settings::GUI(text).valid)
        state.SkipWithError("the layout file is not valid");
}
BENCHMARK(BM_Settings_GUI);

// The baseline of the layout reader: Qt's JSON parser alone on the same text.
void BM_QJsonDocument_fromJson(benchmark::State& state)
{
    QByteArray const text = read_file(QStringLiteral(SETTINGS_JSON));
    for (auto _ : state) {
        QJsonDocument document = QJsonDocument::fromJson(text);
        benchmark::DoNotOptimize(document);
    }
}
BENCHMARK(BM_QJsonDocument_fromJson);

void BM_compare_FW_bin_files(benchmark::State& state)
{
    ImagePair const& pair = images();
    for (auto _ : state) {
        bool const equal = DFU::compare_FW_bin_files(pair.a, pair.b);
        benchmark::DoNotOptimize(equal);
    }
    state.SetBytesProcessed(state.iterations() * firmware().size());
}
BENCHMARK(BM_compare_FW_bin_files)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The baseline: the system's cmp on the same two files, as a process.
void BM_cmp(benchmark::State& state)
{
    ImagePair const& pair = images();
    QByteArray const a = pair.a.toLocal8Bit();
    QByteArray const b = pair.b.toLocal8Bit();
    char const* argv[] = {"cmp", "-s", a.constData(), b.constData(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawnp(&pid, "cmp", nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("cmp failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * firmware().size());
}
BENCHMARK(BM_cmp)->Unit(benchmark::kMicrosecond)->UseRealTime();

void quiet(QtMsgType, QMessageLogContext const&, QString const&) {}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
