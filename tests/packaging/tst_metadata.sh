#!/usr/bin/env bash
# The desktop entry, the AppStream metadata, the changelog and the manual page: valid for
# their tools, consistent with each other and with the project's version.
source "$(dirname "$0")/common.sh"

pkg=$KALVORA_SOURCE_DIR/packaging
desktop=$pkg/com.kalvora.firmware_upgrade.desktop
metainfo=$pkg/com.kalvora.firmware_upgrade.metainfo.xml
manpage=$KALVORA_BINARY_DIR/packaging/kalvora-upgrade.1

desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $(basename "$desktop")"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects $(basename "$metainfo")"

# The software centre finds the desktop entry through the launchable, the menu the icon by
# its name; a rename on one side only breaks them silently.
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ "$launchable" = "$(basename "$desktop")" ] ||
    fail "The metainfo launches '$launchable', the desktop entry is $(basename "$desktop")"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$pkg/$icon.svg" ] || fail "The desktop entry's icon '$icon' has no $icon.svg"
exec=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec" = kalvora-upgrade ] || fail "The desktop entry runs '$exec', not the program"

for language in de es fr ja; do
    grep -q "^Name\[$language\]=" "$desktop" || fail "The desktop entry has no Name[$language]"
done

# A release needs its version in every place that states one.
release=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$release" = "$KALVORA_VERSION" ] ||
    fail "The newest AppStream release is $release, the project is $KALVORA_VERSION"
changelog=$(sed -n '1s/^kalvora-upgrade (\([^)]*\)).*/\1/p' "$pkg/changelog")
[ "$changelog" = "$KALVORA_VERSION" ] ||
    fail "The newest changelog entry is '$changelog', the project is $KALVORA_VERSION"
grep -q "^.TH KALVORA-UPGRADE 1 \"[0-9-]*\" \"kalvora-upgrade $KALVORA_VERSION\"" "$manpage" ||
    fail "The manual page's title line lacks the date or the version $KALVORA_VERSION"

# The manual page renders without a warning and names every prepared configuration.
for page in "$manpage" "$KALVORA_BINARY_DIR/packaging/kalvora-upgrade-cli.1"; do
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page") renders with warnings: $warnings"
done
text=$(MANWIDTH=200 man -E UTF-8 -l "$manpage" 2>/dev/null)
for conf in "$KALVORA_SOURCE_DIR"/simulator/configs/*.conf; do
    name=$(basename "$conf" .conf)
    grep -q "^ *$name\$" <<<"$text" || fail "The manual page does not list the configuration $name"
done

finish
