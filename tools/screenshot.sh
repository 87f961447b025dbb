#!/usr/bin/env bash
# Takes the README's pictures: runs a built passwordmanager in a fresh
# temporary directory (so with a new, empty vault) under Xvfb, types a master
# password into the gate, adds a few example entries through the "Add data"
# dialog, generates a password, and saves the gate, the first entry dialog
# (after "Add") and the main window as PNGs. Builds nothing itself.
#
# Usage, from the repository root:
#   tools/screenshot.sh [--dpi N] [BINARY [DIRECTORY]]
#   BINARY defaults to build/release/app/passwordmanager, DIRECTORY to docs;
#   the pictures are DIRECTORY/screenshot.png (main window),
#   DIRECTORY/screenshot-password.png and DIRECTORY/screenshot-entry.png.
#   With --dpi N the screen has N dots per inch, as a high-density panel
#   does, and each name ends in -Ndpi (screenshot-192dpi.png).
#
# Needs these Debian packages (Xvfb, xdotool, ImageMagick's import, xrdb):
#   apt-get install -y --no-install-recommends xvfb xdotool imagemagick x11-xserver-utils
set -euo pipefail

dpi=96
if [ "${1:-}" = --dpi ]; then
    dpi=${2:?--dpi needs a number}
    shift 2
fi
suffix=
[ "$dpi" = 96 ] || suffix=-${dpi}dpi
# The program scales its windows by exactly the screen's dpi over 96.
scale=$(awk -v dpi="$dpi" 'BEGIN { print dpi / 96 }')

binary=$(realpath "${1:-build/release/app/passwordmanager}")
output=$(realpath -m "${2:-docs}")
[ -x "$binary" ] || { echo "screenshot: no program at $binary; build it first" >&2; exit 1; }
for tool in Xvfb xdotool import xrdb; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    for pid in $app_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 3840x2160x24 -dpi "$dpi" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "screenshot: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
# Desktops tell programs their dpi through this resource; -noreset keeps it
# once xrdb, the first client, has gone.
echo "Xft.dpi: $dpi" | xrdb -merge

cd "$work"
QT_QPA_PLATFORM=xcb "$binary" >"$work/app.log" 2>&1 &
app_pid=$!

# The display is ours alone: every window on it is the program's. Its
# dialogs have no title, so they are told apart from the main window by id.
main_title='^Password Manager v 1\.1$'

visible_windows() {
    xdotool search --onlyvisible --class '^passwordmanager$' 2>/dev/null || true
}

# Prints the visible window other than $1 (the main window, or none yet).
wait_for_dialog() {
    for _ in $(seq 200); do
        for id in $(visible_windows); do
            [ "$id" != "${1:-}" ] && { echo "$id"; return; }
        done
        sleep 0.05
    done
    echo "screenshot: no dialog appeared" >&2
    return 1
}

wait_until_only() {
    for _ in $(seq 200); do
        [ "$(visible_windows)" = "${1:-}" ] && return
        sleep 0.05
    done
    echo "screenshot: a dialog did not close" >&2
    return 1
}

wait_for_main_window() {
    timeout 20 xdotool search --sync --onlyvisible --name "$main_title" ||
        { echo "screenshot: the main window did not appear" >&2; return 1; }
}

# Clicks at x, y of the window's own geometry, as a user would with the mouse.
click() {
    xdotool mousemove --sync --window "$1" "$(scaled "$2")" "$(scaled "$3")"
    sleep 0.1
    xdotool click 1
    sleep 0.2
}

type_into() {
    click "$1" "$2" "$3"
    xdotool type --delay 20 "$4"
}

scaled() {
    awk -v value="$1" -v scale="$scale" 'BEGIN { printf "%d", value * scale }'
}

snap() {
    local name=${2%.png}$suffix.png
    import -window "$1" "$output/$name"
    echo "screenshot: wrote $output/$name"
}

mkdir -p "$output"

# Points below are the centres of widgets, from the fixed geometry of the
# gate, the entry dialog and the main window.
gate=$(wait_for_dialog)
type_into "$gate" 200 20 "example master password"
snap "$gate" screenshot-password.png
click "$gate" 330 20
window=$(wait_for_main_window)
wait_until_only "$window"
sleep 0.5

add_entry() {
    click "$window" 50 420
    local dialog
    dialog=$(wait_for_dialog "$window")
    sleep 0.3
    type_into "$dialog" 160 15 "$1"
    type_into "$dialog" 160 40 "$2"
    type_into "$dialog" 160 65 "$3"
    type_into "$dialog" 135 200 "$4"
    click "$dialog" 60 320
    [ -z "${5:-}" ] || snap "$dialog" "$5"
    xdotool key Escape
    wait_until_only "$window"
}

add_entry "mail.example.net" "alice" "Tq7#wL9x!pR2" "Work mailbox" screenshot-entry.png
add_entry "example.org" "alice@example.org" "n4V-s8Kd%e1Z" "Forum account"
add_entry "shop.example.com" "carol_w" "Hm3&yU6q@cX0" ""

click "$window" 240 20
click "$window" 150 173
sleep 0.5

snap "$window" screenshot.png
