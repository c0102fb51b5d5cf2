#!/usr/bin/env bash
# Command-line manners: --help and --version of every program, unknown options, and the launcher
# saying on standard error what it could not find, while it still shows its window.
#   cli-test.sh ULKA ULKA-SCRIPT ULKA-PACK
set -uo pipefail
ulka=$1 script=$2 pack=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_CACHE_HOME=$work/home/cache ULKA_MESSAGEBOX_ANSWER=1
mkdir -p "$HOME"
passed=0 failed=0

fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

# check EXPECTED-CODE TEXT COMMAND...: the command exits with the code and prints the text.
check() {
  local expected=$1 text=$2
  shift 2
  local output code
  output=$(timeout -k 5 30 "$@" 2>&1)
  code=$?
  if [ "$code" != "$expected" ]; then fail "$* exited with $code, expected $expected: $output"; return; fi
  case $output in *"$text"*) passed=$((passed + 1)) ;; *) fail "$* did not say \"$text\": $output" ;; esac
}

check 0 "usage: ulka [--inspect] APP" "$ulka" --help
check 0 "usage: ulka [--inspect] APP" "$ulka" -h
check 0 "ulka 1.0" "$ulka" --version
check 0 "usage: ulka-script FILE" "$script" --help
check 0 "ulka-script 1.0" "$script" --version
check 0 "usage: ulka-pack" "$pack" --help
check 0 "ulka-pack 1.0" "$pack" --version
check 2 "ulka: unknown option --bogus" "$ulka" --bogus app.html
check 2 "ulka-script: unknown option --bogus" "$script" --bogus
check 2 "usage: ulka-script" "$script"
# No application: nothing opens, exit 0 as ever, and a word on standard error.
check 0 "ulka: no application given" "$ulka"
printf 'not a page' > "$work/readme.txt"
(cd "$work" && zip -q nopage.zip readme.txt)
check 0 "ulka: $work/nopage.zip has no start page" "$ulka" "$work/nopage.zip"

# window-check TEXT ARGS...: ulka says TEXT and still opens its window (the not-found page).
window_check() {
  local text=$1
  shift
  if [ -z "${DISPLAY:-}" ]; then echo "no display: the window cases need one"; return; fi
  "$ulka" "$@" 2>"$work/stderr" &
  local pid=$! shown=no
  for _ in $(seq 450); do  # generous: a loaded machine starts web views slowly
    if xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; then shown=yes; break; fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  if [ "$shown" != yes ]; then fail "ulka $* opened no window"; return; fi
  if grep -qF "$text" "$work/stderr"; then passed=$((passed + 1)); else fail "ulka $* did not say \"$text\": $(cat "$work/stderr")"; fi
}

window_check "ulka: cannot find $work/missing.zip" "$work/missing.zip"
mkdir -p "$work/folder"
window_check "ulka: $work/folder is a folder, not a start page" "$work/folder/"
window_check "ulka: $work/folder is a folder, not a start page" "$work/folder"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
