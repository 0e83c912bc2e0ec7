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
// Without them it acts as dfu-util in front of the devices whose state is the folder named by
// FAKE_DFU_DIR (see tests/helpers/fakedevice.h), in one of two layouts:
//   one device: "-l" prints list.txt, the memory is mem_<address>.bin, faults lie beside it;
//   a bus (the file "bus" exists): it names the present serials, units/<serial>/ holds the
//   memory and faults of each device, present or not.
// Every run holds the lock file for its whole length, so a change that FakeDevice makes under
// the same lock falls between two runs. A run appends its arguments to calls.log and one line
// to runs.log: which device it talked to, what it did and how it ended.

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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

std::string fnv1a(std::string const& bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 0x100000001b3ULL;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The lines that dfu-util 0.11 prints for one device with alternates interfaces.
std::string device_lines(std::string const& serial, int alternates)
{
    static char const* const names[] = {
        "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg",
        "@Option Bytes  /0x1FFFC000/01*016 e",
        "@OTP Memory /0x1FFF7800/01*512 e,01*016 e",
        "@Device Feature/0xFFFF0000/01*004 e",
    };
    std::string out;
    for (int alt = alternates - 1; alt >= 0; --alt)
        out += "Found DFU: [0483:df11] ver=2200, devnum=7, cfg=1, intf=0, path=\"1-1\", alt=" +
               std::to_string(alt) + ", name=\"" + names[alt % 4] + "\", serial=\"" + serial +
               "\"\n";
    return out;
}

// A device that a run can talk to: its serial and the folder of its memory and faults.
struct Unit
{
    std::string serial;
    fs::path dir;
};

// What the run sees, fixed when it starts: the devices present and the layout's generation.
struct Bus
{
    fs::path dir;
    bool layout_bus = false;
    int generation = 0;
    std::vector<Unit> present;
};

std::vector<std::string> serials_in_list(std::string const& list)
{
    std::vector<std::string> serials;
    std::string const key = "serial=\"";
    for (std::size_t at = list.find(key); at != std::string::npos; at = list.find(key, at + 1)) {
        std::size_t const begin = at + key.size();
        std::string const serial = list.substr(begin, list.find('"', begin) - begin);
        if (serials.empty() || serials.back() != serial)
            serials.push_back(serial);
    }
    return serials;
}

Bus read_bus(fs::path const& dir)
{
    Bus bus;
    bus.dir = dir;
    if (fs::exists(dir / "bus")) {
        bus.layout_bus = true;
        std::istringstream lines(read_all(dir / "bus"));
        lines >> bus.generation;
        for (std::string serial; lines >> serial;)
            bus.present.push_back(Unit{serial, dir / "units" / serial});
        return bus;
    }
    // One device: its memory answers unless it vanished, even while it is not listed.
    if (!fs::exists(dir / "absent")) {
        std::vector<std::string> const listed = serials_in_list(read_all(dir / "list.txt"));
        bus.present.push_back(Unit{listed.empty() ? std::string() : listed.front(), dir});
    }
    return bus;
}

// The run's line in runs.log, written at its end.
struct Report
{
    explicit Report(Bus const& bus) : bus(bus) {}

    Bus const& bus;
    std::string device = "-";
    std::string op;
    std::string details;
    int code = 0;

    void add(std::string const& key, std::string const& value)
    {
        details += " " + key + "=" + value;
    }
};

void log_run(Report const& r)
{
    std::string const line = "gen=" + std::to_string(r.bus.generation) + " device=" + r.device +
                             " op=" + r.op + " exit=" + std::to_string(r.code) + r.details + "\n";
    int const fd =
        ::open((r.bus.dir / "runs.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        ssize_t const written = ::write(fd, line.data(), line.size()); // one write: one line
        (void)written;
        ::close(fd);
    }
}

int no_device()
{
    std::cerr << "dfu-util: No DFU capable USB device available\n";
    return 74;
}

int more_than_one()
{
    std::cerr << "dfu-util: More than one DFU capable USB device found! Try `--list' and "
                 "specify the serial number or disconnect all but one device\n\n";
    return 74;
}

// The one device a command addresses, as dfu-util picks it: "-S" selects by serial, and
// without it the command needs exactly one device.
Unit const* addressed(Bus const& bus, std::vector<std::string> const& args, int* code)
{
    std::string const wanted = value_after(args, "-S");
    std::vector<Unit const*> found;
    for (auto const& unit : bus.present)
        if (wanted.empty() || unit.serial == wanted)
            found.push_back(&unit);
    if (found.size() == 1)
        return found.front();
    *code = found.empty() ? no_device() : more_than_one();
    return nullptr;
}

int list(Bus const& bus, std::vector<std::string> const& args, Report& report)
{
    std::string const wanted = value_after(args, "-S");
    std::string shown;
    for (auto const& unit : bus.present) {
        if (!wanted.empty() && unit.serial != wanted)
            continue;
        if (bus.layout_bus)
            std::cout << device_lines(unit.serial, read_int(unit.dir / "alternates", 4));
        shown += (shown.empty() ? "" : ",") + unit.serial;
    }
    if (!bus.layout_bus && !bus.present.empty())
        std::cout << read_all(bus.dir / "list.txt");
    report.add("listed", shown.empty() ? "-" : shown);
    return read_int(bus.dir / "list.rc", 0);
}

// Bytes that an upload of this length returns; fewer for a short-dump fault.
std::size_t dump_length(Unit const& unit, std::string const& address, std::size_t length)
{
    std::string const fault = address == "0x1FFF7800" ? "short_otp" : "short_info";
    int const bytes = length <= 2048 ? read_int(unit.dir / fault, -1) : -1;
    return bytes < 0 ? length : std::min(length, static_cast<std::size_t>(bytes));
}

int upload_fault(Unit const& unit, std::string const& address, std::size_t length)
{
    int const fail = read_int(unit.dir / ("fail_upload_" + address), 0);
    if (fail != 0 || address != "0x08000000" || length > 2048)
        return fail;
    return read_int(unit.dir / "fail_info", 0);
}

int upload(Unit const& unit, std::vector<std::string> const& args, Report& report)
{
    std::string const range = value_after(args, "-s");
    std::string const address = range.substr(0, range.find(':'));
    std::size_t const length = std::strtoul(range.c_str() + address.size() + 1, nullptr, 10);
    report.add("address", address);
    report.add("length", std::to_string(length));
    if (int const fail = upload_fault(unit, address, length)) {
        std::cout << "Upload of " << address << " failed\n";
        return fail;
    }
    fs::path const target = value_after(args, "-U");
    if (fs::exists(target)) {
        std::cerr << "dfu-util: Cannot open file " << target.string() << " for writing\n";
        return 73;
    }
    std::string memory = read_all(unit.dir / ("mem_" + address + ".bin"));
    memory.resize(length, '\xFF');
    std::string data = memory.substr(0, dump_length(unit, address, length));
    if (length > 2048 && !data.empty() && fs::exists(unit.dir / "flip_readback"))
        data.back() = static_cast<char>(~data.back());
    std::ofstream(target, std::ios::binary) << data;
    report.add("written", std::to_string(data.size()));
    report.add("memory", fnv1a(memory));
    report.add("returned", fnv1a(data));
    report.add("equals_memory", data == memory ? "yes" : "no");
    std::cout << "Upload\t[=========================] 100%\t" << length << " bytes\nUpload done.\n";
    return 0;
}

// After the download with the leave request, the device may drop off the bus.
void leave(Bus const& bus, Unit const& unit)
{
    if (!fs::exists(unit.dir / "leave_unplugs"))
        return;
    if (!bus.layout_bus) {
        std::ofstream(bus.dir / "absent") << "left";
        return;
    }
    std::string rest = std::to_string(bus.generation + 1) + "\n";
    for (auto const& other : bus.present)
        if (other.serial != unit.serial)
            rest += other.serial + "\n";
    std::ofstream(bus.dir / "bus") << rest;
}

int download(Bus const& bus, Unit const& unit, std::vector<std::string> const& args, Report& report)
{
    std::string const image = read_all(value_after(args, "-D"));
    std::ofstream(unit.dir / "downloaded.bin", std::ios::binary) << image;
    std::ofstream(unit.dir / "mem_0x08000000.bin", std::ios::binary) << image;
    report.add("bytes", std::to_string(image.size()));
    report.add("image", fnv1a(image));
    std::cout << "Download done.\nFile downloaded successfully\n";
    leave(bus, unit);
    return read_int(unit.dir / "download.rc", 0);
}

int act(Bus const& bus, std::vector<std::string> const& args, Report& report)
{
    if (has(args, "-V")) {
        report.op = "version";
        return 0;
    }
    if (has(args, "-l")) {
        report.op = "list";
        return list(bus, args, report);
    }
    report.op = has(args, "-U") ? "upload" : has(args, "-D") ? "download" : "other";
    if (report.op == "other") {
        std::cerr << "fake_dfu_util: unexpected arguments\n";
        return 64;
    }
    int code = 0;
    Unit const* unit = addressed(bus, args, &code);
    if (!unit)
        return code;
    report.device = unit->serial.empty() ? "-" : unit->serial;
    return report.op == "upload" ? upload(*unit, args, report) : download(bus, *unit, args, report);
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
    int const lock = ::open((dir / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        std::cerr << "fake_dfu_util: cannot lock " << (dir / "lock").string() << "\n";
        return 64;
    }
    {
        std::ofstream log(dir / "calls.log", std::ios::app);
        for (std::size_t i = 0; i < args.size(); ++i)
            log << (i ? "\t" : "") << args[i];
        log << '\n';
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(read_int(dir / "delay_ms", 0)));
    std::cout << banner;
    Bus const bus = read_bus(dir);
    Report report(bus);
    report.code = act(bus, args, report);
    log_run(report);
    std::cout.flush();
    ::flock(lock, LOCK_UN);
    return report.code;
}
