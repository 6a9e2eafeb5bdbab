#!/usr/bin/env bash
# The real program under a bare X server in a temporary home: the options
# dialog opened with O, a colour set added, "Use Box Images" ticked, a JPEG
# and a PNG picked for faces and a pattern through the open-image dialog,
# "Use Pattern" ticked, saved, the program quit and started again: the new
# game's board shows the two pictures and the pattern.
#   options-real-program.sh QUIBO_EXE [SHOT_FOLDER]
# The screenshots stay in SHOT_FOLDER when one is given.
set -euo pipefail
exe=${1:?usage: options-real-program.sh QUIBO_EXE [SHOT_FOLDER]}
. "$(dirname "$0")/real-program-home.sh" xvfb-run xdotool convert import
shots=${2:-$home/shots}
mkdir -p "$shots"

# The pictures, each in colours that nothing else on the board has; the
# faces large enough to cover a whole side when a game spans them.
pics=$home/pics
mkdir -p "$pics"
jpegColour="rgb(255,120,200)"
pngColour="rgb(20,200,210)"
patternColours=("rgb(70,40,110)" "rgb(120,80,30)")
convert -size 1024x1024 "xc:$jpegColour" -quality 95 "$pics/face.jpg"
convert -size 1024x1024 "xc:$pngColour" "$pics/face.png"
convert -size 40x40 "xc:${patternColours[0]}" \
  \( -size 20x20 "xc:${patternColours[1]}" \) -geometry +0+0 -composite \
  \( -size 20x20 "xc:${patternColours[1]}" \) -geometry +20+20 -composite "BMP3:$pics/pattern.bmp"

# Both runs share these steps, run inside the X server.
cat > "$home/steps.sh" <<'EOF'
set -euo pipefail
. "$REAL_PROGRAM_STEPS"
# Waits for a visible window of that title; prints its id.
window() {
  local id
  id=$(timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) || true
  [ -n "$id" ] || { echo "no window \"$1\" appeared" >&2; import -window root "$shots/failed.png"; return 1; }
  echo "$id"
}
# Waits until no visible window has that title.
gone() {
  await no_window "$1" || { echo "the window \"$1\" did not close"; return 1; }
}
no_window() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
# Starts the program and waits for its full-screen window.
start() {
  start_full_screen
  # Keys go to the window that has the focus: the X server hands the
  # program the focus before the keys that follow.
  xdotool windowfocus --sync "$wid"
}
# Key X, again while the program runs: the board ignores keys until the
# opener of a dialog that just closed has finished (the X server may hand
# over the key before that).
quit() {
  await quit_on_x || { kill $pid; echo "the program did not quit on X"; exit 1; }
  wait $pid
}
quit_on_x() {
  ended $pid && return 0
  xdotool windowfocus --sync "$wid" key x 2>/dev/null || true
  for ((i = 0; i < 10; i++)); do ended $pid && return 0; sleep 0.05; done
  return 1
}
# The options dialog's point at a design point (x, y) of the dialog at the
# first start's scale "h" (72/44 across, 27/16 down, plus the frame).
dlgX=0 dlgY=0
at() {
  echo $((dlgX + ($1 * 72 + 22) / 44 + 1)) $((dlgY + ($2 * 27 + 8) / 16 + 1))
}
# The X server takes the pointer's move before the click that follows.
click() {
  xdotool mousemove $(at "$1" "$2") click 1
}
# Waits until a window has the keyboard focus.
focused() {
  await has_focus "$1" || { echo "the window $1 did not get the focus back"; return 1; }
}
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
# One picture chosen in the open-image dialog opened by the button at (x, y).
# The options dialog takes the focus back once the open-image dialog's run
# has ended; until then it takes no clicks.
pick() {
  click "$1" "$2"
  local dlg
  dlg=$(window "Select Image File")
  xdotool windowfocus --sync "$dlg" type --delay 5 "$3"
  xdotool key Return
  gone "Select Image File"
  focused "$opts"
}
# Waits until the screen shows a colour on at least n pixels; saves the shot.
shows() {   # shot colour n
  count=0
  await shows_now "$@" || { echo "$2 shows on $count pixels of $1, expected $3 or more"; return 1; }
}
shows_now() {
  import -window root "$1"
  count=$(convert "$1" -fuzz 4% -fill black +opaque "$2" -fill white -opaque "$2" \
    -format "%[fx:int(mean*w*h+0.5)]" info:)
  [ "$count" -ge "$3" ]
}
EOF

run() {   # first | second
  xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    exe=$1 pics=$2 shots=$3 phase=$4 jpeg=$5 png=$6 pat0=$7 pat1=$8
    source "$(dirname "$pics")/steps.sh"
    start
    if [ "$phase" = first ]; then
      xdotool key o
      opts=$(window "quibo Options")
      xdotool windowfocus --sync "$opts"
      eval "$(xdotool getwindowgeometry --shell "$opts")"
      dlgX=$X dlgY=$Y
      import -window root "$shots/1-options.png"
      # Box Colors: a new set under a name.
      click 481 124
      xdotool type --delay 5 "Mine"
      click 379 124
      # Appearance: "Use Box Images".
      click 81 60
      # Box Images: the JPEG on faces 0 and 5, the PNG on faces 1 and 4, so
      # that each shows on a side whichever way the shape lies (opposite
      # faces add up to 5); Background: the pattern, then "Use Pattern".
      pick 228 265 "$pics/face.jpg"
      pick 508 265 "$pics/face.jpg"
      pick 284 265 "$pics/face.png"
      pick 452 265 "$pics/face.png"
      pick 138 392 "$pics/pattern.bmp"
      click 70 416
      import -window root "$shots/2-options-chosen.png"
      click 279 391
      gone "quibo Options"
    else
      xdotool key n
      shows "$shots/3-board.png" "$pat0" 20000
      shows "$shots/3-board.png" "$pat1" 20000
      shows "$shots/3-board.png" "$jpeg" 50000
      shows "$shots/3-board.png" "$png" 50000
    fi
    quit
  ' _ "$exe" "$pics" "$shots" "$1" "$jpegColour" "$pngColour" "${patternColours[@]}"
}

run first
file=$(find "$home" -name boxOpts.pcg | head -n 1)
[ -n "$file" ] || { echo "no options file was written"; exit 1; }
for kept in Mine face.jpg face.png pattern.bmp; do
  grep -aq "$kept" "$file" || { echo "the options file does not name $kept"; exit 1; }
done
run second
echo "kept between runs: the colour set, two face pictures and the pattern; shots in $shots"
