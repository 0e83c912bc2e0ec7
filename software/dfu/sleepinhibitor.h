#pragma once

#include <QString>

namespace support {

// Keeps the machine from going to sleep, or idling into it, while alive: a logind inhibitor
// lock ("sleep:idle") held through the system bus, as desktop firmware updaters do. Without
// a system bus or logind it does nothing and says so once. Blocks for at most two seconds.
class SleepInhibitor
{
public:
    explicit SleepInhibitor(QString const& why);
    ~SleepInhibitor();
    SleepInhibitor(SleepInhibitor const&) = delete;
    SleepInhibitor& operator=(SleepInhibitor const&) = delete;

    bool isHeld() const { return fd >= 0; }

private:
    int fd = -1; // the lock: logind releases it when the last copy is closed
};

} // namespace support
