#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Takes a screenshot of the main window on the demo data: the program runs
# in mode 0 on the sample names and setup files (copies of them) and the
# simulated printers of samples/printers.txt, on a private Xvfb display of
# 900 x 560 pixels with openbox, and the whole screen is saved once the
# window is up and its picture has stopped changing.
#
#   tests/e2e/screenshot.sh OUTPUT.png
#   KEVOCONF=build/src/app/kevoconf tests/e2e/screenshot.sh docs/main-window.png
#
# SAMPLES names another folder of the three files (KevoName.txt,
# Vezerava.ini, printers.txt); with EDIT_LINE=N the print setup dialog of
# line N is shown as well, and its picture saved as the second output:
#
#   KEVOCONF_CODEPAGE=1250 SAMPLES=samples/cp1250 EDIT_LINE=1 \
#     tests/e2e/screenshot.sh docs/cp1250-main-window.png docs/cp1250-print-setup.png
#
# PRINTERS names another printers text, SCREEN another screen size; with
# REPAIR_TRAYS=1 the preview of Edit > Repair Trays... is shown and saved as
# the second output, with REPAIR_TRAYS=apply the main window after OK (the
# repaired lines changed, their numbers blue):
#
#   PRINTERS=samples/new-driver/printers.txt REPAIR_TRAYS=1 SCREEN=1100x560 \
#     tests/e2e/screenshot.sh /tmp/main.png docs/repair-trays-preview.png
#   SAMPLES=samples/server-move REPAIR_TRAYS=1 SCREEN=1300x560 \
#     tests/e2e/screenshot.sh /tmp/main.png docs/repair-moved-printers.png
#
# With CONFLICT=1 (and REPAIR_TRAYS=apply) an administrator's text editor
# then gives line 1 another first bin in the setup file, while the window
# holds the repair's unsaved change of it; Ctrl+S shows the save's conflict
# dialog, saved as the second output:
#
#   PRINTERS=samples/new-driver/printers.txt REPAIR_TRAYS=apply CONFLICT=1 \
#     tests/e2e/screenshot.sh /tmp/main.png docs/save-conflict.png
#
# PALETTE names a colour scheme of qt6ct, which the program then takes its
# palette from (Fusion style), as a user's desktop set up so would give it:
#
#   PALETTE=darker PRINTERS=samples/new-driver/printers.txt REPAIR_TRAYS=apply \
#     tests/e2e/screenshot.sh /tmp/main.png docs/dark-palette-grid.png
#
# Needs: Xvfb (xvfb), openbox, xdotool, xprop (x11-utils), import
# (imagemagick); for PALETTE, qt6ct. KEVOCONF defaults to
# build/src/app/kevoconf.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 || ( -n "${EDIT_LINE:-}${REPAIR_TRAYS:-}" && $# -ne 2 ) ]]; then
    sed -n '3,44p' "$0" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
output=$(realpath -m "$1")
samples=$(realpath -m "${SAMPLES:-$root/samples}")
printers=$(realpath -m "${PRINTERS:-$samples/printers.txt}")
program=$(realpath -m "${KEVOCONF:-$root/build/src/app/kevoconf}")
title="Quillmere Printer Configuration"

for tool in Xvfb openbox xdotool xprop import; do
    command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing" >&2; exit 1; }
done
[[ -x "$program" ]] || { echo "screenshot.sh: no program at $program (set KEVOCONF)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kevo-screenshot-XXXXXX")
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Polls a command until it succeeds, at most `tries` times `pause` seconds.
wait_for() {
    local tries=$1 pause=$2 what=$3
    shift 3
    local i
    for ((i = 0; i < tries; i++)); do
        if "$@"; then
            return 0
        fi
        sleep "$pause"
    done
    echo "screenshot.sh: $what did not happen in time" >&2
    return 1
}

# The X server picks a free display and reports its number once it accepts
# connections.
Xvfb -displayfd 3 -screen 0 "${SCREEN:-900x560}x24" -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 100 0.1 "Xvfb start" grep -q . "$work/display"
export DISPLAY=":$(head -n1 "$work/display")"

mkdir -p "$work/home" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config" \
    openbox --sm-disable --config-file "$root/tests/e2e/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 100 0.1 "openbox start" wm_ready

theme=()
if [[ -n "${PALETTE:-}" ]]; then
    scheme=/usr/share/qt6ct/colors/$PALETTE.conf
    [[ -f "$scheme" ]] || { echo "screenshot.sh: no qt6ct colour scheme $scheme" >&2; exit 1; }
    mkdir -p "$work/config/qt6ct"
    printf '[Appearance]\ncolor_scheme_path=%s\ncustom_palette=true\nstyle=Fusion\n' \
        "$scheme" >"$work/config/qt6ct/qt6ct.conf"
    theme=(QT_QPA_PLATFORMTHEME=qt6ct)
fi

cp "$samples/KevoName.txt" "$samples/Vezerava.ini" "$work/"
env HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb KEVOCONF_SIMULATED_PRINTERS="$printers" "${theme[@]}" \
    "$program" 0 "$work/KevoName.txt" "$work/Vezerava.ini" >"$work/kevoconf.log" 2>&1 &
pids+=($!)
main_window_up() { xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; }
if ! wait_for 100 0.1 "the main window" main_window_up; then
    cat "$work/kevoconf.log" >&2
    exit 1
fi

# Painting takes a moment: wait until two pictures in a row are the same.
previous=""
stable() {
    local current
    current=$(import -window root rgb:- | md5sum)
    [[ "$current" == "$previous" ]] && return 0
    previous=$current
    return 1
}
wait_for 50 0.1 "a steady picture" stable
import -window root "$output"
echo "$output"

if [[ -n "${EDIT_LINE:-}" ]]; then
    # Enter edits the grid's focus line, which starts on line 1.
    main=$(xdotool search --onlyvisible --name "^$title\$" | head -n1)
    xdotool windowactivate --sync "$main"
    for ((i = 1; i < EDIT_LINE; i++)); do xdotool key Down; done
    xdotool key Return
    dialog_up() { xdotool search --onlyvisible --name "^Printer: $EDIT_LINE\." >/dev/null 2>&1; }
    wait_for 100 0.1 "the print setup dialog" dialog_up
    previous=""
    wait_for 50 0.1 "a steady picture" stable
    import -window root "$(realpath -m "$2")"
    realpath -m "$2"
fi

if [[ -n "${REPAIR_TRAYS:-}" ]]; then
    # The Edit menu's access key, then the command's.
    main=$(xdotool search --onlyvisible --name "^$title\$" | head -n1)
    xdotool windowactivate --sync "$main"
    xdotool key alt+e
    sleep 0.3
    xdotool key r
    preview_up() { xdotool search --onlyvisible --name "^Repair Trays" >/dev/null 2>&1; }
    wait_for 100 0.1 "the Repair Trays preview" preview_up
    if [[ "$REPAIR_TRAYS" == apply ]]; then
        xdotool key Return
        preview_gone() { ! preview_up; }
        wait_for 100 0.1 "the end of the Repair Trays preview" preview_gone
    fi
    if [[ -z "${CONFLICT:-}" ]]; then
        previous=""
        wait_for 50 0.1 "a steady picture" stable
        import -window root "$(realpath -m "$2")"
        realpath -m "$2"
    fi
fi

if [[ -n "${CONFLICT:-}" ]]; then
    # The editor writes a new file and renames it over the old one.
    awk '{ sub(/\r$/, "") }
         /^\[/ { section = $0 }
         section == "[1]" && /^PaperSourceName1=/ { $0 = "PaperSourceName1=Tray 2" }
         section == "[1]" && /^PaperSource1=/ { $0 = "PaperSource1=257" }
         { printf "%s\r\n", $0 }' "$work/Vezerava.ini" >"$work/Vezerava.ini.new"
    mv "$work/Vezerava.ini.new" "$work/Vezerava.ini"
    main=$(xdotool search --onlyvisible --name "^$title\$" | head -n1)
    xdotool windowactivate --sync "$main"
    sleep 0.5
    xdotool key ctrl+s
    conflict_up() { xdotool search --onlyvisible --name "^Setup File Changed" >/dev/null 2>&1; }
    wait_for 100 0.1 "the conflict dialog" conflict_up
    previous=""
    wait_for 50 0.1 "a steady picture" stable
    import -window root "$(realpath -m "$2")"
    realpath -m "$2"
fi
