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
export exe shim home
. "$(dirname "$0")/two-games.sh"

xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
  set -euo pipefail
  . "$REAL_PROGRAM_STEPS"
  . "$TWO_GAMES_STEPS"
  stopFlag=$home/stop-a
  pids=()
  trap "kill -CONT \${pids[*]} 2>/dev/null || true; kill \${pids[*]} 2>/dev/null || true" EXIT
  # Waits for a message box of the program; prints its id.
  box() {      # pid main-wid
    await other_window "$@" || { echo "no message box appeared" >&2; return 1; }
    other_window "$@"
  }
  other_window() {
    for id in $(xdotool search --all --onlyvisible --pid $1 --name "^quibo\$" 2>/dev/null); do
      [ "$id" != "$2" ] && { echo "$id"; return 0; }
    done
    return 1
  }
  # Waits until the process has stopped.
  stopped() {  # pid
    await is_stopped "$1" || { echo "game A did not stop in its save" >&2; return 1; }
  }
  is_stopped() { [ "$(sed "s/.*) //" /proc/$1/stat | cut -d" " -f1)" = T ]; }
  # Both games start and read the data folder before either saves; A stops
  # at the sync of its first options save once the flag file is there.
  # (A sanitized build takes the preloaded library after its own runtime.)
  QUIBO_STOP_FLAG=$stopFlag LD_PRELOAD=$shim ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 \
    "$exe" & pids+=($!)
  widA=$(window quibo ${pids[0]}); shown_full_screen "$widA"
  "$exe" & pids+=($!)
  widB=$(window quibo ${pids[1]}); shown_full_screen "$widB"

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
  repainted() { [ "$(import -window "$widB" png:- | md5sum)" != "$before" ]; }
  await repainted || { echo "B did not repaint while A was stopped"; exit 1; }

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
  quits ${pids[1]} "B, once it could save,"

  # A quits with key X, saving its changed game type.
  front "$widA"
  xdotool key x
  quits ${pids[0]} "A, on X,"
  pids=()
'
both_entries_kept
echo "the entry saved while the other game was stopped is kept, and B kept answering"
