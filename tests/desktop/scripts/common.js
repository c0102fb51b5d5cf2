// Helpers shared by the desktop stand-ins' tests: each test file defines `cases`, a table of
// functions answering [got, want], and ends with runCases(cases).
var fso = rtl.CreateObject("Scripting.FileSystemObject");
var shell = rtl.CreateObject("WScript.Shell");

// A new, empty folder of the test's own under the temporary folder.
function scratchFolder(name) {
  var folder = shell.ExpandEnvironmentStrings("%TEMP%") + "/ulka-" + name + "-" + Math.floor(Math.random() * 1e9);
  fso.CreateFolder(folder);
  return folder;
}
// "message|number" of what f throws, or "no error".
function failure(f) {
  try { f(); return "no error"; } catch (e) { return e.message + "|" + e.number; }
}
// The number of a platform runtime error as scripts read it (0x800A0000 + n, signed).
function runtimeError(n) { return 0x800A0000 | n; }
function hex(a) {
  if (a === undefined || a === null) return String(a);
  return Array.prototype.map.call(a, function (x) { return (x < 16 ? "0" : "") + x.toString(16); }).join(" ");
}
function writeText(path, text) { var t = fso.CreateTextFile(path, true); t.Write(text); t.Close(); }
function readText(path) { var t = fso.OpenTextFile(path); var s = t.AtEndOfStream ? "" : t.ReadAll(); t.Close(); return s; }

function runCases(cases, cleanup) {
  var failures = [];
  for (var name in cases) {
    var r;
    try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "a result"]; }
    if (String(r[0]) !== String(r[1])) failures.push(name + ": got " + r[0] + ", want " + r[1]);
  }
  if (cleanup) cleanup();
  if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
  rtl.Quit(0);
}
