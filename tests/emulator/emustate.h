#pragma once

// The persistent state of the emulated ST DfuSe bootloader: a folder, named by the environment
// variable KALVORA_EMULATOR_DIR, that outlives every dfu-util run. It holds the memories
// (flash.bin, otp.bin, option.bin, feature.bin), the settings and faults (device.conf), the
// data of a pending download block (pending.bin), a log of every control transfer
// (transfers.log) and the progress record of the last download (progress.log). Plain C++
// without Qt: the stand-in libusb, the state helper command and the tests share it.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace emu {

constexpr char const* dir_variable = "KALVORA_EMULATOR_DIR";

constexpr std::uint32_t flash_base = 0x08000000;
constexpr std::uint32_t flash_size = 1024 * 1024;
constexpr std::uint32_t otp_base = 0x1FFF7800;
constexpr std::uint32_t otp_data_size = 512;
constexpr std::uint32_t otp_size = otp_data_size + 16; // data, then one lock byte per 32 bytes
constexpr std::uint32_t option_base = 0x1FFFC000;
constexpr std::uint32_t option_size = 16;
constexpr std::uint32_t feature_base = 0xFFFF0000;
constexpr std::uint32_t feature_size = 4;
constexpr int transfer_size = 2048;

// One memory area of the device and the file that holds it.
struct Region
{
    std::uint32_t base;
    std::uint32_t size;
    char const* file;
};
std::vector<Region> const& regions();
// The area that holds [address, address + length), or nullptr.
Region const* region_of(std::uint32_t address, std::uint32_t length = 1);
// Start and size of the flash sector (4 x 16K, 1 x 64K, 7 x 128K) that holds address.
bool flash_sector(std::uint32_t address, std::uint32_t* start, std::uint32_t* size);

// Settings and faults as key=value lines. Faults are "fault.<name>" with the value
// "<param>,<runs>": the fault acts in the next <runs> dfu-util runs that reach it (-1: always).
struct Config
{
    std::map<std::string, std::string> values;

    std::string get(std::string const& key, std::string const& fallback = {}) const;
    long long number(std::string const& key, long long fallback = 0) const;
    void set(std::string const& key, std::string const& value);
    void set(std::string const& key, long long value);
    void erase(std::string const& key) { values.erase(key); }
};

// The names of the faults that can be set.
std::vector<std::string> const& fault_names();

class State
{
public:
    explicit State(std::string dir);

    std::string const& dir() const { return folder; }
    std::string path(char const* name) const { return folder + "/" + name; }

    // Holds the folder's lock (flock) for the lifetime of the guard, so that parallel runs
    // see every change whole.
    class Lock
    {
    public:
        explicit Lock(State const& state);
        ~Lock();
        Lock(Lock const&) = delete;
        Lock& operator=(Lock const&) = delete;

    private:
        int fd;
    };

    // Creates missing memory files (erased: 0xFF) and the default settings. Call under Lock.
    void ensure_files() const;
    Config load() const;
    void save(Config const& config) const;

    // Memory access by absolute address; false when the range is not one area's.
    bool read(std::uint32_t address, std::uint8_t* out, std::uint32_t length) const;
    bool write_raw(std::uint32_t address, std::uint8_t const* data, std::uint32_t length) const;

    std::vector<std::uint8_t> read_file(char const* name) const;
    void write_file(char const* name, std::vector<std::uint8_t> const& bytes) const;
    void append_line(char const* name, std::string const& line) const;
    void append_log(std::string const& line) const { append_line("transfers.log", line); }

private:
    std::string folder;
};

// Time since the epoch, for deadlines shared between processes.
long long now_ms();
long long now_us();

// The OTP product record: marker 11 47 23 01, type, FF FF FF, eight bytes.
std::vector<std::uint8_t> otp_record(std::uint8_t type);
// Offset of the firmware information block's start marker in image, or -1.
long info_block_offset(std::vector<std::uint8_t> const& image);
// Sets revision and, when type >= 0, the product type of the image's information block.
bool patch_info_block(std::vector<std::uint8_t>& image, std::string const& revision, int type);

} // namespace emu
