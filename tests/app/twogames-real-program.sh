#!/usr/bin/env bash
# The real program started twice at once under one bare X server, in one
# temporary home, so both games share one data folder: each loads a saved
# Jumbled Cube that is in order, turns a box away and back, and enters its
# player's name in the Hall of Fame. Both entries are in the options file
# after both have quit, and nothing else is left beside it.
#   twogames-real-program.sh QUIBO_EXE
set -euo pipefail
exe=${1:?usage: twogames-real-program.sh QUIBO_EXE}
. "$(dirname "$0")/real-program-home.sh" xvfb-run xdotool perl
export exe
. "$(dirname "$0")/two-games.sh"

xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -euo pipefail
  . "$REAL_PROGRAM_STEPS"
  . "$TWO_GAMES_STEPS"
  pids=()
  trap "kill \${pids[*]} 2>/dev/null || true" EXIT
  # Both games start and read the data folder before either saves.
  "$exe" & pids+=($!)
  widA=$(window quibo ${pids[0]}); shown_full_screen "$widA"
  "$exe" & pids+=($!)
  widB=$(window quibo ${pids[1]}); shown_full_screen "$widB"

  play() {   # wid player
    front "$1"
    xdotool click 1   # the pointer is there already
    xdotool mousemove --sync $loadButton click 1
    dlg=$(window "Load quibo Game File")
    xdotool windowfocus --sync "$dlg"
    xdotool key ctrl+a
    xdotool type --delay 5 "$game"
    xdotool key Return
    gone "Load quibo Game File"
    front "$1"
    xdotool mousemove --sync $frontBox click 1 key Left key Right
    hof=$(window "$hofTitle")
    xdotool windowraise "$hof"
    xdotool mousemove --sync 100 300
    xdotool windowfocus --sync "$hof"
    xdotool type --delay 5 "$2"
    xdotool key Return   # adds the entry
    xdotool key Return   # saves and closes
    gone "$hofTitle"
  }
  play "$widA" AnnAlpha
  play "$widB" BobBravo

  # Both quit with key X; each saves its changed game type on the way.
  for k in 0 1; do
    wid=$([ $k = 0 ] && echo "$widA" || echo "$widB")
    front "$wid"
    xdotool key x
    quits ${pids[$k]} "a game"
  done
  pids=()
'
both_entries_kept
echo "both games' Hall of Fame entries are kept"
