# Sourced inside the X server by the two-games tests, after the shared
# real-program steps:   . "$TWO_GAMES_STEPS"
# Every wait ends as soon as what it waits for is done, or fails after a
# minute.

# Waits for a visible window of that title (of that process); prints its id.
window() {   # title [pid]
  local id
  id=$(timeout 60 xdotool search --sync --all --onlyvisible ${2:+--pid $2} --name "^$1\$" | head -n 1) || true
  [ -n "$id" ] || { echo "no window \"$1\" appeared" >&2; return 1; }
  echo "$id"
}
# Waits until no visible window has that title (of that process).
gone() {     # title [pid]
  await no_window "$@" || { echo "the window \"$1\" stayed open" >&2; return 1; }
}
no_window() { ! xdotool search --all --onlyvisible ${2:+--pid $2} --name "^$1\$" >/dev/null 2>&1; }
shown_full_screen() {   # wid
  await full_screen "$1" || { echo "a window never went full screen" >&2; return 1; }
}
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
# Waits for the process to end.
quits() {   # pid what
  await ended "$1" || { echo "$2 did not quit"; return 1; }
}
