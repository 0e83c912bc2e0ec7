#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace support {

// Keeps the machine awake while alive: logind inhibitor locks held through the system bus,
// as desktop firmware updaters do. "sleep" and "idle", and "handle-lid-switch", since logind
// by default lets a closed lid suspend the machine despite a sleep lock. Each is asked for on
// its own: one that is refused (polkit refuses the lid switch to a caller without a local
// session) does not cost the others. Without a system bus or logind it does nothing and says
// so once. Waits at most two seconds for logind, and not at all once give_up returns true.
class SleepInhibitor
{
public:
    explicit SleepInhibitor(QString const& why, std::function<bool()> const& give_up = {});
    ~SleepInhibitor();
    SleepInhibitor(SleepInhibitor const&) = delete;
    SleepInhibitor& operator=(SleepInhibitor const&) = delete;

    bool isHeld() const { return !locks.empty(); }
    int heldLocks() const { return int(locks.size()); }

private:
    std::vector<int> locks; // logind releases a lock when the last copy of it is closed
};

} // namespace support
