#!/usr/bin/env bash
# pelmo-demo on a real X server: a virtual display (Xvfb) with a window
# manager (openbox), real mouse clicks and keys (xdotool), screen captures
# (ImageMagick's import).
#
#   demo_under_xvfb.sh PELMO_DEMO WORK_DIR [SHOTS_DIR]
#
# Checks that a right click in the left text box paints the context menu
# there, that Escape takes it away, that Ctrl+H opens the Find/Replace
# window, and that closing the main window ends the program with status 0.
# Captures go to WORK_DIR and stay there when a check fails. With SHOTS_DIR
# the README's pictures are written there as well (pelmo-menu.png,
# pelmo-replace.png).
set -euo pipefail

demo=$(realpath "$1")
work=$2
shots=${3:+$(realpath "$3")}

rm -rf "$work"
mkdir -p "$work"
cd "$work"

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    echo "captures and logs kept in $work" >&2
    [ -s demo.log ] && { echo "--- pelmo-demo output:" >&2; cat demo.log >&2; }
    [ -s xvfb.log ] && { echo "--- Xvfb output:" >&2; cat xvfb.log >&2; }
    exit 1
}

# Retries a command every 0.1 s for at most $1 seconds.
retry() {
    local seconds=$1
    shift
    local tries=$((seconds * 10))
    while ((tries-- > 0)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# ---- Display and window manager -------------------------------------------

# Xvfb picks a free display number itself and writes it to fd 3. -noreset:
# without it the server resets each time its last client leaves (the polls
# below), and a client connecting during a reset is refused.
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>display.txt 2>xvfb.log &
pids+=($!)
retry 30 test -s display.txt || fail "Xvfb did not start (see xvfb.log)"
export DISPLAY=":$(head -n1 display.txt)"
export XDG_RUNTIME_DIR="$work/xdg"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

openbox >openbox.log 2>&1 &
pids+=($!)
# The window manager is up once it publishes the current desktop.
retry 30 xdotool get_desktop >/dev/null 2>&1 || fail "openbox did not start (see openbox.log)"

# ---- The program ------------------------------------------------------------

QT_QPA_PLATFORM=xcb "$demo" >demo.log 2>&1 &
demo_pid=$!
pids+=("$demo_pid")
demo_window() {
    kill -0 "$demo_pid" 2>/dev/null || fail "pelmo-demo ended before showing its window"
    wid=$(xdotool search --onlyvisible --name '^Pelmo' 2>/dev/null | head -n1)
    [ -n "$wid" ]
}
retry 15 demo_window || fail "the demo's window did not appear"
eval "$(xdotool getwindowgeometry --shell "$wid")"  # WIDTH and HEIGHT of the client area
win_w=$WIDTH win_h=$HEIGHT

alive() { kill -0 "$demo_pid" 2>/dev/null || fail "pelmo-demo ended unexpectedly"; }

# Number of pixels that differ between two captures in a region WxH+X+Y.
differing() {
    local region=$1
    convert "$2" -crop "$region" +repage a.tmp.png
    convert "$3" -crop "$region" +repage b.tmp.png
    # compare prints the count on stderr and exits 1 when the images differ.
    compare -metric AE -fuzz 2% a.tmp.png b.tmp.png null: 2>&1 | cut -d' ' -f1 || true
}

# ---- Context menu -------------------------------------------------------------

if [ -n "$shots" ]; then
    # Where the window's frame lies on the screen: the client area's origin
    # (where the mouse lands at the window's 0,0) less the client area's
    # place inside the frame (found by searching the frame's picture for it).
    xdotool mousemove --sync --window "$wid" 0 0
    eval "$(xdotool getmouselocation --shell)"
    import -frame -window "$wid" frame.png
    import -window "$wid" client.png
    at=$(compare -metric AE -subimage-search frame.png client.png null: 2>&1 | sed -n 's/.*@ *//p')
    frame_crop="$(identify -format '%wx%h' frame.png)+$((X - ${at%,*}))+$((Y - ${at#*,}))"
fi

# A point inside the left text box (the left half of the window, below its label).
xdotool mousemove --sync --window "$wid" $((win_w / 4)) $((win_h / 4)) click 1
eval "$(xdotool getmouselocation --shell)"  # X and Y on the screen
click_x=$X click_y=$Y
if [ -n "$shots" ]; then
    # An edit, so that the picture shows Undo available and the text changed.
    xdotool type --delay 30 '  // сумма'
fi
sleep 0.2
import -window root before-menu.png

# The menu opens at the mouse, down and to the right, and covers this region
# with its first items. Its background is as white as the box's, so what
# differs is mostly the items' text: some thousand pixels, where the box
# alone (the caret blinks left of the region) changes none. The region stays
# light: a window that vanished would leave the dark screen behind.
region="160x160+$((click_x + 4))+$((click_y + 4))"
area=$((160 * 160))
light() { convert "$1" -crop "$region" +repage -colorspace Gray -format '%[fx:mean>0.7]' info:; }
menu_painted() {
    alive
    import -window root after-menu.png
    local n
    n=$(differing "$region" before-menu.png after-menu.png)
    [ "${n%.*}" -gt $((area / 25)) ] && [ "$(light after-menu.png)" = 1 ]
}
xdotool click 3
retry 5 menu_painted ||
    fail "no context menu was painted at the right click ($region differs in $(differing "$region" before-menu.png after-menu.png) of $area pixels)"

if [ -n "$shots" ]; then
    # The window with its frame, as on the screen: the menu over it included.
    import -window root -crop "$frame_crop" +repage "$shots/pelmo-menu.png"
fi

xdotool key Escape
menu_gone() {
    alive
    import -window root after-escape.png
    local n
    n=$(differing "$region" before-menu.png after-escape.png)
    [ "${n%.*}" -lt $((area / 250)) ]
}
retry 5 menu_gone || fail "Escape did not take the context menu away (see after-escape.png)"

# ---- Find / Replace -------------------------------------------------------------

alive
xdotool key ctrl+h
replace_wid=$(timeout 5 xdotool search --sync --onlyvisible --name '^Поиск / Замена$' | head -n1) ||
    fail "Ctrl+H opened no Find/Replace window"
[ "$replace_wid" != "$wid" ] || fail "the Find/Replace window is the main window"
import -window root replace.png

if [ -n "$shots" ]; then
    # Something to search for and its replacement, typed into the fields.
    xdotool type --delay 30 'int'
    xdotool key Return
    xdotool type --delay 30 'long'
    sleep 0.3
    import -frame -window "$replace_wid" "$shots/pelmo-replace.png"
fi

# Escape closes the Find/Replace window (its Close button's key).
xdotool key Escape
replace_closed() { ! xdotool search --onlyvisible --name '^Поиск / Замена$' >/dev/null; }
retry 5 replace_closed || fail "Escape did not close the Find/Replace window"

# ---- Closing the main window ends the program -------------------------------------

xdotool windowactivate --sync "$wid"
xdotool key alt+F4
demo_done() { ! kill -0 "$demo_pid" 2>/dev/null; }
retry 5 demo_done || fail "closing the window did not end pelmo-demo"
status=0
wait "$demo_pid" || status=$?
[ "$status" -eq 0 ] || fail "pelmo-demo ended with status $status"

rm -f ./*.png
echo "pelmo-demo: context menu, Find/Replace window and closing checked"
