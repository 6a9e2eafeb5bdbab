#!/usr/bin/env bash
# The real program, started twice under a bare X server in a temporary home,
# keeps the game type and the level count that the player changed with the
# mouse in the panel's lists.   persist-real-program.sh QUIBO_EXE
set -euo pipefail
exe=${1:?usage: persist-real-program.sh QUIBO_EXE}
. "$(dirname "$0")/real-program-home.sh" xvfb-run xdotool od

# The panel's lists at 1920 x 1080 at the first start's Normal scale.
typeList="1820 208"
levelsList="1765 280"

# One run: start, wait until the window is shown full screen, roll the
# wheel down over the lists (each notch picks the next entry), then quit
# with key X. The X server hands the program its events in order: the
# full-screen resize before the first wheel notch, the last notch before
# the key, so no pause is needed between them.
run() {   # type-notches level-notches
  xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    exe=$0
    . "$REAL_PROGRAM_STEPS"
    start_full_screen
    # One synced move to each list (a synced move to where the pointer
    # is already would wait in vain), then the notches.
    xdotool mousemove --sync '"$typeList"'
    for ((i = 0; i < $1; i++)); do xdotool click 5; done
    xdotool mousemove --sync '"$levelsList"'
    for ((i = 0; i < $2; i++)); do xdotool click 5; done
    xdotool mousemove --sync 900 1000 key x
    await_exit
  ' "$exe" "$1" "$2"
}

# Game type and levels are the 32-bit values at bytes 14 and 18 of the file.
stored() {
  local file
  file=$(find "$home" -name boxOpts.pcg | head -n 1)
  [ -n "$file" ] || { echo "no options file was written"; exit 1; }
  echo "$(od -An -t d4 -j 14 -N 4 "$file" | tr -d ' ') $(od -An -t d4 -j 18 -N 4 "$file" | tr -d ' ')"
}

run 2 1    # "Jigsaw Cube" -> "Jumbled Pyramid", 4 -> 5 levels
got=$(stored)
[ "$got" = "3 5" ] || { echo "after the first run: type and levels $got, expected 3 5"; exit 1; }

run 1 0    # the second run starts from what was kept: -> "Rebukes Cube"
got=$(stored)
[ "$got" = "4 5" ] || { echo "after the second run: type and levels $got, expected 4 5"; exit 1; }
echo "kept between runs: type and levels $got"
