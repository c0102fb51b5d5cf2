// Without a display: the screen and the clipboard fail clearly (or answer false where their members
// answer a flag); bitmaps and the rest of the runtime work as ever.
var failures = [];
function check(ok, what) { if (!ok) failures.push(what); }
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
var noDisplay = "Cannot reach the screen: there is no display";

var s = rtl.Screen();
check(errorOf(function () { return s.Bounds; }) == noDisplay, "Bounds: " + errorOf(function () { return s.Bounds; }));
check(errorOf(function () { return s.MouseX; }) == noDisplay, "MouseX");
check(errorOf(function () { s.MouseMove(1, 2); }) == noDisplay, "MouseMove");
check(errorOf(function () { s.MouseClick(); }) == noDisplay, "MouseClick");
check(errorOf(function () { s.Screenshot(); }) == noDisplay, "Screenshot");
check(errorOf(function () { rtl.GetScreenRect(); }) == noDisplay, "GetScreenRect");

var b = rtl.Bitmap(3, 3);
b.Fill(0xFF102030);
check(b.CanPaste === false, "CanPaste");
check(b.Paste() === false && b(1, 1) == 0xFF102030, "Paste answers false and keeps the pixels");
check(errorOf(function () { b.Copy(); }) == noDisplay, "Copy: " + errorOf(function () { b.Copy(); }));
check(rtl.Bitmap(b.PNG())(2, 2) == 0xFF102030, "bitmaps work");
check(rtl.Bytes(new Uint8Array([1, 2])).Length == 2, "the runtime works");

if (failures.length) console.error(failures.join("\n"));
rtl.Quit(failures.length ? 1 : 0);
