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
  await focused || { echo "the window never took the keyboard"; kill $pid; exit 1; }
}
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$wid" ]; }
# A screenshot once the screen has stopped changing (two shots 0.3 s
# apart agree); fails after a minute. Taken once the program has handled
# all that was sent before, so that only the last paint may be pending.
still() {
  import -window root "$1"
  local end=$((SECONDS + 60))
  while ((SECONDS < end)); do
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
  dlg=$(timeout 60 xdotool search --sync --onlyvisible --name "^Load quibo Game File$" | head -n 1)
  [ -n "$dlg" ] || { echo "no file dialog"; kill $pid; exit 1; }
  xdotool windowfocus --sync "$dlg"
  xdotool key ctrl+a
  xdotool type --delay 5 "$1"
  xdotool key Return
  await no_file_dialog || { echo "the file dialog stayed open"; kill $pid; exit 1; }
}
no_file_dialog() { ! xdotool search --onlyvisible --name "^Load quibo Game File$" >/dev/null 2>&1; }
# The board left of the panel, and the panel'"'"'s score, moves and disorder.
areas="1700x1080+0+0 172x92+1742+628"
# A shot of the screen; whether it shows the first run'"'"'s in those areas.
shows_before() {
  import -window root "$1/after.png"
  for area in $areas; do
    [ "$(compare -metric AE "$1/before.png[$area]" "$1/after.png[$area]" null: 2>&1 || true)" = 0 ] || return 1
  done
}
# Key X with the pointer away (the X server takes the move first; a
# synced move to where the pointer is already would wait in vain).
quit() {
  xdotool mousemove '"$away"' key x
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
  xdotool mousemove --sync '"$saveButton"' click 1
  choose "$1"
  await test -s "$1" || { echo "no saved game was written"; kill $pid; exit 1; }
  # The save came after the turns: the program has handled them all.
  xdotool mousemove --sync '"$away"'
  still "$0/before.png"
  quit
' "$home" "$game"

# Second run: the saved game loaded.
xvfb-run -a -s "-screen 0 1920x1080x24" bash -c "$steps"'
  start
  xdotool mousemove --sync '"$loadButton"' click 1
  choose "$1"
  xdotool mousemove --sync '"$away"'
  # The loaded game shows once the program has read and drawn it: shots
  # until one shows what the first run showed (the last one is kept).
  await shows_before "$0" || true
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
