# Sourced by the real-program tests:   . real-program-home.sh TOOL...
# Skips the test (exit 77) when one of the tools is missing, then makes a
# temporary home, removed at exit, that holds the program's settings and
# data folders, and has it use the X platform.
for tool in "$@"; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share
export XDG_DATA_DIRS=$home/share XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The steps the tests share inside the X server.
REAL_PROGRAM_STEPS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/real-program-steps.sh
export REAL_PROGRAM_STEPS
