#!/usr/bin/env bash
# Uses the built program as a person would, in a real X server with a window manager:
#  1. "kalvora-upgrade -s": wait for the simulated Rel-41, click the install button, follow the
#     log to the verified firmware, take a screenshot, read the window as a screen reader does
#     (AT-SPI, on a session bus of this script's own), close the window; the process must end
#     with status 0 after its pause, and its working directory must be gone.
#  2. "kalvora-upgrade -s -l": the log window receives the lines, Ctrl+L shows its dialog.
#  3. "kalvora-upgrade -s" ended by SIGTERM leaves no working directory behind.
# Usage: x11_session.sh PROGRAM OUTPUT_DIR
set -euo pipefail
if [ -z "${KALVORA_OWN_SESSION_BUS:-}" ]; then
    KALVORA_OWN_SESSION_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
program=$1
out=$2
mkdir -p "$out"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export KALVORA_SIM_FAST_PROGRESS=1
title="Kalvora Firmware Upgrade Tool"

fail()
{
    echo "FAIL: $*"
    echo "--- log (first and last lines):"
    { head -n 25 "$work/log"; echo "[...]"; tail -n 40 "$work/log"; } 2>/dev/null
    exit 1
}

wait_for() # pattern seconds
{
    local deadline=$((SECONDS + $2))
    until grep -q -- "$1" "$work/log"; do
        [ $SECONDS -lt $deadline ] || fail "no '$1' within $2 s"
        sleep 0.2
    done
}

workdir_of_run() { sed -n '/make it executable: /{s/.*: "\(.*\)\/dfu-util".*/\1/p;q;}' "$work/log"; }

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(cat "$work/display")"
# The program must show its window in this server, whatever platform the caller's environment names.
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
openbox >"$work/openbox.log" 2>&1 &
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
wmctrl -m >/dev/null 2>&1 || { cat "$work/openbox.log"; fail "the window manager did not start"; }

# What the X server holds, for a failure that involves a window.
describe_windows()
{
    echo "--- windows:"
    wmctrl -lp 2>&1 || true
    xwininfo -root -tree 2>&1 | grep -v -e '^ *$' | head -n 40 || true
}

start() # options...
{
    "$program" "$@" 2>"$work/log" &
    pid=$!
    window=""
    local deadline=$((SECONDS + 60))
    while :; do
        window=$(timeout 5 xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | sed -n 1p) || true
        [ -z "$window" ] || break
        kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
        [ $SECONDS -lt $deadline ] || { describe_windows; fail "the window did not appear"; }
        sleep 0.3
    done
}

# The role and name of each of the program's objects, as a screen reader reads them: a new
# client each time, since the bridge needs a moment after start.
read_aloud()
{
    /usr/bin/python3 -c 'import sys, pyatspi
def walk(node):
    print(node.getRoleName() + ": " + (node.name or ""))
    [walk(child) for child in node]
[walk(app) for app in pyatspi.Registry.getDesktop(0) if app and app.get_process_id() == int(sys.argv[1])]' "$pid"
}

# 1. A whole upgrade, clicked like a person does.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start -s
wait_for "entered B2: Conn. to (DFU-SE) dev. with diff. FW rev." 60
sleep 0.5
xdotool mousemove --window "$window" 332 437 click 1
wait_for "Install clicked" 10
wait_for "entered B6: FW in dev. matches" 120
sleep 1
import -window root "$out/x11-upgrade-done.png"
for _ in $(seq 10); do # until the bridge answers
    read_aloud >"$work/aloud" 2>&1 && grep -q "^progress bar: Done" "$work/aloud" && break || sleep 1
done
for expected in "^progress bar: Done. Disconnect USB cable." "^push button: 5. Click to start upgrade" \
    "^label: .*Connected to a Rel-41 with firmware version C4"; do
    grep -q "$expected" "$work/aloud" || { cat "$work/aloud"; fail "a screen reader does not read '$expected'"; }
done
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON
# The support report, through its shortcut and the file dialog it opens.
xdotool windowactivate --sync "$window" key ctrl+shift+s
for _ in $(seq 50); do
    timeout 5 xdotool search --onlyvisible --name "^Save Support Report\$" >/dev/null 2>&1 && break || sleep 0.2
done
xdotool key ctrl+a type "$work/report.txt"
xdotool key Return
for _ in $(seq 50); do [ -s "$work/report.txt" ] && break || sleep 0.2; done
grep -q "holds now: verified" "$work/report.txt" || { describe_windows; fail "no support report with the verified lamp after Ctrl+Shift+S"; }
workdir=$(workdir_of_run)
[ -d "$workdir" ] || fail "working directory $workdir missing while running"
closed=$SECONDS
wmctrl -c "$title"
rc=0
wait "$pid" || rc=$?
[ "$rc" -eq 0 ] || fail "exit status $rc after closing the window"
[ $((SECONDS - closed)) -ge 2 ] || fail "ended without its 2-second pause"
[ ! -e "$workdir" ] || fail "working directory $workdir left behind"
grep -q "Waiting 2 s before deleting objects" "$work/log" || fail "no ordered shutdown"
echo "ok 1 - upgrade in a real window, closed cleanly"

# 2. The log window.
start -s -l
wait_for "Info: Will use simulator" 30
# The shortcut belongs to the window, so it is typed into the active window, as a person would.
wait_for "Starting sm_A" 30
xdotool windowactivate --sync "$window" || fail "the window could not be activated"
xdotool key ctrl+l
visible=0
for _ in $(seq 50); do
    visible=$( (timeout 5 xdotool search --onlyvisible --pid "$pid" 2>/dev/null || true) | wc -l)
    [ "$visible" -lt 2 ] || break
    sleep 0.2
done
[ "$visible" -ge 2 ] || { describe_windows; fail "Ctrl+L did not show the log window ($visible visible windows)"; }
import -window root "$out/x11-log-window.png"
kill -TERM "$pid"
wait "$pid" || fail "SIGTERM did not end the program with status 0"
echo "ok 2 - log window relay receives the lines, Ctrl+L shows it"

# 3. Ended by a signal.
start -s
wait_for "Starting sm_A" 30
workdir=$(workdir_of_run)
kill -TERM "$pid"
wait "$pid" || fail "SIGTERM: exit status $?"
[ ! -e "$workdir" ] || fail "working directory $workdir left behind after SIGTERM"
echo "ok 3 - SIGTERM removes the working directory"
