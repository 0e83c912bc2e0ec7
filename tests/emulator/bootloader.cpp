#include "bootloader.h"

#include "timing.h"

#include <algorithm>
#include <cstring>

namespace emu {

namespace {

constexpr int error_pipe = -9;      // LIBUSB_ERROR_PIPE: the request was stalled
constexpr int error_no_device = -4; // LIBUSB_ERROR_NO_DEVICE
constexpr int busy_poll_ms = 50;

enum Request : std::uint8_t {
    DETACH = 0,
    DNLOAD = 1,
    UPLOAD = 2,
    GETSTATUS = 3,
    CLRSTATUS = 4,
    GETSTATE = 5,
    ABORT = 6,
};

void set_state(Config& c, int state, int status = dfu::OK)
{
    c.set("dfu_state", state);
    c.set("dfu_status", status);
}

// A stalled request puts the device into dfuERROR, as the DFU state machine demands.
int stall(Config& c, int status = dfu::errSTALLEDPKT)
{
    set_state(c, dfu::dfuERROR, status);
    return error_pipe;
}

std::uint32_t le32(std::uint8_t const* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

bool covers(std::string const& param, std::uint32_t start, std::uint32_t length)
{
    std::uint32_t const a = std::uint32_t(std::strtoul(param.c_str(), nullptr, 0));
    return a >= start && a - start < length;
}

int erase_sector(State const& s, Run& run, Config& c, std::uint32_t address)
{
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    if (!flash_sector(address, &start, &size))
        return dfu::errTARGET;
    std::string p;
    if (fault_set(c, run, "err_erase", &p) && covers(p, start, size)) {
        charge_fault(c, run, "err_erase");
        return dfu::errERASE;
    }
    std::vector<std::uint8_t> const blank(size, 0xFF);
    return s.write_raw(start, blank.data(), size) ? dfu::OK : dfu::errERASE;
}

bool otp_locked(State const& s, std::uint32_t address, std::uint32_t length)
{
    std::uint8_t locks[16];
    if (!s.read(otp_base + otp_data_size, locks, 16))
        return true;
    for (std::uint32_t a = address; a < address + length && a < otp_base + otp_data_size; ++a)
        if (a >= otp_base && locks[(a - otp_base) / 32] == 0x00)
            return true;
    return false;
}

// Programming can only clear bits (flash and OTP); option bytes are replaced.
int write_block(State const& s, Run& run, Config& c, std::uint32_t address,
                std::vector<std::uint8_t> data)
{
    Region const* r = region_of(address, std::uint32_t(data.size()));
    if (!r || r->base == feature_base)
        return dfu::errTARGET;
    std::string p;
    if (fault_set(c, run, "err_write", &p) && covers(p, address, std::uint32_t(data.size()))) {
        charge_fault(c, run, "err_write");
        return dfu::errWRITE;
    }
    if (r->base == otp_base && otp_locked(s, address, std::uint32_t(data.size())))
        return dfu::errWRITE;
    if (r->base != option_base) {
        std::vector<std::uint8_t> old(data.size());
        s.read(address, old.data(), std::uint32_t(old.size()));
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] &= old[i];
    }
    return s.write_raw(address, data.data(), std::uint32_t(data.size())) ? dfu::OK
                                                                          : dfu::errWRITE;
}

// What carrying out a command did: its DFU status, how long it keeps the device busy, and
// the bytes it erased or wrote.
struct Outcome
{
    int status = dfu::OK;
    long long busy_us = 0;
    char const* phase = nullptr; // "erase" or "write"
    std::uint32_t bytes = 0;
};

Outcome execute(State const& s, Run& run, Config& c)
{
    timing::Model const m = timing::model_of(c);
    std::string const op = c.get("pending");
    std::uint32_t const address = std::uint32_t(c.number("pending_addr"));
    if (op == "setaddr") {
        if (!region_of(address))
            return {dfu::errTARGET};
        c.set("pointer", address);
        return {dfu::OK};
    }
    if (op == "erase") {
        std::uint32_t start = 0;
        std::uint32_t size = 0;
        flash_sector(address, &start, &size);
        return {erase_sector(s, run, c, address), timing::erase_us(m, size), "erase", size};
    }
    if (op == "masserase" || op == "unprotect") {
        for (std::uint32_t a = flash_base; a < flash_base + flash_size;) {
            std::uint32_t start = 0;
            std::uint32_t size = 0;
            flash_sector(a, &start, &size);
            if (int const st = erase_sector(s, run, c, a); st != dfu::OK)
                return {st};
            a = start + size;
        }
        return {dfu::OK, timing::erase_us(m, flash_size), "erase", flash_size};
    }
    if (op == "write") {
        std::vector<std::uint8_t> data = s.read_file("pending.bin");
        std::uint32_t const size = std::uint32_t(data.size());
        return {write_block(s, run, c, address, std::move(data)), timing::program_us(m, size),
                "write", size};
    }
    return {dfu::errUNKNOWN};
}

// The progress record of a download (one run): progress.log starts afresh with the run's
// first erase or write. "<ms> <phase> 0" marks the start of the erase and of the write,
// "<ms> <phase> <bytes so far>" the end of each operation, stamped with the time the device
// finished it.
void begin_progress(State const& s, Run& run, Outcome const& o)
{
    run.busy_phase = nullptr;
    if (!o.phase)
        return;
    if (run.progress.empty())
        s.write_file("progress.log", {});
    if (run.progress.emplace(o.phase, 0).second)
        s.append_line("progress.log", std::to_string(now_ms()) + " " + o.phase + " 0");
    if (o.status == dfu::OK) {
        run.busy_phase = o.phase;
        run.busy_bytes = o.bytes;
    }
}

void end_progress(State const& s, Run& run, long long done_us)
{
    if (!run.busy_phase)
        return;
    long long& bytes = run.progress[run.busy_phase];
    bytes += run.busy_bytes;
    s.append_line("progress.log", std::to_string(done_us / 1000) + " " + run.busy_phase + " " +
                                      std::to_string(bytes));
    run.busy_phase = nullptr;
}

int answer_status(std::uint8_t* data, std::uint16_t length, int status, int poll, int state)
{
    std::uint8_t const bytes[6] = {std::uint8_t(status), std::uint8_t(poll & 0xFF),
                                   std::uint8_t((poll >> 8) & 0xFF), std::uint8_t(poll >> 16),
                                   std::uint8_t(state), 0};
    std::memcpy(data, bytes, std::min<std::size_t>(length, 6));
    return std::min<int>(length, 6);
}

// The first GETSTATUS after a request answers dfuDNBUSY with the operation's time as
// bwPollTimeout and carries it out; until that time has passed every GETSTATUS answers
// dfuDNBUSY with the time left, so that a host that waits as told asks only once more. That
// one tells the outcome. The leave request is answered by dfuMANIFEST, and the device is gone.
int get_status(State const& s, Run& run, Config& c, std::uint8_t* data, std::uint16_t length)
{
    int const state = int(c.number("dfu_state", dfu::dfuIDLE));
    int const status = int(c.number("dfu_status", dfu::OK));
    if (state == dfu::dfuDNLOAD_SYNC && c.get("pending") == "leave") {
        std::string p;
        bool const vanish = fault_set(c, run, "vanish_on_leave", &p);
        if (vanish)
            charge_fault(c, run, "vanish_on_leave");
        set_state(c, dfu::dfuMANIFEST);
        go_absent(c);
        if (vanish)
            return error_no_device;
        return answer_status(data, length, dfu::OK, 0, dfu::dfuMANIFEST);
    }
    if (state == dfu::dfuDNLOAD_SYNC) {
        std::string p;
        if (fault_set(c, run, "stuck_busy", &p)) {
            charge_fault(c, run, "stuck_busy");
            long const limit = std::strtol(p.c_str(), nullptr, 0);
            if (limit <= 0 || ++run.busy_polls <= limit)
                return answer_status(data, length, dfu::OK, busy_poll_ms, dfu::dfuDNBUSY);
        }
        Outcome const o = execute(s, run, c);
        begin_progress(s, run, o);
        c.set("outcome", o.status);
        c.set("busy_until_us", now_us() + o.busy_us);
        c.erase("pending");
        set_state(c, dfu::dfuDNBUSY);
        return answer_status(data, length, dfu::OK, timing::poll_ms(o.busy_us), dfu::dfuDNBUSY);
    }
    if (state == dfu::dfuDNBUSY) {
        long long const until = c.number("busy_until_us");
        if (long long const left = until - now_us(); left > 0)
            return answer_status(data, length, dfu::OK, timing::poll_ms(left), dfu::dfuDNBUSY);
        end_progress(s, run, until);
        int const outcome = int(c.number("outcome"));
        if (outcome == dfu::OK)
            set_state(c, dfu::dfuDNLOAD_IDLE);
        else
            set_state(c, dfu::dfuERROR, outcome);
        return answer_status(data, length, outcome, 0,
                             outcome == dfu::OK ? dfu::dfuDNLOAD_IDLE : dfu::dfuERROR);
    }
    return answer_status(data, length, status, 0, state);
}

int command(Config& c, std::uint8_t const* data, std::uint16_t length)
{
    std::string op;
    if (length == 5 && data[0] == 0x21)
        op = "setaddr";
    else if (length == 5 && data[0] == 0x41)
        op = "erase";
    else if (length == 1 && data[0] == 0x41)
        op = "masserase";
    else if (length == 1 && data[0] == 0x92)
        op = "unprotect";
    else
        return stall(c);
    c.set("pending", op);
    c.set("pending_addr", length == 5 ? le32(data + 1) : 0);
    set_state(c, dfu::dfuDNLOAD_SYNC);
    return length;
}

int download(State const& s, Run& run, Config& c, std::uint16_t value, std::uint8_t const* data,
             std::uint16_t length)
{
    int const state = int(c.number("dfu_state", dfu::dfuIDLE));
    if (state != dfu::dfuIDLE && state != dfu::dfuDNLOAD_IDLE)
        return stall(c);
    if (length == 0) {
        if (state != dfu::dfuDNLOAD_IDLE)
            return stall(c);
        c.set("pending", "leave");
        set_state(c, dfu::dfuDNLOAD_SYNC);
        return 0;
    }
    if (value == 0)
        return command(c, data, length);
    if (value == 1 || length > transfer_size)
        return stall(c);
    ++run.dnloads;
    std::string p;
    if (fault_set(c, run, "stall_dnload", &p) && std::atoi(p.c_str()) == run.dnloads) {
        charge_fault(c, run, "stall_dnload");
        return stall(c);
    }
    s.write_file("pending.bin", std::vector<std::uint8_t>(data, data + length));
    c.set("pending", "write");
    c.set("pending_addr", c.number("pointer", flash_base) + std::int64_t(value - 2) * transfer_size);
    set_state(c, dfu::dfuDNLOAD_SYNC);
    return length;
}

int upload(State const& s, Run& run, Config& c, std::uint16_t value, std::uint8_t* data,
           std::uint16_t length)
{
    int const state = int(c.number("dfu_state", dfu::dfuIDLE));
    if (state != dfu::dfuIDLE && state != dfu::dfuUPLOAD_IDLE)
        return stall(c);
    ++run.uploads;
    std::string p;
    if (fault_set(c, run, "stall_upload", &p) && std::atoi(p.c_str()) == run.uploads) {
        charge_fault(c, run, "stall_upload");
        return stall(c);
    }
    if (value == 0) { // the list of supported commands
        std::uint8_t const commands[] = {0x00, 0x21, 0x41, 0x92};
        std::memcpy(data, commands, std::min<std::size_t>(length, 4));
        set_state(c, dfu::dfuIDLE);
        return std::min<int>(length, 4);
    }
    if (value == 1)
        return stall(c);
    std::uint32_t const address =
        std::uint32_t(c.number("pointer", flash_base) + std::int64_t(value - 2) * transfer_size);
    if (!s.read(address, data, length))
        return stall(c, dfu::errTARGET);
    if (fault_set(c, run, "flip_readback", &p) && covers(p, address, length)) {
        charge_fault(c, run, "flip_readback");
        data[std::strtoul(p.c_str(), nullptr, 0) - address] ^= 0xFF;
    }
    set_state(c, length < transfer_size ? dfu::dfuIDLE : dfu::dfuUPLOAD_IDLE);
    return length;
}

} // namespace

bool fault_set(Config const& c, Run const& run, std::string const& name, std::string* param)
{
    if (auto const it = run.faults.find(name); it != run.faults.end()) {
        *param = it->second;
        return true;
    }
    std::string const value = c.get("fault." + name);
    if (value.empty())
        return false;
    *param = value.substr(0, value.find(','));
    return true;
}

void charge_fault(Config& c, Run& run, std::string const& name)
{
    if (run.faults.count(name))
        return;
    std::string const key = "fault." + name;
    std::string const value = c.get(key);
    auto const comma = value.find(',');
    std::string const param = value.substr(0, comma);
    long runs = comma == std::string::npos ? 1 : std::strtol(value.c_str() + comma + 1, nullptr, 0);
    run.faults[name] = param;
    if (runs < 0)
        return;
    if (--runs <= 0)
        c.erase(key);
    else
        c.set(key, param + "," + std::to_string(runs));
}

bool refresh_presence(Config& c)
{
    if (c.number("present", 1) != 0)
        return true;
    long long const until = c.number("absent_until_ms", 0);
    if (until <= 0 || now_ms() < until)
        return false;
    c.set("present", 1);
    c.erase("absent_until_ms");
    c.set("address", c.number("address", 5) + 1);
    c.erase("pending");
    set_state(c, dfu::dfuIDLE);
    return true;
}

void go_absent(Config& c)
{
    long long const delay = c.number("reappear_ms", 1000);
    c.set("present", 0);
    if (delay < 0)
        c.erase("absent_until_ms");
    else
        c.set("absent_until_ms", now_ms() + std::max(1LL, delay));
    c.erase("pending");
}

int class_request(State const& s, Run& run, Config& c, std::uint8_t request_type,
                  std::uint8_t request, std::uint16_t value, std::uint8_t* data,
                  std::uint16_t length)
{
    bool const in = request_type & 0x80;
    if (in && request == GETSTATUS)
        return get_status(s, run, c, data, length);
    if (in && request == UPLOAD)
        return upload(s, run, c, value, data, length);
    if (in && request == GETSTATE && length >= 1) {
        data[0] = std::uint8_t(c.number("dfu_state", dfu::dfuIDLE));
        return 1;
    }
    if (!in && request == DNLOAD)
        return download(s, run, c, value, data, length);
    if (!in && request == CLRSTATUS) {
        if (c.number("dfu_state", dfu::dfuIDLE) == dfu::dfuERROR)
            set_state(c, dfu::dfuIDLE);
        return 0;
    }
    if (!in && request == ABORT) {
        if (c.number("dfu_state", dfu::dfuIDLE) == dfu::dfuERROR)
            return stall(c, int(c.number("dfu_status")));
        c.erase("pending");
        set_state(c, dfu::dfuIDLE);
        return 0;
    }
    if (!in && request == DETACH)
        return 0;
    return stall(c);
}

char const* request_name(std::uint8_t request_type, std::uint8_t request)
{
    if ((request_type & 0x60) == 0)
        return request == 6 ? "GET_DESCRIPTOR" : "STANDARD";
    static char const* const names[] = {"DETACH",   "DNLOAD",   "UPLOAD", "GETSTATUS",
                                        "CLRSTATUS", "GETSTATE", "ABORT"};
    return request < 7 ? names[request] : "UNKNOWN";
}

} // namespace emu
