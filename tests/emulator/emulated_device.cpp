// Prepares the state of the emulated bootloader, or starts a program against a fresh one.
//
//   emulated_device DIR create [options]      memories and settings of a new device
//   emulated_device DIR fault NAME [PARAM [RUNS]]
//   emulated_device DIR set KEY VALUE         e.g. present 0, reappear_ms -1, second_serial AB12,
//                                             timing realistic, time_scale 0.25
//   emulated_device run [options] [-- PROGRAM ARGS...]
//
// Options: --serial HEX, --otp-type N, --otp-blank, --flash FILE, --revision REV,
// --product-type N, --reappear-ms N, --timing realistic, --time-scale F. "run" makes a device
// in a new temporary folder (by default a Rel-41 with the carried firmware at revision C3),
// points KALVORA_EMULATOR_DIR and LD_LIBRARY_PATH at it and at the stand-in libusb, and runs
// the program (by default the built kalvora-upgrade with the log window).

#include "emustate.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct Options
{
    std::string serial;
    int otp_type = 0x04;
    bool otp_blank = false;
    std::string flash;
    std::string revision;
    int product_type = -1;
    std::string reappear_ms;
    std::string timing;
    std::string time_scale;
};

int usage()
{
    std::fprintf(stderr,
                 "usage: emulated_device DIR create [options]\n"
                 "       emulated_device DIR fault NAME [PARAM [RUNS]]\n"
                 "       emulated_device DIR set KEY VALUE\n"
                 "       emulated_device run [options] [-- PROGRAM ARGS...]\n"
                 "options: --serial HEX --otp-type N --otp-blank --flash FILE --revision REV\n"
                 "         --product-type N --reappear-ms N --timing realistic --time-scale F\n");
    return 2;
}

// Parses options from argv[i] on, up to "--" or the end; false on an unknown one.
bool parse_options(int argc, char** argv, int& i, Options& o)
{
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        std::string const name = argv[i];
        if (name == "--otp-blank") {
            o.otp_blank = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        std::string const value = argv[++i];
        if (name == "--serial")
            o.serial = value;
        else if (name == "--otp-type")
            o.otp_type = int(std::strtol(value.c_str(), nullptr, 0));
        else if (name == "--flash")
            o.flash = value;
        else if (name == "--revision")
            o.revision = value;
        else if (name == "--product-type")
            o.product_type = int(std::strtol(value.c_str(), nullptr, 0));
        else if (name == "--reappear-ms")
            o.reappear_ms = value;
        else if (name == "--timing")
            o.timing = value;
        else if (name == "--time-scale")
            o.time_scale = value;
        else
            return false;
    }
    return true;
}

bool create(std::string const& dir, Options const& o)
{
    emu::State const s(dir);
    emu::State::Lock const lock(s);
    s.ensure_files();
    emu::Config c = s.load();
    if (!o.serial.empty())
        c.set("serial", o.serial);
    if (!o.reappear_ms.empty())
        c.set("reappear_ms", o.reappear_ms);
    if (!o.timing.empty())
        c.set("timing", o.timing);
    if (!o.time_scale.empty())
        c.set("time_scale", o.time_scale);
    s.save(c);
    std::vector<std::uint8_t> otp(emu::otp_size, 0xFF);
    if (!o.otp_blank) {
        auto const record = emu::otp_record(std::uint8_t(o.otp_type));
        std::copy(record.begin(), record.end(), otp.begin());
    }
    s.write_file("otp.bin", otp);
    if (o.flash.empty())
        return true;
    std::ifstream in(o.flash, std::ios::binary);
    std::vector<std::uint8_t> image(std::istreambuf_iterator<char>(in), {});
    if (image.empty() || image.size() > emu::flash_size) {
        std::fprintf(stderr, "emulated_device: cannot use %s as flash image\n", o.flash.c_str());
        return false;
    }
    if ((!o.revision.empty() || o.product_type >= 0) &&
        !emu::patch_info_block(image, o.revision, o.product_type)) {
        std::fprintf(stderr, "emulated_device: %s has no information block\n", o.flash.c_str());
        return false;
    }
    image.resize(emu::flash_size, 0xFF);
    s.write_file("flash.bin", image);
    return true;
}

bool set_value(std::string const& dir, std::string const& key, std::string const& value)
{
    emu::State const s(dir);
    emu::State::Lock const lock(s);
    s.ensure_files();
    emu::Config c = s.load();
    if (value.empty())
        c.erase(key);
    else
        c.set(key, value);
    s.save(c);
    return true;
}

int run(int argc, char** argv)
{
    Options o;
    o.flash = KALVORA_GENERATED_FILES_DIR "/firmware.bin";
    o.revision = "C3";
    int i = 2;
    if (!parse_options(argc, argv, i, o))
        return usage();
    char dir[] = "/tmp/kalvora-emulated-XXXXXX";
    if (!::mkdtemp(dir) || !create(dir, o))
        return 1;
    std::fprintf(stderr, "Emulated device state in %s\n", dir);
    ::setenv(emu::dir_variable, dir, 1);
    std::string libs = EMULATOR_LIBRARY_DIR;
    if (char const* old = std::getenv("LD_LIBRARY_PATH"); old && *old)
        libs += std::string(":") + old;
    ::setenv("LD_LIBRARY_PATH", libs.c_str(), 1);
    std::vector<char*> args;
    static char program[] = KALVORA_PROGRAM_PATH;
    static char log_window[] = "-l";
    if (i + 1 < argc) {
        args.assign(argv + i + 1, argv + argc);
    } else {
        args = {program, log_window};
    }
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    std::perror(args[0]);
    return 127;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "run") == 0)
        return run(argc, argv);
    if (argc < 3)
        return usage();
    std::string const dir = argv[1];
    std::string const verb = argv[2];
    if (verb == "create") {
        Options o;
        int i = 3;
        if (!parse_options(argc, argv, i, o))
            return usage();
        return create(dir, o) ? 0 : 1;
    }
    if (verb == "fault" && argc >= 4) {
        std::string const param = argc >= 5 ? argv[4] : "0";
        std::string const runs = argc >= 6 ? argv[5] : "1";
        return set_value(dir, std::string("fault.") + argv[3], param + "," + runs) ? 0 : 1;
    }
    if (verb == "set" && argc >= 4)
        return set_value(dir, argv[3], argc >= 5 ? argv[4] : "") ? 0 : 1;
    return usage();
}
