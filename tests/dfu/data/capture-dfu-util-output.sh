#!/usr/bin/env bash
# Captures what the carried dfu-util writes, byte for byte with its '\r' progress frames, for
# the program's list run, a read-back of the carried image and its download, against a fresh
# emulated bootloader (tests/emulator) that holds the image and takes a real lamp's time
# (about 17 s in all). Writes dfu-util-{list,upload,download}.out (standard output) and .err
# (standard error) next to this script. Besides a frame whenever its bar grows, dfu-util
# writes one about every second, so that the frames of two captures differ a little.
#
#   tests/dfu/data/capture-dfu-util-output.sh [BUILD_DIR]    (default: build)
set -euo pipefail
data="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$data/../../../build}" && pwd)"
cmake --build "$build" --target emulated_device kalvora_generated_files >/dev/null

files="$build/software/resources/files"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/device"
"$build/tests/emulator/emulated_device" "$work/device" create --flash "$files/firmware.bin" \
    --timing realistic
cp "$files/firmware.bin" "$work/firmware.bin"
export KALVORA_EMULATOR_DIR="$work/device"
export LD_LIBRARY_PATH="$build/tests/emulator/lib"

# Each run as the program starts it; the exit code must be 0.
capture() {
    local name="$1"
    shift
    (cd "$work" && "$files/dfu-util" "$@" >"$data/dfu-util-$name.out" 2>"$data/dfu-util-$name.err")
}
capture list -d 0483 -l
capture upload -d 0483 -a 0 -s 0x08000000:807136 -U uploaded_FW.bin
cmp -n 807136 "$work/uploaded_FW.bin" "$work/firmware.bin" >/dev/null
capture download -d 0483 -a 0 -s 0x08000000:leave -D firmware.bin
echo "Captured into $data"
