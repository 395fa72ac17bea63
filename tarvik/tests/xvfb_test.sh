#!/usr/bin/env bash
# Runs the real Tarvik program on an X server (Xvfb with the openbox window
# manager), drives it with the mouse and keys (xdotool) and judges what an X
# screen capture shows (ImageMagick's import of the root window: a window
# painted over another one is captured as drawn).
#
# Usage: xvfb_test.sh TARVIK_EXECUTABLE SCENARIO
#   dialogs  the file dialogs, the progress window and the message box are
#            painted; a decoded list is painted in the list box
#   resize   the list box and Выход follow the window's size; the window does
#            not shrink below its designed size; the information window keeps its size
#   front    the information window, covered by the main window and shown
#            again, comes to the front
#   quit     Выход during a long decode ends the program at once, nothing saved
#   keys     with both processor cores kept busy, the keyboard works after every
#            one of many opens (Ctrl+O, the dialog, F1) without a click on the
#            window; the title names the file; Ctrl+Q on the progress window
#            during a long decode ends the program
set -euo pipefail
exe=$(realpath "$1")
scenario=$2
examples=$(realpath "$(dirname "$0")/../../examples/tarvik")
work=$(mktemp -d)
passed=0
failed=0
pids=()

cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $what"
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}

im() {  # ImageMagick's convert (a stand-in may come first on PATH)
  if [ -x /usr/bin/convert ]; then /usr/bin/convert "$@"; else convert "$@"; fi
}

# ---- The X server, the window manager, the program --------------------------

# Xvfb picks a free display number and writes it to fd 3 once it accepts
# clients. -noreset: by default the server resets whenever its last client
# leaves, and a client that connects during such a reset (the program, right
# after the polling below) is refused.
exec 3>"$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 1 600); do [ -s "$work/display" ] && break; sleep 0.05; done
if [ ! -s "$work/display" ]; then
  echo "FAILED: Xvfb did not start"; cat "$work/xvfb.log"; exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
wm=0
for _ in $(seq 1 600); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then wm=1; break; fi
  sleep 0.05
done
if [ "$wm" = 0 ]; then
  echo "FAILED: openbox did not start"; cat "$work/openbox.log" "$work/xvfb.log"; exit 1
fi

cd "$work"
"$exe" >"$work/tarvik.log" 2>&1 &
tarvik=$!
pids+=($tarvik)

# Prints the id of the first shown window whose title matches a regular
# expression, waiting up to $2 seconds (default 10); nothing when none came.
# The waits are measured by the clock: on busy cores each xdotool call alone
# may take a tenth of a second.
window() {
  local until=$((SECONDS + ${2:-10})) id
  while :; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return; fi
    [ "$SECONDS" -lt "$until" ] || return 0
    sleep 0.02
  done
}

gone() {  # gone REGEX: waits up to 30 s for the window to go
  local until=$((SECONDS + 30))
  while [ "$SECONDS" -lt "$until" ]; do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.02
  done
  return 1
}

# Sets GX GY GW GH: the window's client area on the screen.
geometry() {
  eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {print "GX=" $4} /Absolute upper-left Y/ {print "GY=" $4}
                                   /^ *Width:/ {print "GW=" $2} /^ *Height:/ {print "GH=" $2}')"
}

capture() { import -window root "$work/$1.png"; }

# painted SHOT ID: the window's area in the capture is neither black nor one
# flat colour (an unpainted window shows black or what lay under it).
painted() {
  geometry "$2"
  local stats
  stats=$(im "$work/$1.png" -crop "${GW}x${GH}+${GX}+${GY}" +repage -colorspace Gray -format '%[fx:mean] %[fx:standard_deviation]' info:)
  echo "  $1: window $2 ${GW}x${GH}+${GX}+${GY}, mean and spread $stats"
  awk -v s="$stats" 'BEGIN { split(s, a, " "); exit !(a[1] > 0.5 && a[2] > 0.03) }'
}

# colour SHOT X Y: the pixel as "r,g,b" (0..255).
colour() { im "$work/$1.png" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
white() { [ "$(colour "$@")" = "255,255,255" ]; }
not_white() { ! white "$@"; }

# dark_share SHOT X Y W H: per mille of dark (text) pixels in an area.
dark_share() {
  im "$work/$1.png" -crop "${4}x${5}+${2}+${3}" +repage -colorspace Gray -threshold 50% -format '%[fx:int(1000*(1-mean))]' info:
}

# same_at SHOT1 X1 Y1 SHOT2 X2 Y2 W H: the W x H areas of two captures agree
# (a few pixels may differ).
same_at() {
  local diff
  im "$work/$1.png" -crop "${7}x${8}+${2}+${3}" +repage "$work/a.png"
  im "$work/$4.png" -crop "${7}x${8}+${5}+${6}" +repage "$work/b.png"
  diff=$(compare -metric AE -fuzz 10% "$work/a.png" "$work/b.png" null: 2>&1 || true)
  echo "  $1 and $4 differ in $diff pixels of ${7}x${8}"
  [ "${diff%%.*}" -lt 50 ] 2>/dev/null
}
differs_at() { ! same_at "$@"; }

# A net list in ORCAD form with N nets.
netlist() {
  { echo "( generated )"; echo "NETS"
    seq 1 "$2" | awk '{ printf "NET_%d = DD%d/1 R%d/2 C%d/3 ;\n", $1, $1 % 400, $1 % 397, $1 % 13 }'; } >"$work/$1"
}

# Types a file's name into the file dialog once it has the keyboard, and
# Enter. The dialog opens in the program's working folder, this one: a bare
# name is typed, which the dialog's name completion cannot take apart as it
# can a path.
name_file() {  # name_file DIALOG NAME
  for _ in $(seq 1 100); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && break; sleep 0.1; done
  sleep 0.2
  xdotool type --delay 5 "$2"
  xdotool key Return
}

# Opens a file of this folder through Ctrl+O and the file dialog.
open_file() {
  xdotool windowactivate --sync "$main" key ctrl+o
  local dialog
  dialog=$(window '^Открыть$')
  [ -n "$dialog" ] || return 1
  name_file "$dialog" "$1"
}

main=$(window '^Тарвик — импорт списка связей$' 20)
if [ -z "$main" ]; then
  echo "FAILED: the main window did not appear"; cat "$work/tarvik.log" "$work/xvfb.log"; exit 1
fi
sleep 0.5

case $scenario in
dialogs)
  capture start
  check "the main window is painted" painted start "$main"
  netlist big.net 1000000
  printf 'nothing a decoder knows\n' >"$work/unknown.net"

  xdotool windowactivate --sync "$main" key ctrl+o
  dialog=$(window '^Открыть$')
  check "Ctrl+O opens the file dialog titled in Russian" test -n "$dialog"
  sleep 0.5
  capture open
  check "the file dialog is painted" painted open "$dialog"
  name_file "$dialog" big.net
  progress=$(window '^Импорт списка связей$')
  check "the progress window appears while a large list is decoded" test -n "$progress"
  if [ -n "$progress" ]; then
    sleep 0.1
    capture progress
    check "the progress window is painted" painted progress "$progress"
  fi
  check "the decode ends" gone '^Импорт списка связей$'
  sleep 0.3
  capture decoded
  geometry "$main"
  check "the list of a million nets is painted in the list box" \
    test "$(dark_share decoded $((GX + 14)) $((GY + 82)) 400 300)" -gt 20

  open_file unknown.net
  message=$(window '^ОШИБКА!$')
  check "an unrecognised file gives the message box" test -n "$message"
  if [ -n "$message" ]; then
    sleep 0.3
    capture message
    check "the message box is painted" painted message "$message"
    xdotool key Return
    check "Enter closes the message box" gone '^ОШИБКА!$'
  fi

  xdotool windowactivate --sync "$main" key ctrl+s
  save=$(window '^Сохранить как$')
  check "Ctrl+S opens the save dialog titled in Russian" test -n "$save"
  if [ -n "$save" ]; then
    sleep 0.5
    capture save
    check "the save dialog is painted" painted save "$save"
    xdotool key Escape
  fi
  ;;

resize)
  geometry "$main"
  dx=$GX dy=$GY dw=$GW dh=$GH
  capture designed
  xdotool windowsize "$main" 1300 900
  sleep 0.8
  geometry "$main"
  check "the window takes the size the user gives it (${GW}x${GH})" test "$GW" -eq 1300 -a "$GH" -eq 900
  capture enlarged
  # The line under the list (22 px and margins) keeps to the bottom edge.
  check "the list box reaches the enlarged window's lower right corner, above the line under it" \
    white enlarged $((GX + GW - 20)) $((GY + GH - 50))
  check "right of the list box lies the window's margin" \
    not_white enlarged $((GX + GW - 5)) $((GY + GH / 2))
  check "Выход keeps to the right edge" \
    same_at designed $((dx + dw - 122)) $((dy + 12)) enlarged $((GX + GW - 122)) $((GY + 12)) 110 32
  check "Открыть keeps to the left edge" \
    same_at designed $((dx + 12)) $((dy + 12)) enlarged $((GX + 12)) $((GY + 12)) 210 32
  xdotool windowsize "$main" 400 300
  sleep 0.8
  geometry "$main"
  check "the window does not shrink below its designed size (${GW}x${GH} >= ${dw}x${dh})" \
    test "$GW" -ge "$dw" -a "$GH" -ge "$dh"
  xdotool windowactivate --sync "$main" key F1
  info=$(window '^О программе$')
  check "F1 shows the information window" test -n "$info"
  if [ -n "$info" ]; then
    geometry "$info"
    iw=$GW ih=$GH
    xdotool windowsize "$info" 900 700
    sleep 0.8
    geometry "$info"
    check "the information window keeps its size (${GW}x${GH})" test "$GW" -eq "$iw" -a "$GH" -eq "$ih"
  fi
  ;;

front)
  xdotool windowactivate --sync "$main" key F1
  info=$(window '^О программе$')
  check "F1 shows the information window" test -n "$info"
  [ -n "$info" ] || { echo "$passed passed, $failed failed"; exit 1; }
  sleep 0.5
  capture first
  geometry "$info"
  ix=$GX iy=$GY iw=$GW ih=$GH
  geometry "$main"
  xdotool mousemove $((GX + 40)) $((GY + GH - 40)) click 1  # the list box, clear of the information window
  sleep 0.5
  capture covered
  check "a click on the main window brings it over the information window" \
    differs_at first "$ix" "$iy" covered "$ix" "$iy" "$iw" "$ih"
  xdotool key F1
  sleep 0.5
  capture again
  check "F1 again brings the information window back to the front" same_at first "$ix" "$iy" again "$ix" "$iy" "$iw" "$ih"
  ;;

quit)
  netlist huge.net 2000000
  check "the open dialog takes the file" open_file huge.net
  progress=$(window '^Импорт списка связей$')
  check "the progress window shows the decode" test -n "$progress"
  geometry "$main"
  start=$(date +%s%N)
  xdotool mousemove $((GX + GW - 67)) $((GY + 28)) click 1  # Выход
  rc=0
  wait "$tarvik" || rc=$?
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  echo "  the program ended ${ms} ms after the click on Выход"
  check "Выход during the decode ends the program at once (${ms} ms)" test "$ms" -lt 1500
  check "with exit code 0" test "$rc" -eq 0
  check "nothing was saved" test -z "$(find "$work" -name '*.cha')"
  ;;

keys)
  # Busy loops on both cores: the window manager and the program then get
  # the processor late, as on a loaded machine.
  for _ in 1 2; do
    ( while :; do :; done ) &
    pids+=($!)
  done
  opens=${TARVIK_X_OPENS:-15}
  dead=0
  cp "$examples/controller_accel.net" "$work/"
  xdotool windowactivate --sync "$main"
  for k in $(seq 1 "$opens"); do
    # Only keys from here on: no click, no activation by the test.
    xdotool key ctrl+o
    dialog=$(window '^Открыть$')
    if [ -z "$dialog" ]; then echo "  open $k: Ctrl+O opened no dialog"; dead=$((dead + 1)); break; fi
    name_file "$dialog" controller_accel.net
    gone '^Открыть$' || true
    # The title names the file once the open is over.
    if [ -z "$(window '^controller_accel\.net — Тарвик — импорт списка связей$' 30)" ]; then
      echo "  open $k: the title does not name the file"; dead=$((dead + 1)); break
    fi
    gone '^Импорт списка связей$' || true
    # A dead keyboard loses the key for good; a slow program shows the window late.
    xdotool key F1
    info=$(window '^О программе$' 60)
    if [ -z "$info" ]; then
      echo "  open $k: F1 after the open did nothing (active window $(xdotool getactivewindow 2>/dev/null || echo none))"
      dead=$((dead + 1))
      break
    fi
    xdotool key Escape
    gone '^О программе$' || { echo "  open $k: Esc did not close the information window"; dead=$((dead + 1)); break; }
  done
  check "the keyboard works after each of $opens opens on busy cores" test "$dead" -eq 0

  netlist huge.net 2000000
  xdotool key ctrl+o
  dialog=$(window '^Открыть$')
  check "Ctrl+O after the last open opens the dialog" test -n "$dialog"
  name_file "$dialog" huge.net
  progress=$(window '^Импорт списка связей$')
  check "the progress window shows the long decode" test -n "$progress"
  sleep 0.3
  start=$(date +%s%N)
  xdotool key ctrl+q
  rc=0
  for _ in $(seq 1 300); do kill -0 "$tarvik" 2>/dev/null || break; sleep 0.02; done
  if kill -0 "$tarvik" 2>/dev/null; then rc=124; else wait "$tarvik" || rc=$?; fi
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  check "Ctrl+Q on the progress window ends the program (${ms} ms, code $rc)" test "$rc" -eq 0
  ;;

*)
  echo "unknown scenario '$scenario'"; exit 2
  ;;
esac

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
