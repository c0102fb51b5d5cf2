// A script that never stops taking memory; the ceiling stops it. Then the run goes on.
var kept = [];
try {
  for (;;) kept.push(new Array(100000).fill(kept.length));
} finally {
  console.log("unreachable: a stopped script runs no finally block");
}
