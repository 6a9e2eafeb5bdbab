#!/usr/bin/env bash
# The real program under a bare X server in a temporary home: a Jumbled Cube
# started and turned a few times is saved through the real save dialog,
# the program quits; started again it loads the file through the real open
# dialog and shows the same boxes and the same score, moves and disorder.
#   saveload-real-program.sh QUIBO_EXE
set -euo pipefail
exe=${1:?usage: saveload-real-program.sh QUIBO_EXE}
. "$(dirname "$0")/real-program-home.sh" xvfb-run xdotool import compare od
export exe
game=$home/mygame.qgf

# Places on the 1920 x 1080 screen at the first start's Normal scale.
typeList="1820 208"     # the game type list: one wheel notch down picks "Jumbled Cube"
newGame="1822 142"      # "New Game" beside the intro
loadButton="1780 364"   # "Load" beside the intro
saveButton="1876 330"   # "Save" beside a game
frontBox="837 514"      # a box on the front of the 4-level cube
away="5 1075"           # beside the cube, over no control

# The shared steps of both runs, for the bash -c scripts below.
steps='
. "$REAL_PROGRAM_STEPS"
start() {   # the program, shown full screen and holding the keyboard
  start_full_screen
  # Without a window manager the window takes the keyboard when clicked.
  xdotool mousemove --sync '"$away"' click 1
  for ((i = 0; i < 100; i++)); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$wid" ] && return 0
    sleep 0.05
  done
  echo "the window never took the keyboard"; kill $pid; exit 1
}
# A screenshot once the screen has stopped changing (two shots 0.3 s
# apart agree); fails after 10 s.
still() {
  import -window root "$1"
  for ((i = 0; i < 33; i++)); do
    sleep 0.3
    import -window root "$1.next.png"
    if [ "$(compare -metric AE "$1" "$1.next.png" null: 2>&1 || true)" = 0 ]; then rm "$1.next.png"; return 0; fi
    mv "$1.next.png" "$1"
  done
  echo "the screen did not settle"; kill $pid; exit 1
}
# The file dialog titled "Load quibo Game File": the path typed as its file
# name, then Enter.
choose() {
  dlg=$(timeout 20 xdotool search --sync --onlyvisible --name "^Load quibo Game File$" | head -n 1)
  [ -n "$dlg" ] || { echo "no file dialog"; kill $pid; exit 1; }
  xdotool windowfocus --sync "$dlg"
  xdotool key ctrl+a
  xdotool type --delay 5 "$1"
  xdotool key Return
  for ((i = 0; i < 100; i++)); do
    xdotool search --onlyvisible --name "^Load quibo Game File$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  echo "the file dialog stayed open"; kill $pid; exit 1
}
quit() {
  xdotool mousemove --sync '"$away"' key x
  await_exit
}
'

# First run: a Jumbled Cube of 4 levels, one box turned three times, saved.
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c "$steps"'
  start
  xdotool mousemove --sync '"$typeList"' click 5
  xdotool mousemove --sync '"$newGame"' click 1
  xdotool mousemove --sync '"$frontBox"' click 1 key Left key Up key Left
  xdotool click 1   # the same box again: no selection outline
  xdotool mousemove --sync '"$away"'
  still "$0/before.png"
  xdotool mousemove --sync '"$saveButton"' click 1
  choose "$1"
  for ((i = 0; i < 50; i++)); do [ -s "$1" ] && break; sleep 0.1; done
  [ -s "$1" ] || { echo "no saved game was written"; kill $pid; exit 1; }
  quit
' "$home" "$game"

# Second run: the saved game loaded.
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c "$steps"'
  start
  xdotool mousemove --sync '"$loadButton"' click 1
  choose "$1"
  xdotool mousemove --sync '"$away"'
  still "$0/after.png"
  quit
' "$home" "$game"

# The three turns are in the file (moves, the 32-bit value at byte 28).
moves=$(od -An -t d4 -j 28 -N 4 "$game" | tr -d ' ')
[ "$moves" = 3 ] || { echo "the saved game holds $moves moves, expected 3"; exit 1; }

# The board left of the panel, and the panel's score, moves and disorder.
for area in 1700x1080+0+0 172x92+1742+628; do
  diff=$(compare -metric AE "$home/before.png[$area]" "$home/after.png[$area]" null: 2>&1 || true)
  if [ "$diff" != 0 ]; then
    cp "$home/before.png" "$home/after.png" "${TMPDIR:-/tmp}/" 2>/dev/null || true
    echo "area $area differs in $diff pixels after the load (shots left in ${TMPDIR:-/tmp})"
    exit 1
  fi
done
echo "the loaded game shows the saved boxes, score, moves and disorder"
