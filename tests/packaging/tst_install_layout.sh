#!/usr/bin/env bash
# "cmake --install" with a prefix and DESTDIR lays out exactly the expected files, with the
# expected permissions, and nothing else.
source "$(dirname "$0")/common.sh"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

DESTDIR=$root cmake --install "$KALVORA_BINARY_DIR" --prefix /usr >/dev/null

actual=$(cd "$root" && find . -type f -printf '%m /%P\n' | sort)
compare_lists "The installed file list" "$(expected_files)" "$actual"

others=$(cd "$root" && find . ! -type f ! -type d -printf '/%P\n')
[ -z "$others" ] || fail "Installed entries that are neither files nor folders: $others"

bad_dirs=$(cd "$root" && find . -mindepth 1 -type d ! -perm 755 -printf '%m /%P\n')
[ -z "$bad_dirs" ] || fail "Folders without mode 755: $bad_dirs"

# udev turns the "uaccess" tag into an access list in 73-seat-late.rules; a rule that sorts
# after it would tag the device too late and leave it to root.
for rule in "$root"/usr/lib/udev/rules.d/*.rules; do
    name=$(basename "$rule")
    [[ "$name" < "73-seat-late.rules" ]] || fail "$name sorts after 73-seat-late.rules"
done

finish
