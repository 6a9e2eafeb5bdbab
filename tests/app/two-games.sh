# Sourced by the two-games tests after real-program-home.sh: the saved game
# both games play, the places they click, the steps they share inside the
# X server (TWO_GAMES_STEPS), and the check of the options file they leave.

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
hofTitle="quibo High Scores Hall of Fame"
export game loadButton frontBox away hofTitle

TWO_GAMES_STEPS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/two-games-steps.sh
export TWO_GAMES_STEPS

# Both players' entries are in the options file, and nothing else is left
# beside it.
both_entries_kept() {
  local file left
  file=$(find "$home" -name boxOpts.pcg | head -n 1)
  [ -n "$file" ] || { echo "no options file was written"; return 1; }
  for name in AnnAlpha BobBravo; do
    grep -q -a "$name" "$file" || { echo "the Hall of Fame lost $name's entry ($file)"; return 1; }
  done
  left=$(find "$(dirname "$file")" -mindepth 1 ! -name boxOpts.pcg)
  [ -z "$left" ] || { echo "left beside the options file: $left"; return 1; }
}
