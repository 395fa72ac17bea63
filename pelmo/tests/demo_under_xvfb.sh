#!/usr/bin/env bash
# pelmo-demo on a real X server: a virtual display (Xvfb) with a window
# manager (openbox), real mouse clicks and keys (xdotool), screen captures
# (ImageMagick's import).
#
#   demo_under_xvfb.sh PELMO_DEMO WORK_DIR [SHOTS_DIR]
#
# Checks that a right click in the left text box paints the context menu
# there, that Escape takes it away, that Ctrl+H opens the Find/Replace
# window, which stays above the main window and takes typed text into its
# search field; that a replace run's question stays above the main window
# with the keys (a key typed into the box changes nothing, Enter replaces,
# Escape closes); that «Сохранить файл…» saves the box and says when it
# cannot; that the window and its boxes grow; and that closing the main
# window during a question ends the run, asks about the unsaved text and
# ends the program with status 0.
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
    [ -n "${DISPLAY:-}" ] && import -window root failure.png 2>/dev/null
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

# Waits at most $1 seconds for a shown window titled as $2 matches; its id
# goes to found. (xdotool's own waiting search dies of a window that vanishes
# while it looks, as the file dialog's does.)
await_window() {
    local tries=$(($1 * 10))
    while ((tries-- > 0)); do
        alive
        found=$(xdotool search --onlyvisible --name "$2" 2>/dev/null | head -n1) || true
        [ -n "$found" ] && return 0
        sleep 0.1
    done
    return 1
}

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
await_window 15 '^Поиск / Замена$' && replace_wid=$found ||
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

# The focus moves on to the replacement; Escape closes the window (its
# Close button's key).
xdotool key Return
xdotool key Escape
replace_closed() { ! xdotool search --onlyvisible --name '^Поиск / Замена$' >/dev/null; }
retry 5 replace_closed || fail "Escape did not close the Find/Replace window"

# Window ids in the window manager's stacking order, bottom first, decimal.
stacking() {
    local id
    for id in $(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*#//; s/,/ /g'); do echo $((id)); done
}
# True when window $1 lies above window $2.
above() {
    local order
    order=$(stacking)
    local a b
    a=$(grep -nx "$1" <<<"$order" | cut -d: -f1)
    b=$(grep -nx "$2" <<<"$order" | cut -d: -f1)
    [ -n "$a" ] && [ -n "$b" ] && [ "$a" -gt "$b" ]
}
# Clicks at (x, y) of a window's client area.
click_at() { xdotool mousemove --sync --window "$1" "$2" "$3" click 1; }

# ---- Find/Replace stays above the main window; its search field has the keys ---

# From the start of the text (Ctrl+Home in the box), open Find/Replace again:
# typing goes into the search field, whose old text is selected.
click_at "$wid" $((win_w / 4)) $((win_h / 4))
xdotool key ctrl+Home ctrl+h
await_window 15 '^Поиск / Замена$' && replace_wid=$found ||
    fail "Ctrl+H opened no Find/Replace window the second time"
sleep 0.3
xdotool type --delay 30 'int'
xdotool key Return ctrl+a
xdotool type --delay 30 'long'
# A click on the main window (its status line) leaves Find/Replace above it.
click_at "$wid" 60 $((win_h - 74))
sleep 0.3
above "$replace_wid" "$wid" || fail "the Find/Replace window fell behind the main window"

# ---- The replace question: above the main window, with the keys ------------------

# The question has the title of Find/Replace, which the run hides first: the
# question is the window of that title other than Find/Replace's.
question_shown() {
    alive
    ask_wid=$(xdotool search --onlyvisible --name '^Поиск / Замена$' 2>/dev/null | grep -vx "$replace_wid" | head -n1)
    [ -n "$ask_wid" ] && ! xdotool search --onlyvisible --name '^Поиск / Замена$' 2>/dev/null | grep -qx "$replace_wid"
}
click_at "$replace_wid" 361 26  # «Найти»: one occurrence at a time
retry 15 question_shown || fail "the replace run asked no question"
sleep 0.3
above "$ask_wid" "$wid" || fail "the question is not above the main window"
# A click into the box and a key typed there: the box takes nothing, the
# question comes back to the front with the keyboard.
click_at "$wid" $((win_w / 4)) $((win_h / 2))
xdotool key q
sleep 0.3
alive
above "$ask_wid" "$wid" || fail "the question fell behind the main window after a key in the box"
# Enter answers «Заменить», Escape «Закрыть» at the next occurrence.
xdotool key Return
sleep 0.3
retry 15 question_shown || fail "no question for the second occurrence"
xdotool key Escape
retry 5 replace_closed || fail "Escape did not end the replace run"

# ---- Saving the left box ---------------------------------------------------------

# Through the file dialog of «Сохранить файл…»; what is saved is the sample
# with its first "int" replaced (the text is Windows-1251 bytes). The dialog
# opens in the program's working folder, this one: a bare name is typed, which
# no name completion there can take apart (no name here begins as it does).
save_as() {
    click_at "$wid" 225 398
    local dialog
    await_window 15 '^Сохранить текст в файл$' && dialog=$found ||
        fail "«Сохранить файл…» opened no file dialog"
    # On a loaded machine the dialog takes the keyboard late.
    dialog_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$dialog" ]; }
    retry 15 dialog_active || fail "the file dialog did not take the keyboard"
    sleep 0.5
    xdotool type --delay 20 "$1"
    xdotool key Return
}
save_as saved.txt
retry 15 test -s saved.txt || fail "nothing was saved"
printf '%s\n' '/* Сумма элементов массива. */' 'long sum(const int* a, int n)' '{' '    int s = 0;' \
    '    for (int i = 0; i < n; ++i)' '        s += a[i];' '    return s;' '}' | iconv -f UTF-8 -t CP1251 >expected.txt
cmp -s saved.txt expected.txt || fail "the saved file is not the text of the box (see saved.txt)"
[ -z "$(find . -maxdepth 1 -name '.saved.txt.*')" ] || fail "saving left its temporary file behind"
# A folder that does not exist: the failure is said, nothing is written.
save_as no-such-folder/saved.txt
await_window 30 '^Сохранить файл$' ||
    fail "a failed save said nothing"
xdotool key Return
cmp -s saved.txt expected.txt || fail "a failed save changed the file saved before"

# ---- Resizing: the window grows, the boxes with it ---------------------------------

xdotool windowsize --sync "$wid" 1100 640 || true
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" -ge 1090 ] && [ "$HEIGHT" -ge 630 ] || fail "the window did not grow (${WIDTH}x$HEIGHT)"
win_w=$WIDTH win_h=$HEIGHT
# A point near the new bottom right lies inside the right box, which is white.
xdotool mousemove --sync --window "$wid" $((win_w - 30)) $((win_h - 90))
eval "$(xdotool getmouselocation --shell)"
import -window root grown.png
[ "$(convert grown.png -crop "1x1+$X+$Y" -colorspace Gray -format '%[fx:mean>0.95]' info:)" = 1 ] ||
    fail "the text boxes did not grow with the window (see grown.png)"

# ---- Closing the main window while a question waits ------------------------------

# The text is changed and not saved: the run ends first, then the program
# asks before it quits, and quits on Yes with status 0.
click_at "$wid" $((win_w / 4)) $((win_h / 4))
xdotool key ctrl+Home
xdotool type --delay 30 'x'
xdotool key ctrl+h
await_window 15 '^Поиск / Замена$' && replace_wid=$found ||
    fail "Ctrl+H opened no Find/Replace window"
sleep 0.3
click_at "$replace_wid" 361 26
retry 15 question_shown || fail "no question the last time"
sleep 0.3
xdotool windowactivate --sync "$wid" 2>/dev/null || true
xdotool key alt+F4
await_window 15 '^Выход$' ||
    fail "closing the main window during the question did not ask about the unsaved text"
replace_closed || fail "the question still waits while the program asks about quitting"
xdotool key Return
demo_done() { ! kill -0 "$demo_pid" 2>/dev/null; }
retry 5 demo_done || fail "closing the window did not end pelmo-demo"
status=0
wait "$demo_pid" || status=$?
[ "$status" -eq 0 ] || fail "pelmo-demo ended with status $status"

rm -f ./*.png
echo "pelmo-demo: context menu, Find/Replace and its question above the window, saving, resizing and closing checked"
