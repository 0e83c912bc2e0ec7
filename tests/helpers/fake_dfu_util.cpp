// Stands in for dfu-util in the tests.
//
// Options that start with --helper- select a plain behaviour for the process tests:
//   --helper-print=TEXT   write TEXT to standard output
//   --helper-stderr=TEXT  write TEXT to standard error
//   --helper-sleep=MS     sleep before anything else
//   --helper-exit=N       exit with N (default 0)
//   --helper-crash        die by a signal
//   --helper-write=PATH   create PATH holding "written"
//
// Without them it acts as dfu-util talking to one device whose state is a folder named by
// FAKE_DFU_DIR (see tests/helpers/fakedevice.h): every call is appended to calls.log,
// "-l" prints list.txt, "-U" writes the bytes of mem_<address>.bin, "-D" stores the image.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

char const banner[] = "dfu-util 0.11\n\n"
                      "Copyright 2005-2009 Weston Schmidt, Harald Welte and OpenMoko Inc.\n"
                      "Copyright 2010-2021 Tormod Volden and Stefan Schmidt\n"
                      "This program is Free Software and has ABSOLUTELY NO WARRANTY\n"
                      "Please report bugs to http://sourceforge.net/p/dfu-util/tickets/\n\n";

std::string read_all(fs::path const& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int read_int(fs::path const& p, int fallback)
{
    if (!fs::exists(p))
        return fallback;
    return std::atoi(read_all(p).c_str());
}

bool starts_with(std::string const& s, std::string const& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

int plain_behaviour(std::vector<std::string> const& args)
{
    int code = 0;
    for (auto const& a : args)
        if (starts_with(a, "--helper-sleep="))
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(a.c_str() + 15)));
    for (auto const& a : args) {
        if (starts_with(a, "--helper-print="))
            std::cout << a.substr(15) << std::flush;
        else if (starts_with(a, "--helper-stderr="))
            std::cerr << a.substr(16) << std::flush;
        else if (starts_with(a, "--helper-exit="))
            code = std::atoi(a.c_str() + 14);
        else if (starts_with(a, "--helper-write="))
            std::ofstream(a.substr(15)) << "written";
        else if (a == "--helper-crash")
            std::raise(SIGKILL); // a signal that no sanitizer intercepts
    }
    return code;
}

std::string value_after(std::vector<std::string> const& args, std::string const& option)
{
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == option)
            return args[i + 1];
    return {};
}

bool has(std::vector<std::string> const& args, std::string const& option)
{
    for (auto const& a : args)
        if (a == option)
            return true;
    return false;
}

int no_device()
{
    std::cerr << "dfu-util: No DFU capable USB device available\n";
    return 74;
}

int upload(fs::path const& dir, std::vector<std::string> const& args)
{
    if (fs::exists(dir / "absent"))
        return no_device();
    std::string const range = value_after(args, "-s");
    std::string const address = range.substr(0, range.find(':'));
    std::size_t const length = std::strtoul(range.c_str() + address.size() + 1, nullptr, 10);
    int const fail = read_int(dir / ("fail_upload_" + address), 0);
    if (fail != 0) {
        std::cout << "Upload of " << address << " failed\n";
        return fail;
    }
    fs::path const target = value_after(args, "-U");
    if (fs::exists(target)) {
        std::cerr << "dfu-util: Cannot open file " << target.string() << " for writing\n";
        return 73;
    }
    std::string data = read_all(dir / ("mem_" + address + ".bin"));
    data.resize(length, '\xFF');
    if (length > 2048 && fs::exists(dir / "flip_readback"))
        data.back() = static_cast<char>(~data.back());
    std::ofstream(target, std::ios::binary) << data;
    std::cout << "Upload\t[=========================] 100%\t" << length << " bytes\nUpload done.\n";
    return 0;
}

int download(fs::path const& dir, std::vector<std::string> const& args)
{
    if (fs::exists(dir / "absent"))
        return no_device();
    std::string const image = read_all(value_after(args, "-D"));
    std::ofstream(dir / "downloaded.bin", std::ios::binary) << image;
    std::ofstream(dir / "mem_0x08000000.bin", std::ios::binary) << image;
    std::cout << "Download done.\nFile downloaded successfully\n";
    if (fs::exists(dir / "leave_unplugs"))
        std::ofstream(dir / "absent") << "left";
    return read_int(dir / "download.rc", 0);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    for (auto const& a : args)
        if (starts_with(a, "--helper-"))
            return plain_behaviour(args);

    char const* state = std::getenv("FAKE_DFU_DIR");
    if (!state) {
        std::cerr << "fake_dfu_util: FAKE_DFU_DIR is not set\n";
        return 64;
    }
    fs::path const dir(state);
    {
        std::ofstream log(dir / "calls.log", std::ios::app);
        for (std::size_t i = 0; i < args.size(); ++i)
            log << (i ? "\t" : "") << args[i];
        log << '\n';
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(read_int(dir / "delay_ms", 0)));
    std::cout << banner;
    if (has(args, "-V"))
        return 0;
    if (has(args, "-l")) {
        if (!fs::exists(dir / "absent"))
            std::cout << read_all(dir / "list.txt");
        return read_int(dir / "list.rc", 0);
    }
    if (has(args, "-U"))
        return upload(dir, args);
    if (has(args, "-D"))
        return download(dir, args);
    std::cerr << "fake_dfu_util: unexpected arguments\n";
    return 64;
}
