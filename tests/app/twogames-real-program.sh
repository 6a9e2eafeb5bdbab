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

# A saved Jumbled Cube of 4 levels with every box in the same orientation,
# marked in order, no bonus and no bad boxes: two turns of one box that
# undo each other solve it with a score above 0.
game=$home/inorder.qgf
perl -e '
  print pack("a14 l< l<", "quiboVer01.70", 2, 4);
  print pack("C C l< l< l< l< l<", 1, 0, 0, 0, 500, 500, 0);
  for my $L (0..3) { for my $R (0..3) { for my $C (0..3) {
    print pack("l<6", 100 + 100 * $L + 10 * $R + $C, 0, 0, 0, 1, 2);
  } } }
  print pack("l<16", (0) x 16);
' > "$game"

# Places on the 1920 x 1080 screen at the first start's Normal scale.
loadButton="1780 364"   # "Load" beside the intro
frontBox="837 514"      # a box on the front of the 4-level cube
away="5 1075"           # beside the cube, over no control

xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -euo pipefail
  game=$0 loadButton=$1 frontBox=$2 away=$3
  . "$REAL_PROGRAM_STEPS"
  pids=()
  trap "kill \${pids[*]} 2>/dev/null || true" EXIT
  window() {   # title [pid]: waits for a visible window; prints its id
    local id
    id=$(timeout 60 xdotool search --sync --all --onlyvisible ${2:+--pid $2} --name "^$1\$" | head -n 1) || true
    [ -n "$id" ] || { echo "no window \"$1\" appeared" >&2; return 1; }
    echo "$id"
  }
  gone() {     # title: waits until no visible window has it
    await no_window "$1" || { echo "the window \"$1\" stayed open" >&2; return 1; }
  }
  no_window() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
  shown_full_screen() {   # wid
    await full_screen "$1" || { echo "a window never went full screen" >&2; return 1; }
  }
  # Both games start and read the data folder before either saves.
  "$exe" & pids+=($!)
  widA=$(window quibo ${pids[0]}); shown_full_screen "$widA"
  "$exe" & pids+=($!)
  widB=$(window quibo ${pids[1]}); shown_full_screen "$widB"

  # Raises the window until it is the one under the pointer: a game may
  # raise its own window again once its dialog has closed.
  front() {   # wid
    await raised "$1" || { echo "a game window stayed behind the other" >&2; return 1; }
  }
  raised() {
    xdotool windowraise "$1" mousemove $away
    eval "$(xdotool getmouselocation --shell)"
    [ "$WINDOW" = "$1" ]
  }
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
    hof=$(window "quibo High Scores Hall of Fame")
    xdotool windowraise "$hof"
    xdotool mousemove --sync 100 300
    xdotool windowfocus --sync "$hof"
    xdotool type --delay 5 "$2"
    xdotool key Return   # adds the entry
    xdotool key Return   # saves and closes
    gone "quibo High Scores Hall of Fame"
  }
  play "$widA" AnnAlpha
  play "$widB" BobBravo

  # Both quit with key X; each saves its changed game type on the way.
  for k in 0 1; do
    wid=$([ $k = 0 ] && echo "$widA" || echo "$widB")
    front "$wid"
    xdotool key x
    await ended ${pids[$k]} || { echo "a game did not quit on X"; exit 1; }
  done
  pids=()
' "$game" "$loadButton" "$frontBox" "$away"

file=$(find "$home" -name boxOpts.pcg | head -n 1)
[ -n "$file" ] || { echo "no options file was written"; exit 1; }
for name in AnnAlpha BobBravo; do
  grep -q -a "$name" "$file" || { echo "the Hall of Fame lost $name's entry ($file)"; exit 1; }
done
left=$(find "$(dirname "$file")" -mindepth 1 ! -name boxOpts.pcg)
[ -z "$left" ] || { echo "left beside the options file: $left"; exit 1; }
echo "both games' Hall of Fame entries are kept"
