#!/usr/bin/env bash
# The script runner's contract: errors printed as "Error: %s\nAt Line: %d, %d", exit codes.
set -u
runner=$1
dir=$2
failed=0

expect() {  # expect NAME EXIT_CODE STDERR_PATTERN STDOUT_PATTERN -- ARGS...
  local name=$1 code=$2 errPattern=$3 outPattern=$4
  shift 5
  local out err rc
  out=$(timeout 60 "$runner" "$@" 2>/tmp/ulka-runner-err.$$)
  rc=$?
  err=$(cat /tmp/ulka-runner-err.$$)
  rm -f /tmp/ulka-runner-err.$$
  if [ "$rc" != "$code" ]; then echo "$name: exit $rc, expected $code ($err)"; failed=1; fi
  if ! [[ $err =~ $errPattern ]]; then echo "$name: stderr '$err' does not match '$errPattern'"; failed=1; fi
  if ! [[ $out =~ $outPattern ]]; then echo "$name: stdout '$out' does not match '$outPattern'"; failed=1; fi
}

expect syntax 1 '^Error: .+' '' -- "$dir/syntax.js"
expect syntax-line 1 'At Line: 2, [0-9]+' '' -- "$dir/syntax.js"
expect runtime 1 'Error: Can.t find variable: undefinedFunction' '' -- "$dir/throws.js"
expect runtime-position 1 'At Line: 2, [0-9]+' '' -- "$dir/throws.js"
expect host-error 1 'Error: Range check error' '' -- "$dir/host_error.js"
expect quit 3 '^$' '' -- "$dir/quit3.js"
expect args 0 '^$' '^2:a b:c$' -- "$dir/args.js" "a b" c
expect missing-file 2 'cannot open' '' -- "$dir/does-not-exist.js"
expect no-file 2 'usage' '' --
# The memory ceiling: a runaway script is stopped with an out-of-memory error.
ULKA_SCRIPT_MEMORY_LIMIT_MB=300 expect runaway 1 '^Error: Out of memory' '^$' -- "$dir/runaway.js"
ULKA_SCRIPT_MEMORY_LIMIT_MB=300 expect runaway-thread 1 '^Error: Out of memory' '^finished true$' -- "$dir/runaway_thread.js"
ULKA_SCRIPT_MEMORY_LIMIT_MB=300 expect runaway-engine 1 '^Error: Out of memory' '^caller goes on$' -- "$dir/runaway_engine.js"
# Script threads: errors reach the handler with their position, and threads still running when
# the script ends are stopped (or, when they cannot be, left behind after a grace period).
expect thread-errors 1 "Error: Can't find variable: undefinedInWorker"$'\n''At Line: 1, [0-9]+'$'\n''Error: callback failed' \
  '^,true,1,true$' -- "$dir/thread_errors.js"
expect thread-left-running 0 '^$' '^script ends$' -- "$dir/thread_left_running.js"
expect thread-stuck 4 'ulka-script: 1 script thread\(s\) did not stop within 5 s; exiting anyway' '' -- "$dir/thread_stuck.js"
exit $failed
