#include "emustate.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace emu {

std::vector<Region> const& regions()
{
    static std::vector<Region> const all = {
        {flash_base, flash_size, "flash.bin"},
        {otp_base, otp_size, "otp.bin"},
        {option_base, option_size, "option.bin"},
        {feature_base, feature_size, "feature.bin"},
    };
    return all;
}

Region const* region_of(std::uint32_t address, std::uint32_t length)
{
    for (Region const& r : regions()) {
        std::uint64_t const end = std::uint64_t(address) + length;
        if (address >= r.base && end <= std::uint64_t(r.base) + r.size)
            return &r;
    }
    return nullptr;
}

bool flash_sector(std::uint32_t address, std::uint32_t* start, std::uint32_t* size)
{
    if (address < flash_base || address >= flash_base + flash_size)
        return false;
    std::uint32_t const offset = address - flash_base;
    if (offset < 0x10000) {
        *start = flash_base + (offset & ~0x3FFFu);
        *size = 0x4000;
    } else if (offset < 0x20000) {
        *start = flash_base + 0x10000;
        *size = 0x10000;
    } else {
        *start = flash_base + (offset & ~0x1FFFFu);
        *size = 0x20000;
    }
    return true;
}

std::string Config::get(std::string const& key, std::string const& fallback) const
{
    auto const it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

long long Config::number(std::string const& key, long long fallback) const
{
    auto const it = values.find(key);
    if (it == values.end() || it->second.empty())
        return fallback;
    return std::strtoll(it->second.c_str(), nullptr, 0);
}

void Config::set(std::string const& key, std::string const& value)
{
    values[key] = value;
}

void Config::set(std::string const& key, long long value)
{
    values[key] = std::to_string(value);
}

std::vector<std::string> const& fault_names()
{
    static std::vector<std::string> const names = {
        "stall_upload",  // param: the Nth UPLOAD of a run stalls
        "stall_dnload",  // param: the Nth data DNLOAD of a run stalls
        "err_write",     // param: address; a write that covers it ends in errWRITE
        "err_erase",     // param: address; erasing its sector ends in errERASE
        "flip_readback", // param: address; its byte is inverted in uploaded data
        "start_error",   // the run finds the device in dfuERROR
        "vanish_on_leave", // the device is gone before it answers the leave GETSTATUS
        "stuck_busy",    // param: GETSTATUS answers dfuDNBUSY this often (0: for ever)
        "refuse_open",   // libusb_open fails with LIBUSB_ERROR_ACCESS
        "hang_before_main",  // param: OPTION[:MS]; a run with OPTION hangs before dfu-util's main
        "flood_before_main", // param: OPTION[:MIB]; such a run prints without end (or MIB MiB)
    };
    return names;
}

State::State(std::string dir) : folder(std::move(dir)) {}

State::Lock::Lock(State const& state)
{
    fd = ::open(state.path("lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::flock(fd, LOCK_EX);
}

State::Lock::~Lock()
{
    if (fd >= 0)
        ::close(fd); // releases the flock
}

void State::ensure_files() const
{
    for (Region const& r : regions()) {
        struct stat st;
        if (::stat(path(r.file).c_str(), &st) == 0 && st.st_size == off_t(r.size))
            continue;
        write_file(r.file, std::vector<std::uint8_t>(r.size, 0xFF));
    }
    struct stat st;
    if (::stat(path("device.conf").c_str(), &st) != 0) {
        Config c;
        c.set("present", 1);
        c.set("serial", "376235643036");
        c.set("address", 5);
        c.set("reappear_ms", 1000);
        save(c);
    }
}

Config State::load() const
{
    Config c;
    std::ifstream in(path("device.conf"));
    std::string line;
    while (std::getline(in, line)) {
        auto const eq = line.find('=');
        if (eq != std::string::npos)
            c.values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return c;
}

void State::save(Config const& config) const
{
    std::string text;
    for (auto const& [key, value] : config.values)
        text += key + "=" + value + "\n";
    write_file("device.conf", std::vector<std::uint8_t>(text.begin(), text.end()));
}

bool State::read(std::uint32_t address, std::uint8_t* out, std::uint32_t length) const
{
    Region const* r = region_of(address, length);
    if (!r)
        return false;
    int const fd = ::open(path(r->file).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ssize_t const n = ::pread(fd, out, length, address - r->base);
    ::close(fd);
    return n == ssize_t(length);
}

bool State::write_raw(std::uint32_t address, std::uint8_t const* data, std::uint32_t length) const
{
    Region const* r = region_of(address, length);
    if (!r)
        return false;
    int const fd = ::open(path(r->file).c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ssize_t const n = ::pwrite(fd, data, length, address - r->base);
    ::close(fd);
    return n == ssize_t(length);
}

std::vector<std::uint8_t> State::read_file(char const* name) const
{
    std::ifstream in(path(name), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Rewrites in place rather than by rename: readers hold the lock, and a test that
// watches a file keeps seeing the same one. The file is cut to its new length after the
// write, never emptied first: ext4 writes out a file that is emptied and written again
// when it is closed, which cost milliseconds for each of the thousands of transfers of a
// download.
void State::write_file(char const* name, std::vector<std::uint8_t> const& bytes) const
{
    int const fd = ::open(path(name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t const n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    if (::ftruncate(fd, off_t(done)) != 0)
        done = 0;
    ::close(fd);
}

void State::append_line(char const* name, std::string const& line) const
{
    int const fd = ::open(path(name).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    std::string const text = line + "\n";
    ssize_t const n = ::write(fd, text.data(), text.size());
    (void)n;
    ::close(fd);
}

long long now_ms()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

long long now_us()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

std::vector<std::uint8_t> otp_record(std::uint8_t type)
{
    return {0x11, 0x47, 0x23, 0x01, type, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
}

long info_block_offset(std::vector<std::uint8_t> const& image)
{
    static std::uint8_t const marker[] = {0x12, 0x47, 0x23, 0x01};
    auto const it = std::search(image.begin(), image.end(), std::begin(marker), std::end(marker));
    return it == image.end() ? -1 : long(it - image.begin());
}

bool patch_info_block(std::vector<std::uint8_t>& image, std::string const& revision, int type)
{
    long const at = info_block_offset(image);
    if (at < 0 || std::size_t(at) + 72 > image.size() || revision.size() > 31)
        return false;
    if (type >= 0)
        image[std::size_t(at) + 4] = std::uint8_t(type);
    if (!revision.empty()) {
        std::fill_n(image.begin() + at + 40, 32, 0);
        std::copy(revision.begin(), revision.end(), image.begin() + at + 40);
    }
    return true;
}

} // namespace emu
