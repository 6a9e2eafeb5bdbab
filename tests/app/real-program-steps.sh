# Sourced inside the X server by the real-program tests:
#   . "$REAL_PROGRAM_STEPS"
# with exe naming the program.

# Starts the program and waits until its window fills the 1920 x 1080
# screen; sets pid and wid.
start_full_screen() {
  "$exe" & pid=$!
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^quibo$" | head -n 1) || true
  [ -n "$wid" ] || { echo "no window \"quibo\" appeared"; kill $pid; exit 1; }
  for ((i = 0; i < 200; i++)); do
    xdotool getwindowgeometry "$wid" | grep -q "Geometry: 1920x1080" && break
    sleep 0.05
  done
  xdotool getwindowgeometry "$wid" | grep -q "Geometry: 1920x1080" || { echo "the window never went full screen"; kill $pid; exit 1; }
}

# Waits up to 10 s for the program to end once key X has been sent.
await_exit() {
  for ((i = 0; i < 100; i++)); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then kill $pid; echo "the program did not quit on X"; exit 1; fi
  wait $pid
}
