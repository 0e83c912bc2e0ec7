# Shared by the packaging checks. CTest passes KALVORA_SOURCE_DIR, KALVORA_BINARY_DIR,
# KALVORA_VERSION and KALVORA_GENERATED_FILES_DIR in the environment.
set -euo pipefail
export LC_ALL=C.UTF-8

failures=0

fail() # message: records a failure and goes on, so that one run shows every fault
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

skip() # message: CTest reports the test as skipped
{
    echo "SKIP: $*"
    exit 77
}

finish()
{
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "All checks passed"
}

deb_path()
{
    echo "$KALVORA_BINARY_DIR/package/kalvora-upgrade_${KALVORA_VERSION}_amd64.deb"
}

# Every file that an install with the prefix /usr lays out, as "mode path", sorted.
expected_files()
{
    {
        echo "755 /usr/bin/kalvora-upgrade"
        echo "755 /usr/bin/kalvora-upgrade-cli"
        echo "644 /usr/lib/udev/rules.d/70-kalvora-upgrade.rules"
        echo "644 /usr/share/applications/com.kalvora.firmware_upgrade.desktop"
        echo "644 /usr/share/metainfo/com.kalvora.firmware_upgrade.metainfo.xml"
        echo "644 /usr/share/icons/hicolor/scalable/apps/kalvora-upgrade.svg"
        for size in 48 64 128 256; do
            echo "644 /usr/share/icons/hicolor/${size}x${size}/apps/kalvora-upgrade.png"
        done
        echo "644 /usr/share/man/man1/kalvora-upgrade.1.gz"
        echo "644 /usr/share/man/man1/kalvora-upgrade-cli.1.gz"
        echo "644 /usr/share/doc/kalvora-upgrade/copyright"
        echo "644 /usr/share/doc/kalvora-upgrade/changelog.gz"
        # Whatever the simulator folder holds; only the script is executable.
        (cd "$KALVORA_SOURCE_DIR/simulator" && find . -type f -printf '%P\n') | while read -r f; do
            mode=644
            [ "$f" = dfu-util_simulator.sh ] && mode=755
            echo "$mode /usr/share/kalvora-upgrade/simulator/$f"
        done
    } | sort
}

compare_lists() # what, expected, actual
{
    if [ "$2" != "$3" ]; then
        fail "$1 differs from the expected list (- expected, + actual):"
        diff <(echo "$2") <(echo "$3") | grep '^[<>]' | sed 's/^</-/; s/^>/+/' >&2 || true
    fi
}
