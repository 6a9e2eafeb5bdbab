#!/usr/bin/env bash
# The real program started twice under one bare X server, in one temporary
# home: game A is stopped (SIGSTOP, by a preloaded fsync) in the middle of
# saving its Hall of Fame entry, holding the save's lock. Game B saves its
# own entry meanwhile, is told the save is put off, keeps repainting, and
# quits: its close asks to try again. A goes on and finishes its save; B
# tries again and quits; A quits. Both entries are in the options file and
# nothing else is left beside it.
#   twogames-stopped-real-program.sh QUIBO_EXE STOP_IN_FSYNC_LIBRARY
set -euo pipefail
exe=${1:?usage: twogames-stopped-real-program.sh QUIBO_EXE STOP_IN_FSYNC_LIBRARY}
shim=${2:?usage: twogames-stopped-real-program.sh QUIBO_EXE STOP_IN_FSYNC_LIBRARY}
. "$(dirname "$0")/real-program-home.sh" xvfb-run xdotool perl import md5sum
export exe shim

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
  game=$0 loadButton=$1 frontBox=$2 away=$3 home=$4
  hofTitle="quibo High Scores Hall of Fame"
  stopFlag=$home/stop-a
  pids=()
  trap "kill -CONT \${pids[*]} 2>/dev/null || true; kill \${pids[*]} 2>/dev/null || true" EXIT
  window() {   # title [pid]: waits for a visible window; prints its id
    local id
    id=$(timeout 60 xdotool search --sync --all --onlyvisible ${2:+--pid $2} --name "^$1\$" | head -n 1) || true
    [ -n "$id" ] || { echo "no window \"$1\" appeared" >&2; return 1; }
    echo "$id"
  }
  gone() {     # title pid: waits until the program has no visible window of that title
    for ((i = 0; i < 600; i++)); do
      xdotool search --all --onlyvisible --pid $2 --name "^$1\$" >/dev/null 2>&1 || return 0
      sleep 0.1
    done
    echo "the window \"$1\" stayed open" >&2; return 1
  }
  box() {      # pid main-wid: waits for a message box of the program; prints its id
    for ((i = 0; i < 600; i++)); do
      for id in $(xdotool search --all --onlyvisible --pid $1 --name "^quibo\$" 2>/dev/null); do
        [ "$id" != "$2" ] && { echo "$id"; return 0; }
      done
      sleep 0.1
    done
    echo "no message box appeared" >&2; return 1
  }
  full_screen() {   # wid
    for ((i = 0; i < 1200; i++)); do
      xdotool getwindowgeometry "$1" | grep -q "Geometry: 1920x1080" && return 0
      sleep 0.05
    done
    echo "a window never went full screen" >&2; return 1
  }
  stopped() {  # pid: waits until the process has stopped
    for ((i = 0; i < 600; i++)); do
      [ "$(sed "s/.*) //" /proc/$1/stat | cut -d" " -f1)" = T ] && return 0
      sleep 0.1
    done
    echo "game A did not stop in its save" >&2; return 1
  }
  # Both games start and read the data folder before either saves; A stops
  # at the sync of its first options save once the flag file is there.
  QUIBO_STOP_FLAG=$stopFlag LD_PRELOAD=$shim "$exe" & pids+=($!)
  widA=$(window quibo ${pids[0]}); full_screen "$widA"
  "$exe" & pids+=($!)
  widB=$(window quibo ${pids[1]}); full_screen "$widB"

  # Raises the window until it is the one under the pointer.
  front() {   # wid
    for ((i = 0; i < 600; i++)); do
      xdotool windowraise "$1" mousemove $away
      sleep 0.1
      eval "$(xdotool getmouselocation --shell)"
      [ "$WINDOW" = "$1" ] && return 0
    done
    echo "a game window stayed behind the other" >&2; return 1
  }
  # Loads the game in order, solves it, enters the player and saves.
  play() {   # wid pid player
    front "$1"
    xdotool click 1
    xdotool mousemove --sync $loadButton click 1
    dlg=$(window "Load quibo Game File" $2)
    xdotool windowfocus --sync "$dlg"
    xdotool key ctrl+a
    xdotool type --delay 5 "$game"
    xdotool key Return
    gone "Load quibo Game File" $2
    front "$1"
    xdotool mousemove --sync $frontBox click 1 key Left key Right
    hof=$(window "$hofTitle" $2)
    xdotool windowraise "$hof"
    xdotool mousemove --sync 100 300
    xdotool windowfocus --sync "$hof"
    xdotool type --delay 5 "$3"
    xdotool key Return
    sleep 0.3
    xdotool key Return
  }
  options() { find "$home" -name boxOpts.pcg | head -n 1; }

  : > "$stopFlag"
  play "$widA" ${pids[0]} AnnAlpha
  stopped ${pids[0]}

  play "$widB" ${pids[1]} BobBravo
  # B is told the save is put off; it wrote nothing.
  told=$(box ${pids[1]} "$widB")
  xdotool windowfocus --sync "$told" key Return
  gone "$hofTitle" ${pids[1]}
  if grep -q -a BobBravo "$(options)"; then echo "B wrote while A held the lock"; exit 1; fi

  # B repaints while A is stopped: a click on the box shows it selected.
  front "$widB"
  before=$(import -window "$widB" png:- | md5sum)
  xdotool mousemove --sync $frontBox click 1
  changed=
  for ((i = 0; i < 600; i++)); do
    sleep 0.1
    [ "$(import -window "$widB" png:- | md5sum)" != "$before" ] && { changed=1; break; }
  done
  [ -n "$changed" ] || { echo "B did not repaint while A was stopped"; exit 1; }

  # B quits: its close asks whether to try again.
  front "$widB"
  xdotool key x
  question=$(box ${pids[1]} "$widB")
  kill -0 ${pids[1]}

  # A goes on: its save ends and its dialog closes.
  kill -CONT ${pids[0]}
  gone "$hofTitle" ${pids[0]}

  # B tries again (OK) and quits.
  xdotool windowfocus --sync "$question" key Return
  for ((i = 0; i < 600; i++)); do kill -0 ${pids[1]} 2>/dev/null || break; sleep 0.1; done
  if kill -0 ${pids[1]} 2>/dev/null; then echo "B did not quit once it could save"; exit 1; fi

  # A quits with key X, saving its changed game type.
  front "$widA"
  xdotool key x
  for ((i = 0; i < 600; i++)); do kill -0 ${pids[0]} 2>/dev/null || break; sleep 0.1; done
  if kill -0 ${pids[0]} 2>/dev/null; then echo "A did not quit on X"; exit 1; fi
  pids=()
' "$game" "$loadButton" "$frontBox" "$away" "$home"

file=$(find "$home" -name boxOpts.pcg | head -n 1)
[ -n "$file" ] || { echo "no options file was written"; exit 1; }
for name in AnnAlpha BobBravo; do
  grep -q -a "$name" "$file" || { echo "the Hall of Fame lost $name's entry ($file)"; exit 1; }
done
left=$(find "$(dirname "$file")" -mindepth 1 ! -name boxOpts.pcg)
[ -z "$left" ] || { echo "left beside the options file: $left"; exit 1; }
echo "the entry saved while the other game was stopped is kept, and B kept answering"
