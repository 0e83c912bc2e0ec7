#pragma once

// The DFU and DfuSe protocol of the ST bootloader, one control transfer at a time, over the
// persistent state of emustate.h. The DFU state machine, the address pointer and a pending
// command live in the folder, so that they carry over from one dfu-util run to the next as
// they do on a real device.

#include "emustate.h"

#include <cstdint>
#include <map>
#include <string>

namespace emu {

namespace dfu {
enum State : int {
    dfuIDLE = 2,
    dfuDNLOAD_SYNC = 3,
    dfuDNBUSY = 4,
    dfuDNLOAD_IDLE = 5,
    dfuMANIFEST = 7,
    dfuUPLOAD_IDLE = 9,
    dfuERROR = 10,
};
enum Status : int {
    OK = 0x00,
    errTARGET = 0x01,
    errWRITE = 0x03,
    errERASE = 0x04,
    errUNKNOWN = 0x0E,
    errSTALLEDPKT = 0x0F,
};
} // namespace dfu

// What one process (one dfu-util run) remembers: the faults it has been charged for, its own
// counts of uploads, data downloads and busy answers, and its download's progress: bytes
// erased and written so far, and the operation the device is busy with.
struct Run
{
    std::map<std::string, std::string> faults;
    int uploads = 0;
    int dnloads = 0;
    int busy_polls = 0;
    std::map<std::string, long long> progress;
    char const* busy_phase = nullptr;
    std::uint32_t busy_bytes = 0;
};

// The fault's parameter when it is set for this run (charging one of its runs on first
// use); nothing when it is not set.
bool fault_set(Config const& c, Run const& run, std::string const& name, std::string* param);
void charge_fault(Config& c, Run& run, std::string const& name);

// Brings an absent device back when its time has come. Returns whether it is present.
bool refresh_presence(Config& c);
// The device leaves: absent now, back after reappear_ms (never when negative).
void go_absent(Config& c);

// A class request to the DFU interface (bmRequestType 0x21 or 0xA1). Returns the number of
// bytes transferred or a negative libusb error code.
int class_request(State const& s, Run& run, Config& c, std::uint8_t request_type,
                  std::uint8_t request, std::uint16_t value, std::uint8_t* data,
                  std::uint16_t length);

char const* request_name(std::uint8_t request_type, std::uint8_t request);

} // namespace emu
