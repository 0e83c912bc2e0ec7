// A stand-in libusb-1.0.so.0 that presents one ST DfuSe bootloader (0483:df11, bcdDevice
// 0x2200) whose memories and settings live in the folder named by KALVORA_EMULATOR_DIR.
// It defines every libusb function that dfu-util imports, and nothing it prints goes to
// standard output or error (but for the fault flood_before_main): the log of control transfers
// is a file in that folder.

#include "bootloader.h"
#include "emustate.h"
#include "timing.h"

#pragma GCC visibility push(default)
#include <libusb.h>
#pragma GCC visibility pop

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

struct libusb_context
{
    int unused = 0;
};

struct libusb_device
{
    int refs = 1;
    int index = 0;   // 0: the device, 1: the second device
    int address = 0; // its address when listed; a device that came back has a new one
};

struct libusb_device_handle
{
    libusb_device* dev = nullptr;
    int address = 0;
};

namespace {

char const* const alt_names[] = {
    "@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg",
    "@Option Bytes  /0x1FFFC000/01*016 e",
    "@OTP Memory /0x1FFF7800/01*512 e,01*016 e",
    "@Device Feature/0xFFFF0000/01*004 e",
};
constexpr int alt_count = 4;

emu::Run& run()
{
    static emu::Run r;
    return r;
}

// Every entry point that touches the device runs its body with the device's state folder
// locked and its configuration loaded, and saves the configuration when the body changed it.
// Without a state folder (no emulated device set up) the body does not run and `absent` is
// returned. The first call of a run, the device list, also creates the state files a new
// device starts with.
template <typename Body>
int with_device(int absent, Body body, bool create_files = false)
{
    char const* dir = std::getenv(emu::dir_variable);
    if (!dir || !*dir)
        return absent;
    emu::State const s(dir);
    emu::State::Lock const lock(s);
    if (create_files)
        s.ensure_files();
    emu::Config c = s.load();
    emu::Config const before = c;
    int const result = body(s, c);
    if (c.values != before.values)
        s.save(c);
    return result;
}

void log_line(emu::State const& s, std::string const& text)
{
    s.append_log(std::to_string(emu::now_ms()) + " pid=" + std::to_string(::getpid()) + " " +
                 text);
}

std::string serial_of(emu::Config const& c, int index)
{
    return index == 0 ? c.get("serial", "376235643036") : c.get("second_serial");
}

unsigned char const dfu_functional[9] = {9, 0x21, 0x0B, 255, 0, 0x00, 0x08, 0x1A, 0x01};

int device_descriptor(unsigned char* out, int length)
{
    unsigned char const d[18] = {18,   1,    0x00, 0x02, 0, 0, 0, 64, 0x83,
                                 0x04, 0x11, 0xdf, 0x00, 0x22, 1, 2, 3, 1};
    int const n = length < 18 ? length : 18;
    std::memcpy(out, d, std::size_t(n));
    return n;
}

int config_descriptor(unsigned char* out, int length)
{
    std::string d = {9, 2, 54, 0, 1, 1, 0, char(0xC0), 50};
    for (int alt = 0; alt < alt_count; ++alt)
        d += std::string{9, 4, 0, char(alt), 0, char(0xFE), 1, 2, char(4 + alt)};
    d.append(reinterpret_cast<char const*>(dfu_functional), 9);
    int const n = length < int(d.size()) ? length : int(d.size());
    std::memcpy(out, d.data(), std::size_t(n));
    return n;
}

int string_descriptor(emu::Config const& c, int device, int index, unsigned char* out, int length)
{
    std::string text;
    if (index == 0) {
        unsigned char const langids[4] = {4, 3, 0x09, 0x04};
        int const n = length < 4 ? length : 4;
        std::memcpy(out, langids, std::size_t(n));
        return n;
    }
    if (index == 1)
        text = "STMicroelectronics";
    else if (index == 2)
        text = "STM32  BOOTLOADER";
    else if (index == 3)
        text = serial_of(c, device);
    else if (index >= 4 && index < 4 + alt_count)
        text = alt_names[index - 4];
    else
        return LIBUSB_ERROR_PIPE;
    std::string d(2 + 2 * text.size(), '\0');
    d[0] = char(d.size());
    d[1] = LIBUSB_DT_STRING;
    for (std::size_t i = 0; i < text.size(); ++i)
        d[2 + 2 * i] = text[i];
    int const n = length < int(d.size()) ? length : int(d.size());
    std::memcpy(out, d.data(), std::size_t(n));
    return n;
}

int get_descriptor(emu::Config const& c, int device, uint16_t value, unsigned char* out,
                   int length)
{
    switch (value >> 8) {
    case LIBUSB_DT_DEVICE:
        return device_descriptor(out, length);
    case LIBUSB_DT_CONFIG:
        return config_descriptor(out, length);
    case LIBUSB_DT_STRING:
        return string_descriptor(c, device, value & 0xFF, out, length);
    case 0x21: {
        int const n = length < 9 ? length : 9;
        std::memcpy(out, dfu_functional, std::size_t(n));
        return n;
    }
    default:
        return LIBUSB_ERROR_PIPE;
    }
}

// The device of a handle is still there when it is present at the address it was opened at.
bool reachable(emu::Config& c, libusb_device_handle const* h)
{
    if (!emu::refresh_presence(c))
        return false;
    int const address = int(c.number("address", 5)) + h->dev->index;
    if (h->dev->index == 1 && c.get("second_serial").empty())
        return false;
    return address == h->address;
}

// Sets bus_us to the time the transfer takes on the bus (none with the default timing).
int transfer(libusb_device_handle* h, uint8_t type, uint8_t request, uint16_t value, uint16_t index,
             unsigned char* data, uint16_t length, long long* bus_us)
{
    return with_device(LIBUSB_ERROR_NO_DEVICE, [&](emu::State const& s, emu::Config& c) {
        int result = LIBUSB_ERROR_NO_DEVICE;
        if (reachable(c, h)) {
            if ((type & 0x60) == 0 && request == LIBUSB_REQUEST_GET_DESCRIPTOR && (type & 0x80))
                result = get_descriptor(c, h->dev->index, value, data, length);
            else if ((type & 0x60) == LIBUSB_REQUEST_TYPE_CLASS)
                result = emu::class_request(s, run(), c, type, request, value, data, length);
            else
                result = LIBUSB_ERROR_PIPE;
        }
        log_line(s, "dev=" + std::to_string(h->address) + " " + emu::request_name(type, request) +
                        " type=" + std::to_string(type) + " wValue=" + std::to_string(value) +
                        " wIndex=" + std::to_string(index) + " wLength=" + std::to_string(length) +
                        " -> " + std::to_string(result) + " state=" + c.get("dfu_state", "2") +
                        " status=" + c.get("dfu_status", "0"));
        *bus_us = emu::timing::transfer_us(emu::timing::model_of(c), result);
        return result;
    });
}

// Faults that act before dfu-util's main runs, so that they reach every run, even "-V": a run
// that hangs (hang_before_main) and one that prints to standard output without end
// (flood_before_main). Their parameter is "<option>[:<amount>]": they act on a dfu-util run whose
// arguments hold <option> ("any": every run); the amount is milliseconds to hang or MiB to
// print, without it for ever. The log records the run's pid.
std::vector<std::string> own_arguments()
{
    std::vector<std::string> args;
    int const fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return args;
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    ::close(fd);
    for (std::size_t at = 0; at < text.size(); at = text.find('\0', at) + 1)
        args.push_back(text.c_str() + at);
    return args;
}

// The amount of the fault name when it acts on this run ("" for ever), or nothing.
bool fault_before_main(emu::State const& s, emu::Config& c, std::vector<std::string> const& args,
                       std::string const& name, std::string* amount)
{
    std::string param;
    if (!emu::fault_set(c, run(), name, &param))
        return false;
    std::size_t const colon = param.find(':');
    std::string const option = param.substr(0, colon);
    if (option != "any" && std::find(args.begin() + 1, args.end(), option) == args.end())
        return false;
    emu::charge_fault(c, run(), name);
    *amount = colon == std::string::npos ? std::string() : param.substr(colon + 1);
    log_line(s, name + " " + param);
    return true;
}

void flood_standard_output(std::string const& mebibytes)
{
    std::string block;
    while (block.size() < 65536)
        block += "dfu-util: flooding standard output before main\n";
    block.resize(65536);
    long long const blocks = mebibytes.empty() ? -1 : std::atoll(mebibytes.c_str()) * 16;
    for (long long i = 0; blocks < 0 || i < blocks; ++i)
        for (std::size_t done = 0; done < block.size();) {
            ssize_t const n = ::write(STDOUT_FILENO, block.data() + done, block.size() - done);
            if (n <= 0)
                return; // nobody reads any more
            done += std::size_t(n);
        }
}

void hang(std::string const& ms)
{
    if (!ms.empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoll(ms.c_str())));
        return;
    }
    while (true)
        ::pause();
}

__attribute__((constructor)) void before_main()
{
    char const* dir = std::getenv(emu::dir_variable);
    std::vector<std::string> const args = own_arguments();
    if (!dir || !*dir || args.empty())
        return;
    std::string const program = args.front().substr(args.front().rfind('/') + 1);
    if (program != "dfu-util")
        return;
    bool flood = false;
    bool hangs = false;
    std::string flood_amount;
    std::string hang_amount;
    with_device(0, [&](emu::State const& s, emu::Config& c) {
        flood = fault_before_main(s, c, args, "flood_before_main", &flood_amount);
        hangs = fault_before_main(s, c, args, "hang_before_main", &hang_amount);
        return 0;
    });
    if (flood)
        flood_standard_output(flood_amount);
    if (hangs)
        hang(hang_amount);
}

} // namespace

extern "C" {

int LIBUSB_CALL libusb_init(libusb_context** ctx)
{
    if (ctx)
        *ctx = new (std::nothrow) libusb_context;
    return 0;
}

void LIBUSB_CALL libusb_exit(libusb_context* ctx)
{
    delete ctx;
}

int LIBUSB_CALL libusb_set_option(libusb_context*, enum libusb_option, ...)
{
    return LIBUSB_SUCCESS;
}

const struct libusb_version* LIBUSB_CALL libusb_get_version(void)
{
    static libusb_version const v = {1, 0, 26, 11724, "", "emulated ST DfuSe bootloader"};
    return &v;
}

char const* LIBUSB_CALL libusb_error_name(int code)
{
    switch (code) {
    case LIBUSB_SUCCESS: return "LIBUSB_SUCCESS";
    case LIBUSB_ERROR_IO: return "LIBUSB_ERROR_IO";
    case LIBUSB_ERROR_INVALID_PARAM: return "LIBUSB_ERROR_INVALID_PARAM";
    case LIBUSB_ERROR_ACCESS: return "LIBUSB_ERROR_ACCESS";
    case LIBUSB_ERROR_NO_DEVICE: return "LIBUSB_ERROR_NO_DEVICE";
    case LIBUSB_ERROR_NOT_FOUND: return "LIBUSB_ERROR_NOT_FOUND";
    case LIBUSB_ERROR_BUSY: return "LIBUSB_ERROR_BUSY";
    case LIBUSB_ERROR_TIMEOUT: return "LIBUSB_ERROR_TIMEOUT";
    case LIBUSB_ERROR_OVERFLOW: return "LIBUSB_ERROR_OVERFLOW";
    case LIBUSB_ERROR_PIPE: return "LIBUSB_ERROR_PIPE";
    case LIBUSB_ERROR_INTERRUPTED: return "LIBUSB_ERROR_INTERRUPTED";
    case LIBUSB_ERROR_NO_MEM: return "LIBUSB_ERROR_NO_MEM";
    case LIBUSB_ERROR_NOT_SUPPORTED: return "LIBUSB_ERROR_NOT_SUPPORTED";
    default: return "LIBUSB_ERROR_OTHER";
    }
}

ssize_t LIBUSB_CALL libusb_get_device_list(libusb_context*, libusb_device*** list)
{
    libusb_device** out = static_cast<libusb_device**>(std::calloc(3, sizeof(libusb_device*)));
    if (!out)
        return LIBUSB_ERROR_NO_MEM;
    *list = out;
    return with_device(0, [&](emu::State const&, emu::Config& c) {
        if (!emu::refresh_presence(c))
            return 0;
        int const devices = c.get("second_serial").empty() ? 1 : 2;
        for (int i = 0; i < devices; ++i)
            out[i] = new libusb_device{1, i, int(c.number("address", 5)) + i};
        return devices;
    }, true);
}

void LIBUSB_CALL libusb_free_device_list(libusb_device** list, int unref_devices)
{
    if (!list)
        return;
    if (unref_devices)
        for (libusb_device** d = list; *d; ++d)
            libusb_unref_device(*d);
    std::free(list);
}

libusb_device* LIBUSB_CALL libusb_ref_device(libusb_device* dev)
{
    ++dev->refs;
    return dev;
}

void LIBUSB_CALL libusb_unref_device(libusb_device* dev)
{
    if (dev && --dev->refs == 0)
        delete dev;
}

uint8_t LIBUSB_CALL libusb_get_bus_number(libusb_device*)
{
    return 1;
}

uint8_t LIBUSB_CALL libusb_get_device_address(libusb_device* dev)
{
    return uint8_t(dev->address);
}

int LIBUSB_CALL libusb_get_port_numbers(libusb_device* dev, uint8_t* ports, int length)
{
    if (length < 1)
        return LIBUSB_ERROR_OVERFLOW;
    ports[0] = uint8_t(1 + dev->index);
    return 1;
}

// Decoded from the same bytes that the device returns for GET_DESCRIPTOR.
int LIBUSB_CALL libusb_get_device_descriptor(libusb_device*, struct libusb_device_descriptor* d)
{
    unsigned char raw[18];
    device_descriptor(raw, 18);
    auto const word = [&raw](int at) { return uint16_t(raw[at] | raw[at + 1] << 8); };
    d->bLength = raw[0];
    d->bDescriptorType = raw[1];
    d->bcdUSB = word(2);
    d->bDeviceClass = raw[4];
    d->bDeviceSubClass = raw[5];
    d->bDeviceProtocol = raw[6];
    d->bMaxPacketSize0 = raw[7];
    d->idVendor = word(8);
    d->idProduct = word(10);
    d->bcdDevice = word(12);
    d->iManufacturer = raw[14];
    d->iProduct = raw[15];
    d->iSerialNumber = raw[16];
    d->bNumConfigurations = raw[17];
    return 0;
}

int LIBUSB_CALL libusb_get_config_descriptor(libusb_device*, uint8_t index,
                                             struct libusb_config_descriptor** config)
{
    if (index != 0)
        return LIBUSB_ERROR_NOT_FOUND;
    auto* alts = static_cast<libusb_interface_descriptor*>(
        std::calloc(alt_count, sizeof(libusb_interface_descriptor)));
    auto* intf = static_cast<libusb_interface*>(std::calloc(1, sizeof(libusb_interface)));
    auto* cfg = static_cast<libusb_config_descriptor*>(std::calloc(1, sizeof(libusb_config_descriptor)));
    auto* extra = static_cast<unsigned char*>(std::malloc(sizeof dfu_functional));
    std::memcpy(extra, dfu_functional, sizeof dfu_functional);
    for (int alt = 0; alt < alt_count; ++alt) {
        libusb_interface_descriptor& a = alts[alt];
        a.bLength = 9;
        a.bDescriptorType = LIBUSB_DT_INTERFACE;
        a.bAlternateSetting = uint8_t(alt);
        a.bInterfaceClass = 0xFE;
        a.bInterfaceSubClass = 1;
        a.bInterfaceProtocol = 2;
        a.iInterface = uint8_t(4 + alt);
    }
    // libusb hands class descriptors to the interface descriptor that precedes them.
    alts[alt_count - 1].extra = extra;
    alts[alt_count - 1].extra_length = sizeof dfu_functional;
    intf->altsetting = alts;
    intf->num_altsetting = alt_count;
    cfg->bLength = 9;
    cfg->bDescriptorType = LIBUSB_DT_CONFIG;
    cfg->wTotalLength = 54;
    cfg->bNumInterfaces = 1;
    cfg->bConfigurationValue = 1;
    cfg->bmAttributes = 0xC0;
    cfg->MaxPower = 50;
    cfg->interface = intf;
    *config = cfg;
    return 0;
}

void LIBUSB_CALL libusb_free_config_descriptor(struct libusb_config_descriptor* config)
{
    if (!config)
        return;
    libusb_interface const* intf = config->interface;
    std::free(const_cast<unsigned char*>(intf->altsetting[alt_count - 1].extra));
    std::free(const_cast<libusb_interface_descriptor*>(intf->altsetting));
    std::free(const_cast<libusb_interface*>(intf));
    std::free(config);
}

int LIBUSB_CALL libusb_open(libusb_device* dev, libusb_device_handle** handle)
{
    auto const open = [&](emu::State const& s, emu::Config& c) {
        std::string param;
        int result = LIBUSB_SUCCESS;
        if (emu::fault_set(c, run(), "refuse_open", &param)) {
            emu::charge_fault(c, run(), "refuse_open");
            result = LIBUSB_ERROR_ACCESS;
        } else {
            libusb_device_handle probe{dev, dev->address};
            if (!reachable(c, &probe))
                result = LIBUSB_ERROR_NO_DEVICE;
        }
        log_line(s, "dev=" + std::to_string(dev->address) + " OPEN -> " + std::to_string(result));
        return result;
    };
    int const result = with_device(LIBUSB_ERROR_NO_DEVICE, open);
    if (result != LIBUSB_SUCCESS)
        return result;
    *handle = new libusb_device_handle{libusb_ref_device(dev), dev->address};
    return LIBUSB_SUCCESS;
}

void LIBUSB_CALL libusb_close(libusb_device_handle* handle)
{
    if (!handle)
        return;
    libusb_unref_device(handle->dev);
    delete handle;
}

// Claiming the interface is where a run begins to talk DFU: a device set to start in
// dfuERROR enters it here.
int LIBUSB_CALL libusb_claim_interface(libusb_device_handle* handle, int)
{
    return with_device(LIBUSB_ERROR_NO_DEVICE, [&](emu::State const& s, emu::Config& c) {
        std::string param;
        int const result = reachable(c, handle) ? LIBUSB_SUCCESS : LIBUSB_ERROR_NO_DEVICE;
        if (result == LIBUSB_SUCCESS && emu::fault_set(c, run(), "start_error", &param) &&
            !run().faults.count("start_error")) {
            emu::charge_fault(c, run(), "start_error");
            c.set("dfu_state", emu::dfu::dfuERROR);
            c.set("dfu_status", emu::dfu::errUNKNOWN);
        }
        log_line(s, "dev=" + std::to_string(handle->address) + " CLAIM -> " +
                        std::to_string(result));
        return result;
    });
}

int LIBUSB_CALL libusb_release_interface(libusb_device_handle*, int)
{
    return LIBUSB_SUCCESS;
}

int LIBUSB_CALL libusb_set_interface_alt_setting(libusb_device_handle* handle, int, int alt)
{
    return alt >= 0 && alt < alt_count && handle ? LIBUSB_SUCCESS : LIBUSB_ERROR_NOT_FOUND;
}

int LIBUSB_CALL libusb_reset_device(libusb_device_handle*)
{
    return LIBUSB_ERROR_NOT_FOUND;
}

int LIBUSB_CALL libusb_control_transfer(libusb_device_handle* handle, uint8_t request_type,
                                        uint8_t request, uint16_t value, uint16_t index,
                                        unsigned char* data, uint16_t length, unsigned int)
{
    if (!handle)
        return LIBUSB_ERROR_INVALID_PARAM;
    // The wait is outside the state folder's lock, so that others can look at the device.
    auto const begin = std::chrono::steady_clock::now();
    long long bus_us = 0;
    int const result = transfer(handle, request_type, request, value, index, data, length, &bus_us);
    if (bus_us > 0)
        std::this_thread::sleep_until(begin + std::chrono::microseconds(bus_us));
    return result;
}

} // extern "C"
