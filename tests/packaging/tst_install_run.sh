#!/usr/bin/env bash
# Installs the package on this machine with apt-get, runs the installed program with the
# installed simulator in a real X window through a whole upgrade, and removes the package
# again, leaving the machine's packages and files as they were.
source "$(dirname "$0")/common.sh"

deb=$(deb_path)
[ -f "$deb" ] || skip "$deb not found: build it with scripts/package"
[ "$(id -u)" -eq 0 ] || skip "installing the package needs root"
apt=(env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=120)
# Set while this check has the package installed: a run that was killed before it could
# clean up leaves it behind, and the next run removes that package instead of skipping.
marker=/var/tmp/kalvora-upgrade-install-check
if dpkg-query -W -f='${Status}' kalvora-upgrade 2>/dev/null | grep -q "ok installed"; then
    [ -e "$marker" ] || skip "kalvora-upgrade is already installed on this machine; it is left alone"
    echo "Removing the package that an interrupted run left installed"
    "${apt[@]}" purge kalvora-upgrade >/dev/null
fi
rm -f "$marker"
for tool in Xvfb xdotool tesseract /usr/bin/import /usr/bin/convert; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/deps)" >&2; exit 1; }
done

title="Kalvora Firmware Upgrade Tool"
installed_files=(/usr/bin/kalvora-upgrade /usr/bin/kalvora-upgrade-cli /usr/share/kalvora-upgrade
    /usr/lib/udev/rules.d/70-kalvora-upgrade.rules /usr/share/man/man1/kalvora-upgrade.1.gz
    /usr/share/man/man1/kalvora-upgrade-cli.1.gz)
work=$(mktemp -d)
installed_packages() { dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' | awk '$1 ~ /^.i/ { print $2 }' | sort; }
before=$(installed_packages)
app=""
xvfb=""

cleanup()
{
    local rc=$?
    set +e
    [ -n "$app" ] && kill -KILL "$app" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    "${apt[@]}" purge kalvora-upgrade >/dev/null 2>&1 || true
    # Anything apt-get brought in for the package goes too.
    local added
    added=$(comm -13 <(echo "$before") <(installed_packages))
    if [ -n "$added" ]; then
        # shellcheck disable=SC2086
        "${apt[@]}" purge $added >/dev/null 2>&1 || true
    fi
    local after left=()
    after=$(installed_packages)
    [ "$after" = "$before" ] || { echo "FAIL: installed packages differ after removal" >&2; rc=1; }
    for f in "${installed_files[@]}"; do
        [ -e "$f" ] && left+=("$f")
    done
    [ ${#left[@]} -eq 0 ] || { echo "FAIL: left after removal: ${left[*]}" >&2; rc=1; }
    rm -rf "$work"
    [ ${#left[@]} -eq 0 ] && rm -f "$marker"
    exit "$rc"
}
trap cleanup EXIT

wait_for() # text, seconds: waits until the program's standard error holds the text
{
    local deadline=$((SECONDS + $2))
    until grep -qF "$1" "$work/stderr"; do
        if ! kill -0 "$app" 2>/dev/null; then
            echo "FAIL: the program ended while waiting for '$1'; its standard error:" >&2
            tail -40 "$work/stderr" >&2
            exit 1
        fi
        if [ $SECONDS -ge $deadline ]; then
            echo "FAIL: no '$1' within $2 s; the program's standard error ends:" >&2
            tail -40 "$work/stderr" >&2
            exit 1
        fi
        sleep 0.5
    done
}

# --- install
touch "$marker"
"${apt[@]}" install --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; exit 1; }
for f in "${installed_files[@]}"; do
    [ -e "$f" ] || fail "$f was not installed"
done
[ -x /usr/share/kalvora-upgrade/simulator/dfu-util_simulator.sh ] ||
    fail "The installed simulator script is not executable"

# --- a real X server, and the installed program with the simulator
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "FAIL: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"

mkdir "$work/tmp"
mkdir -m 700 "$work/runtime"
(cd "$work" && exec env -u QT_QPA_PLATFORM QT_LOGGING_RULES="default.debug=true" TMPDIR="$work/tmp" \
    XDG_RUNTIME_DIR="$work/runtime" \
    /usr/bin/kalvora-upgrade -s >"$work/stdout" 2>"$work/stderr") &
app=$!

# The default configuration plays a Rel-41 with an older revision: the flow offers the
# upgrade, and the install button is clicked like a user would.
wait_for "B2: Conn. to (DFU-SE) dev. with diff. FW rev." 90
# Each search is its own short run: xdotool ends on a window that goes away while it searches.
window=""
for _ in $(seq 60); do
    window=$( (timeout 5 xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true) | sed -n 1p)
    [ -z "$window" ] || break
    sleep 0.5
done
[ -n "$window" ] || { echo "FAIL: no visible window named '$title'" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
# The layout is drawn for 665 x 517; a scaled window scales the button with it.
button_x=$(( (207 + 250 / 2) * WIDTH / 665 ))
button_y=$(( (417 + 40 / 2) * HEIGHT / 517 ))
xdotool mousemove --window "$window" "$button_x" "$button_y" click 1

wait_for "B6: FW in dev. matches" 240

# The progress bar tells the user the outcome; read it off the screen.
sleep 1
/usr/bin/import -window "$window" "$work/window.png"
cp "$work/window.png" "$KALVORA_BINARY_DIR/packaging/installed-run-window.png" 2>/dev/null || true
/usr/bin/convert "$work/window.png" \
    -crop "$((250 * WIDTH / 665))x$((40 * HEIGHT / 517))+$((207 * WIDTH / 665))+$((417 * HEIGHT / 517))" \
    +repage -colorspace Gray -resize 400% "$work/bar.png"
bar_text=$(tesseract "$work/bar.png" - --psm 7 2>/dev/null | tr -s ' \n' ' ')
grep -q "Disconnect USB cable" <<<"$bar_text" ||
    fail "The progress bar does not read 'Done. Disconnect USB cable.' but '$bar_text'"

# --- an ordered shutdown removes the working directory
kill -TERM "$app"
rc=0
wait "$app" || rc=$?
app=""
[ "$rc" -eq 0 ] || fail "The program exited with $rc after SIGTERM"
leftovers=$(find "$work/tmp" -maxdepth 1 -name 'upgrade_*')
[ -z "$leftovers" ] || fail "The working directory was not removed: $leftovers"

# --- the bench command upgrades the simulated lamp without a display: JSON Lines alone
rc=0
(cd "$work" && env -u DISPLAY KALVORA_SIM_FAST_PROGRESS=1 TMPDIR="$work/tmp" \
    /usr/bin/kalvora-upgrade-cli -s >"$work/events" 2>"$work/cli-stderr") || rc=$?
[ "$rc" -eq 0 ] || fail "kalvora-upgrade-cli -s exited with $rc: $(tail -5 "$work/cli-stderr")"
/usr/bin/python3 -c 'import json, sys; e = [json.loads(l) for l in sys.stdin]; assert e[-1]["result"] == "verified"' \
    <"$work/events" || fail "kalvora-upgrade-cli -s wrote no verified result as JSON Lines: $(head -3 "$work/events")"
# The installed program speaks German where the system does.
LANG=C.UTF-8 LANGUAGE=de /usr/bin/kalvora-upgrade-cli --help 2>&1 | grep -q "^Aufruf: kalvora-upgrade-cli" ||
    fail "kalvora-upgrade-cli --help is not German under LANGUAGE=de"

finish
