# Sourced inside the X server by the real-program tests:
#   . "$REAL_PROGRAM_STEPS"
# with exe naming the program.

# Runs the command every 50 ms until it succeeds; fails after a minute.
# The waits are for what the program does, not for a time: each ends as
# soon as it is done, however busy the machine.
await() {
  local end=$((SECONDS + 60))
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.05
  done
}

# Whether the process has ended.
ended() { ! kill -0 "$1" 2>/dev/null; }

# Starts the program and waits until its window fills the 1920 x 1080
# screen; sets pid and wid.
start_full_screen() {
  "$exe" & pid=$!
  wid=$(timeout 60 xdotool search --sync --onlyvisible --name "^quibo$" | head -n 1) || true
  [ -n "$wid" ] || { echo "no window \"quibo\" appeared"; kill $pid; exit 1; }
  await full_screen "$wid" || { echo "the window never went full screen"; kill $pid; exit 1; }
}

# Whether the window fills the screen.
full_screen() { xdotool getwindowgeometry "$1" | grep -q "Geometry: 1920x1080"; }

# Waits for the program to end once key X has been sent.
await_exit() {
  await ended $pid || { kill $pid; echo "the program did not quit on X"; exit 1; }
  wait $pid
}
