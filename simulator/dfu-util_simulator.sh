#!/bin/sh
# Plays dfu-util and one STM32F4 DFU bootloader device for "kalvora-upgrade -s".
#
#   dfu-util_simulator.sh --dfu-util-command WORD [--fast-progress] [dfu-util arguments]
#
# WORD is list, version, upload_OTP, upload_FW, download_FW or setup_prepared_config NAME.
# The dfu-util arguments understood are -d, -a, -s, -U, -D, -S, -l and -V.
# The device lives between runs in a state folder of the program that starts the script
# (its parent process): "$TMPDIR/kalvora-dfu-sim.<pid>". Folders of programs that have
# ended are removed when a new one is made.
#
# Environment:
#   KALVORA_SIM_CONFIG         prepared configuration (configs/NAME.conf) of a new device;
#                              default "default". "setup_prepared_config NAME" replaces it.
#   KALVORA_SIM_FAST_PROGRESS  1: behave as if every run had --fast-progress.
#   KALVORA_SIM_FIRMWARE       image that the device's first flash content is made from.
#                              Default: the "firmware.bin" next to the first flash dump
#                              (the program's working directory), else a built-in image.
#
# Only POSIX sh and coreutils-level tools are used, so that it runs on Linux and macOS.

set -u
umask 077
LC_ALL=C
export LC_ALL

sim_dir=$(cd "$(dirname "$0")" && pwd) || exit 70
state_root=${TMPDIR:-/tmp}
state_root=${state_root%/}
state="$state_root/kalvora-dfu-sim.$PPID"

flash_base=$((0x08000000))
flash_size=1048576
otp_base=$((0x1FFF7800))
otp_size=528
fallback_image_size=807136
arrival_ms=1000 # a new device shows up this long after the program started

# ---------------------------------------------------------------------------------------
# Output of dfu-util

banner()
{
    if [ "$(uname -s)" = Darwin ]; then
        printf 'dfu-util 0.9\n\nCopyright 2005-2009 Weston Schmidt, Harald Welte and OpenMoko Inc.\nCopyright 2010-2016 Tormod Volden and Stefan Schmidt\n'
    else
        printf 'dfu-util 0.11\n\nCopyright 2005-2009 Weston Schmidt, Harald Welte and OpenMoko Inc.\nCopyright 2010-2021 Tormod Volden and Stefan Schmidt\n'
    fi
    printf 'This program is Free Software and has ABSOLUTELY NO WARRANTY\nPlease report bugs to http://sourceforge.net/p/dfu-util/tickets/\n\n'
}

fail() # exit code, message: dfu-util's way of giving up
{
    printf 'dfu-util: %s\n' "$2" >&2
    exit "$1"
}

alt_name()
{
    case $1 in
    0) printf '@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg' ;;
    1) printf '@Option Bytes  /0x1FFFC000/01*016 e' ;;
    2) printf '@OTP Memory /0x1FFF7800/01*512 e,01*016 e' ;;
    3) printf '@Device Feature/0xFFFF0000/01*004 e' ;;
    esac
}

opening_lines() # alternate setting
{
    name=$(alt_name "$1")
    name=${name#@}
    printf 'Opening DFU capable USB device...\nDevice ID 0483:df11\nDevice DFU version 011a\n'
    printf 'Claiming USB DFU Interface...\nSetting Alternate Interface #%s ...\n' "$1"
    printf 'Determining device status...\nDFU state(2) = dfuIDLE, status(0) = No error condition is present\n'
    printf 'DFU mode device DFU version 011a\nDevice returned transfer size 2048\n'
    printf 'DfuSe interface name: "%s"\n' "${name%%/*}"
}

progress() # label, done, total: one frame of dfu-util's progress bar
{
    filled=$(($2 * 25 / $3))
    bar=
    while [ ${#bar} -lt "$filled" ]; do bar="$bar="; done
    printf '\r%s\t[%-25s] %3d%% %12d bytes' "$1" "$bar" $(($2 * 100 / $3)) "$2"
}

# dfu-util draws a frame when the bar grows, that is after the first 2048-byte transfer
# that reaches the next 25th of the total.
transfer_at() # step from 0 to 25, total: sets at, the bytes moved by then
{
    at=$((($1 * $2 + 25 * 2048 - 1) / (25 * 2048)))
    at=$((at * 2048))
    [ "$at" -le "$2" ] || at=$2
}

# The frames of a phase come at their moments, counted from the phase's start (start_pace),
# so that the time spent between the waits does not add up. A wait costs two processes: one
# shorter than 100 ms is left to a later frame.
start_pace()
{
    start=$(now_ms)
    waited=0
}

pace() # milliseconds since the start of the phase
{
    [ $(($1 - waited)) -ge 100 ] || return 0
    waited=$1
    sleep_until $((start + waited))
}

# The frames of a read: one before the first transfer, one whenever the bar grows, the
# whole at the end. A long read takes its time, spread over the frames.
upload_progress() # length
{
    progress Upload 0 1
    if [ "$1" -gt 2048 ]; then
        per_ms=$((fast ? 4000 : 160)) # bytes
        start_pace
        shown=0 i=1
        while [ $i -lt 25 ]; do
            transfer_at $i "$1"
            if [ "$at" -gt "$shown" ] && [ "$at" -lt "$1" ]; then
                pace $((at / per_ms))
                replaced_meanwhile && fail 74 'Error during upload (LIBUSB_ERROR_NO_DEVICE)'
                progress Upload "$at" "$1"
                shown=$at
            fi
            i=$((i + 1))
        done
        sleep_until $((start + $1 / per_ms))
    fi
    progress Upload "$1" "$1"
    printf '\nUpload done.\n'
}

# ---------------------------------------------------------------------------------------
# Small tools

now_ms()
{
    t=$(date +%s%N 2>/dev/null)
    case $t in
    '' | *[!0-9]*) echo "$(date +%s)000" ;;
    *) echo "${t%??????}" ;;
    esac
}

sleep_ms()
{
    sleep "$(($1 / 1000)).$(printf '%03d' $(($1 % 1000)))"
}

sleep_until() # moment in milliseconds, as now_ms counts them
{
    left=$(($1 - $(now_ms)))
    [ "$left" -le 0 ] || sleep_ms "$left"
}

erased() # count: that many 0xFF bytes
{
    head -c "$1" /dev/zero | tr '\000' '\377'
}

byte() # hex value: one byte
{
    # shellcheck disable=SC2059 # the format is the octal escape of the byte
    printf "\\$(printf '%03o' "0x$1")"
}

text_field() # text: a 32-byte zero-terminated field
{
    printf '%s' "$1" | head -c 31
    head -c $((32 - $(printf '%s' "$1" | head -c 31 | wc -c))) /dev/zero
}

patch() # file, offset: the standard input overwrites the file from offset on
{
    dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null
}

file_size()
{
    wc -c <"$1" | tr -d ' '
}

# The start time of a process, so that a reused process id is not taken for its predecessor.
process_identity()
{
    if [ -r "/proc/$1/stat" ]; then
        sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f20
    else
        ps -o lstart= -p "$1" 2>/dev/null
    fi
}

number() # text: its value if it is a decimal or 0x-hexadecimal number, else fails
{
    case $1 in
    0x* | 0X*) case ${1#0?} in '' | *[!0-9a-fA-F]*) return 1 ;; esac ;;
    *)
        case $1 in '' | *[!0-9]*) return 1 ;; esac
        set -- "${1#"${1%%[!0]*}"}" # no leading zeros: they would make it octal
        set -- "${1:-0}"
        ;;
    esac
    echo $(($1))
}

# ---------------------------------------------------------------------------------------
# The device's state

remove_stale_states()
{
    for dir in "$state_root"/kalvora-dfu-sim.*; do
        [ -d "$dir" ] && [ -O "$dir" ] || continue
        pid=${dir##*.}
        case $pid in '' | *[!0-9]*) continue ;; esac
        [ "$pid" = "$PPID" ] && continue
        if [ ! -f "$dir/owner" ] || [ "$(process_identity "$pid")" != "$(cat "$dir/owner")" ]; then
            rm -rf "$dir"
        fi
    done
}

# Made complete under another name and then renamed, so that no other program's clean-up
# ever sees a state folder without its owner.
new_state() # configuration name
{
    fresh="$state_root/kalvora-dfu-sim-new.$$"
    rm -rf "$fresh" "$state"
    mkdir "$fresh" || fail 70 "cannot create $fresh"
    process_identity "$PPID" >"$fresh/owner"
    printf '%s\n' "$1" >"$fresh/config"
    arrival=$(($(now_ms) + arrival_ms))
    echo "$arrival" >"$fresh/plugged_at"
    echo "$arrival" >"$fresh/arrived_at"
    echo 0 >"$fresh/replugs"
    mv "$fresh" "$state" || fail 70 "cannot create $state"
}

open_state()
{
    if [ -d "$state" ] && [ -f "$state/owner" ] &&
        [ "$(process_identity "$PPID")" = "$(cat "$state/owner")" ]; then
        return
    fi
    remove_stale_states
    new_state "${KALVORA_SIM_CONFIG:-default}"
}

valid_config_name()
{
    case $1 in '' | *[!A-Za-z0-9_]*) return 1 ;; esac
    [ -f "$sim_dir/configs/$1.conf" ]
}

report() # message: on both outputs, since the program logs only the standard output
{
    printf '%s\n' "$1"
    printf '%s\n' "$1" >&2
}

known_configs()
{
    for f in "$sim_dir"/configs/*.conf; do
        f=${f##*/}
        printf ' %s' "${f%.conf}"
    done
}

load_config()
{
    DEVICES=1
    SERIAL=3574364C3034
    ABSENT_MS=2000
    OTP_RECORDS=04
    OTP_DATA='00 00 00 00 00 00 00 00'
    OTP_READ_FAILS=no
    FLASH_TYPE=
    FLASH_NAME=
    FLASH_REVISION=
    READBACK_DIFFERS=no
    UNPLUG_DURING_DOWNLOAD=no
    FLASH_BLANK=no       # yes: the flash is erased, it holds no firmware
    REPLACED_BY=         # configuration of the device that takes this one's place
    REPLACED_BY_SERIAL=  # and its serial number (default: that configuration's)
    REPLACED_AFTER_MS=0  # this long after this device showed up
    config=$(cat "$state/config")
    if ! valid_config_name "$config"; then
        banner
        report "dfu-util_simulator.sh: unknown configuration \"$config\"; known:$(known_configs)"
        exit 64
    fi
    # shellcheck source=/dev/null
    . "$sim_dir/configs/$config.conf"
    [ -f "$state/serial" ] && SERIAL=$(cat "$state/serial")
    replace_when_due
}

replace_moment()
{
    echo $(($(cat "$state/arrived_at") + REPLACED_AFTER_MS))
}

# The device gives way to the one of REPLACED_BY at once, without a moment in which none is
# present; the new one has its own flash and serial number, and the next free device number.
replace_when_due()
{
    [ -n "$REPLACED_BY" ] || return 0
    moment=$(replace_moment)
    [ "$(now_ms)" -ge "$moment" ] || return 0
    rm -f "$state/serial" "$state/flash.bin" "$state/unplugged"
    [ -n "$REPLACED_BY_SERIAL" ] && printf '%s\n' "$REPLACED_BY_SERIAL" >"$state/serial"
    printf '%s\n' "$REPLACED_BY" >"$state/config"
    echo "$moment" >"$state/arrived_at"
    echo $(($(cat "$state/replugs") + 1)) >"$state/replugs"
    load_config
}

# Whether the device that this run addresses has been replaced since the run started.
replaced_meanwhile()
{
    [ -n "$REPLACED_BY" ] && [ "$(now_ms)" -ge "$(replace_moment)" ]
}

# The device is unplugged for ABSENT_MS from now on, then plugged in again.
unplug_for_a_while()
{
    echo $(($(now_ms) + ABSENT_MS)) >"$state/plugged_at"
    echo $(($(cat "$state/replugs") + 1)) >"$state/replugs"
}

device_count()
{
    if [ "$(now_ms)" -lt "$(cat "$state/plugged_at")" ]; then
        echo 0
    else
        echo "$DEVICES"
    fi
}

serial_of() # index of a present device: sets serial; further ones count up the last byte
{
    serial=$SERIAL
    [ "$1" -gt 0 ] && serial=$(printf '%s%02X' "${SERIAL%??}" $((0x${SERIAL#"${SERIAL%??}"} + $1)))
    return 0
}

# Whether -S selects the device with that serial number. dfu-util compares a device in DFU
# mode with the part after the comma of "-S RUNTIME,DFU", or with the whole value.
selected() # serial
{
    [ -z "$wanted_serial" ] || [ "$1" = "${wanted_serial#*,}" ]
}

selected_count()
{
    present=$(device_count)
    count=0
    n=0
    while [ $n -lt "$present" ]; do
        serial_of $n
        selected "$serial" && count=$((count + 1))
        n=$((n + 1))
    done
    echo "$count"
}

require_one_device()
{
    case $(selected_count) in
    0) fail 74 'No DFU capable USB device available' ;;
    1) ;;
    *) fail 74 "More than one DFU capable USB device found! Try \`--list' and specify the serial number or disconnect all but one device" ;;
    esac
}

write_otp() # file: the OTP area, one 16-byte slot per configured record
{
    {
        slots=0
        for type in $OTP_RECORDS; do
            printf '\021\107\043\001'
            byte "$type"
            printf '\377\377\377'
            for b in $OTP_DATA; do byte "$b"; done
            slots=$((slots + 1))
        done
        erased $((otp_size - 16 * slots))
    } >"$1"
}

built_in_image()
{
    erased 512
    printf '\022\107\043\001\004\377\377\377'
    text_field REL41
    text_field C4
    text_field 'Creation date'
    text_field 2026-01-01
    text_field 'Git tag'
    text_field ''
    printf '\023\107\043\001'
    erased $((fallback_image_size - 512 - 8 - 6 * 32 - 4))
}

info_block_offset() # file: offset of the information block's start marker in the first 2 KiB, or -1
{
    head -c 2048 "$1" | od -An -v -tx1 | awk '
        { for (i = 1; i <= NF; i++) b[n++] = $i }
        END {
            for (i = 0; i + 3 < n; i++)
                if (b[i] == "12" && b[i + 1] == "47" && b[i + 2] == "23" && b[i + 3] == "01") { print i; exit }
            print -1
        }'
}

# The flash is made on first use from the carried image, changed as the configuration says.
ensure_flash() # folder of the dump that needs it
{
    [ -f "$state/flash.bin" ] && return
    source=${KALVORA_SIM_FIRMWARE:-$1/firmware.bin}
    if [ "$FLASH_BLANK" = yes ]; then
        : >"$state/flash.new" # reads give erased bytes past its end
    elif [ -f "$source" ]; then
        cp "$source" "$state/flash.new"
    else
        built_in_image >"$state/flash.new"
    fi
    at=$(info_block_offset "$state/flash.new")
    if [ "$at" -ge 0 ]; then
        [ -n "$FLASH_TYPE" ] && byte "$FLASH_TYPE" | patch "$state/flash.new" $((at + 4))
        [ -n "$FLASH_NAME" ] && text_field "$FLASH_NAME" | patch "$state/flash.new" $((at + 8))
        [ -n "$FLASH_REVISION" ] && text_field "$FLASH_REVISION" | patch "$state/flash.new" $((at + 40))
    fi
    mv "$state/flash.new" "$state/flash.bin"
}

# ---------------------------------------------------------------------------------------
# Commands

do_list()
{
    banner
    case $vendor in '' | 0483 | 0x0483) ;; *) return 0 ;; esac
    count=$(device_count)
    devnum=$((7 + $(cat "$state/replugs")))
    n=0
    while [ $n -lt "$count" ]; do
        serial_of $n
        selected "$serial" || { n=$((n + 1)); continue; }
        for a in 3 2 1 0; do
            printf 'Found DFU: [0483:df11] ver=2200, devnum=%d, cfg=1, intf=0, path="1-%d", alt=%d, name="%s", serial="%s"\n' \
                $((devnum + n)) $((2 + n)) "$a" "$(alt_name "$a")" "$serial"
        done
        n=$((n + 1))
    done
}

parse_range() # "-s" value: sets address and the text after the first colon
{
    address=$(number "${range%%:*}") || fail 64 "Invalid address in -s $range"
    case $range in *:*) after=${range#*:} ;; *) after= ;; esac
}

do_upload()
{
    banner
    require_one_device
    [ -n "$range" ] && [ -n "$target" ] || fail 64 'an upload needs -s ADDRESS:LENGTH and -U FILE'
    parse_range
    length=$(number "${after%%:*}") || fail 64 "Invalid length in -s $range"
    case $alt in
    0) base=$flash_base size=$flash_size ;;
    2) base=$otp_base size=$otp_size ;;
    *) fail 74 "Cannot read alternate setting ${alt:-?} in this simulator" ;;
    esac
    offset=$((address - base))
    [ "$offset" -ge 0 ] && [ $((offset + length)) -le "$size" ] ||
        fail 74 "Upload range $range lies outside $(alt_name "$alt")"
    [ -e "$target" ] && fail 73 "Cannot open file $target for writing: File exists"
    opening_lines "$alt"
    : >"$target" || fail 73 "Cannot open file $target for writing"
    if [ "$alt" = 2 ]; then
        [ "$OTP_READ_FAILS" = yes ] && fail 74 'Error during upload (LIBUSB_ERROR_PIPE)'
        write_otp "$state/otp.bin"
        memory=$state/otp.bin
    else
        ensure_flash "$(dirname "$target")"
        memory=$state/flash.bin
    fi
    upload_progress "$length"
    # head ends the pipe early; tail's complaint about that is no message of dfu-util.
    tail -c +$((offset + 1)) "$memory" 2>/dev/null | head -c "$length" >"$target"
    got=$(file_size "$target")
    [ "$got" -lt "$length" ] && erased $((length - got)) >>"$target"
    if [ "$alt" = 0 ] && [ "$READBACK_DIFFERS" = yes ] && [ "$length" -gt 2048 ]; then
        middle=$((length / 2))
        value=$(od -An -tu1 -j "$middle" -N1 "$target" | tr -d ' ')
        byte "$(printf '%02x' $((255 - value)))" | patch "$target" "$middle"
    fi
}

# Whole files rather than patch: dd writes byte by byte, which takes seconds for an image.
put_into_flash_new() # offset, count: the first count bytes of the image go there
{
    {
        head -c "$1" "$state/flash.new"
        head -c "$2" "$image"
        tail -c +$(($1 + $2 + 1)) "$state/flash.new"
    } >"$state/flash.part"
    mv "$state/flash.part" "$state/flash.new"
}

download_lost_device()
{
    rm -f "$state/flash.new"
    printf '\n'
    fail 74 'Error during download get_status (LIBUSB_ERROR_NO_DEVICE)'
}

do_download()
{
    banner
    [ -n "$image" ] || fail 64 'a download needs -D FILE'
    [ -r "$image" ] && [ -f "$image" ] || fail 66 "Could not open file $image for reading: No such file or directory"
    printf 'dfu-util: Warning: Invalid DFU suffix signature\ndfu-util: A valid DFU suffix will be required in a future dfu-util release\n' >&2
    require_one_device
    [ -n "$range" ] || fail 64 'a download needs -s ADDRESS[:leave]'
    parse_range
    [ "$alt" = 0 ] || fail 74 "Cannot write alternate setting ${alt:-?} in this simulator"
    offset=$((address - flash_base))
    total=$(file_size "$image")
    [ "$offset" -ge 0 ] && [ $((offset + total)) -le "$flash_size" ] ||
        fail 74 "Download of $total bytes to $range does not fit into the flash"
    [ "$total" -gt 0 ] || fail 74 'Nothing to download'
    opening_lines 0
    printf 'Downloading element to address = 0x%08x, size = %d\n' "$address" "$total"
    if [ "$fast" = 1 ]; then step_ms=48; else step_ms=600; fi

    # The sectors are erased first, then written.
    start_pace
    i=0
    while [ $i -le 25 ]; do
        transfer_at $i "$total"
        progress 'Erase   ' "$at" "$total"
        [ $i -lt 25 ] && pace $(((i + 1) * step_ms / 3))
        replaced_meanwhile && download_lost_device
        i=$((i + 1))
    done
    printf '\nErase    done.\n'
    ensure_flash "$(dirname "$image")"
    head -c "$offset" "$state/flash.bin" >"$state/flash.new"
    old=$(file_size "$state/flash.new")
    erased $((offset - old + total)) >>"$state/flash.new" # a short flash is erased past its end
    tail -c +$((offset + total + 1)) "$state/flash.bin" >>"$state/flash.new"

    start_pace
    i=0
    while [ $i -le 25 ]; do
        transfer_at $i "$total"
        progress Download "$at" "$total"
        if [ $i = 12 ] && [ "$UNPLUG_DURING_DOWNLOAD" = yes ] && [ ! -f "$state/unplugged" ]; then
            put_into_flash_new "$offset" "$at"
            mv "$state/flash.new" "$state/flash.bin"
            : >"$state/unplugged"
            unplug_for_a_while
            printf '\n'
            fail 74 'Error during download get_status (LIBUSB_ERROR_NO_DEVICE)'
        fi
        [ $i -lt 25 ] && pace $(((i + 1) * step_ms))
        replaced_meanwhile && download_lost_device
        i=$((i + 1))
    done
    put_into_flash_new "$offset" "$total"
    mv "$state/flash.new" "$state/flash.bin"
    printf '\nDownload done.\nFile downloaded successfully\n'
    case :$after: in
    *:leave:*)
        printf 'Submitting leave request...\nTransitioning to dfuMANIFEST state\n'
        unplug_for_a_while
        ;;
    esac
}

setup_prepared_config()
{
    if [ $# -ne 1 ] || ! valid_config_name "$1"; then
        report "Unknown simulation configuration \"${1:-}\"; known:$(known_configs)"
        exit 2
    fi
    new_state "$1"
    printf 'Simulation configuration "%s" set up\n' "$1"
}

# ---------------------------------------------------------------------------------------

[ "${1:-}" = --dfu-util-command ] && [ $# -ge 2 ] || {
    echo 'usage: dfu-util_simulator.sh --dfu-util-command WORD [--fast-progress] [dfu-util arguments]' >&2
    exit 64
}
word=$2
shift 2
fast=0
case ${KALVORA_SIM_FAST_PROGRESS:-0} in '' | 0) ;; *) fast=1 ;; esac
[ "${1:-}" = --fast-progress ] && { fast=1; shift; }

open_state
if [ "$word" = setup_prepared_config ]; then
    setup_prepared_config "$@"
    exit 0
fi
if [ "$word" = version ]; then
    banner
    exit 0
fi
load_config

vendor='' alt='' range='' target='' image='' wanted_serial=''
while [ $# -gt 0 ]; do
    case $1 in
    -d | -a | -s | -U | -D | -S) [ $# -ge 2 ] || fail 64 "option $1 needs a value" ;;
    esac
    case $1 in
    -d) vendor=${2%%:*}; shift ;;
    -S) wanted_serial=$2; shift ;;
    -a) alt=$2; shift ;;
    -s) range=$2; shift ;;
    -U) target=$2; shift ;;
    -D) image=$2; shift ;;
    -l | -V) ;;
    *) fail 64 "option $1 is not simulated" ;;
    esac
    shift
done

case $word in
list) do_list ;;
upload_OTP | upload_FW) do_upload ;;
download_FW) do_download ;;
*) fail 64 "unknown command word \"$word\"" ;;
esac
exit 0
