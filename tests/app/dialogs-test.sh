#!/usr/bin/env bash
# The desktop's file dialogs, opened by a script and answered with the keyboard (xdotool): a typed
# path and Enter for the open dialog, a typed name for the save dialog (which adds the filter's
# extension), the location field for the folder dialog, Escape for cancel, and a selection
# widened with Shift for several files.
#   dialogs-test.sh ULKA_SCRIPT   (with a window manager: see with-window-manager.sh)
set -uo pipefail
script_runner=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $runner 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work/home GSETTINGS_BACKEND=memory
mkdir -p "$HOME" "$work/docs/sub"
printf 'r\n' > "$work/docs/report.txt"
printf 'o\n' > "$work/docs/other.TXT"
printf 'z\n' > "$work/docs/zeta.txt"

(cd "$work" && timeout -k 5 90 "$script_runner" "$here/desktop/dialogs.js" "$work/docs" > "$work/answers.txt" 2> "$work/errors.txt") &
runner=$!

# Waits for the dialog of that title, then sends it keys ("type:TEXT" types TEXT).
answer() {
  local title=$1 window
  shift
  # Asked again and again rather than with --sync: a search fails outright when some other window
  # goes away while it looks (the dialog before this one closing).
  for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -z "$window" ]; then echo "no dialog \"$title\"" >&2; return 1; fi
  xdotool windowactivate --sync "$window" 2>/dev/null
  sleep 0.5
  for key in "$@"; do
    case $key in
      type:*) xdotool type --delay 60 "${key#type:}" ;;
      *) xdotool key "$key" ;;
    esac
    sleep 0.4
  done
}

answer "Ulka open" ctrl+l "type:$work/docs/other.TXT" Return &&
answer "Ulka save" "type:notes" Return &&
answer "Ulka folder" ctrl+l "type:$work/docs/sub/" Return &&
answer "Ulka cancel" Escape &&
answer "Ulka multiple" shift+Down Return
wait $runner
code=$?

expected="open=$work/docs/other.TXT
save=$work/docs/notes.txt
folder=$work/docs/sub
cancel=<Empty>
multiple=[$work/docs/other.TXT,$work/docs/report.txt]"
if [ "$code" != 0 ] || [ "$(cat "$work/answers.txt")" != "$expected" ]; then
  echo "exit code $code; answers:" >&2
  cat "$work/answers.txt" "$work/errors.txt" >&2
  echo "--- expected:" >&2
  echo "$expected" >&2
  exit 1
fi
