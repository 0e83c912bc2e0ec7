#!/usr/bin/env bash
# The Debian package that scripts/package builds: its files, its control fields and
# dependencies, its maintainer scripts, and lintian's verdict.
source "$(dirname "$0")/common.sh"

deb=$(deb_path)
[ -f "$deb" ] || skip "$deb not found: build it with scripts/package"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- files: the same layout as an install with the prefix /usr, owned by root
mode_of() # ls-style permissions such as -rwxr-xr-x -> 755
{
    local p=${1:1} m=0 i
    for ((i = 0; i < 9; i++)); do
        m=$((m * 2))
        [ "${p:i:1}" != - ] && m=$((m + 1))
    done
    printf '%o' "$m"
}
actual=$(dpkg-deb -c "$deb" | while read -r perms owner _ _ _ path _; do
    [ "$owner" = root/root ] || echo "owner $owner of $path"
    [ "${perms:0:1}" = - ] && echo "$(mode_of "$perms") ${path#.}"
done | sort)
compare_lists "The package's file list" "$(expected_files)" "$actual"

# --- control fields
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kalvora-upgrade ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$KALVORA_VERSION" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "The package has no maintainer"
description=$(field Description)
[ "$(wc -l <<<"$description")" -ge 3 ] || fail "The description has no long text: $description"

depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
dpkg-deb -x "$deb" "$work/root"
# Every library that the program loads must come from a dependency. So must those of the
# carried dfu-util and libusb: they are extracted and run at run time, so shlibdeps never
# sees them. The carried libusb itself is not a dependency.
for binary in "$work/root/usr/bin/kalvora-upgrade" \
        "$KALVORA_GENERATED_FILES_DIR/dfu-util" "$KALVORA_GENERATED_FILES_DIR/libusb-1.0.so.0"; do
    name=$(basename "$binary")
    for lib in $(objdump -p "$binary" | awk '$1 == "NEEDED" { print $2 }'); do
        [ "$name" != kalvora-upgrade ] && [ "$lib" = libusb-1.0.so.0 ] && continue
        path=$(ldconfig -p | awk -v l="$lib" '$1 == l && /x86-64/ && !found { print $NF; found = 1 }')
        [ -n "$path" ] || { fail "$name needs $lib, which this machine lacks"; continue; }
        owner=$( (dpkg -S "$(readlink -f "$path")" || dpkg -S "$path") 2>/dev/null | sed -n '1s/:.*//p')
        grep -qx "$owner" <<<"$depends" ||
            fail "$name needs $lib of '$owner', which Depends lacks: $(field Depends)"
    done
done

# --- the packaged program runs the packaged simulator (its path is compiled in)
strings -e l "$work/root/usr/bin/kalvora-upgrade" | grep -x /usr/share/kalvora-upgrade/simulator >/dev/null ||
    fail "The packaged program does not look for the simulator in /usr/share/kalvora-upgrade/simulator"

# --- maintainer scripts, run against a stand-in udevadm that records its calls.
# Rows: script, argument, whether udev answers, exit code of the reload, expected calls.
dpkg-deb -e "$deb" "$work/control"
mkdir "$work/bin"
cat >"$work/bin/udevadm" <<'STANDIN'
#!/bin/sh
echo "$*" >>"$UDEVADM_LOG"
case "$*" in
"control --ping") [ "$UDEV_RUNNING" = yes ] ;;
"control --reload-rules") exit "$RELOAD_EXIT" ;;
esac
STANDIN
chmod +x "$work/bin/udevadm"
trigger="trigger --action=change --subsystem-match=usb --attr-match=idVendor=0483 --attr-match=idProduct=df11"
while IFS='|' read -r script arg running reload expected; do
    : >"$work/calls"
    rc=0
    UDEVADM_LOG=$work/calls UDEV_RUNNING=$running RELOAD_EXIT=$reload PATH="$work/bin:$PATH" \
        sh "$work/control/$script" "$arg" || rc=$?
    calls=$({ grep -v -- --ping "$work/calls" || true; } | paste -sd";" -)
    [ "$rc" -eq 0 ] || fail "$script $arg (udev running: $running) exits with $rc"
    [ "$calls" = "$expected" ] ||
        fail "$script $arg (udev running: $running, reload exit $reload) ran udevadm '$calls', expected '$expected'"
done <<ROWS
postinst|configure|yes|0|control --reload-rules;$trigger
postinst|configure|yes|1|control --reload-rules;$trigger
postinst|configure|no|0|
postinst|abort-upgrade|yes|0|
postrm|remove|yes|0|control --reload-rules
postrm|purge|yes|1|control --reload-rules
postrm|remove|no|0|
postrm|upgrade|yes|0|
ROWS
for script in postinst postrm; do
    [ "$(stat -c %a "$work/control/$script")" = 755 ] || fail "$script is not mode 755"
done

# --- lintian: no error and no warning
rc=0
tags=$(lintian --fail-on error,warning "$deb" 2>&1) || rc=$?
tags=$(grep -v 'running with root privileges' <<<"$tags" || true)
[ -z "$tags" ] || echo "lintian: $tags"
[ "$rc" -eq 0 ] || fail "lintian reports errors or warnings (exit $rc)"

finish
