// Shared by the script tests: collects failed expectations and sets the exit code.
var failures = [];

function show(value) {
  if (value instanceof Uint8Array) return "Uint8Array[" + Array.prototype.join.call(value, ",") + "]";
  if (typeof value === "string") return JSON.stringify(value);
  return String(value);
}

function eq(actual, expected, what) {
  if (actual !== expected) failures.push(what + ": got " + show(actual) + ", expected " + show(expected));
}

function ok(condition, what) {
  if (!condition) failures.push(what);
}

// Runs f and answers the error it throws (undefined when it does not throw).
function thrown(f) {
  try { f(); } catch (e) { return e; }
  return undefined;
}

function bytes() { return new Uint8Array(Array.prototype.slice.call(arguments)); }

function done() {
  if (failures.length) {
    console.error(failures.join("\n"));
    rtl.Quit(1);
  } else {
    rtl.Quit(0);
  }
}
