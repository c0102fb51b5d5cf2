// The screen object through the script binding, on a private 640 x 480 X server.
var failures = [];
function check(ok, what) { if (!ok) failures.push(what); }
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function rect(r) { return [r.Left, r.Top, r.Right, r.Bottom].join(","); }

var s = rtl.Screen();
check(rect(s.Bounds) == "0,0,640,480", "Bounds " + rect(s.Bounds));
check(rect(rtl.GetScreenRect()) == "0,0,640,480", "GetScreenRect " + rect(rtl.GetScreenRect()));
check(rect(s.DesktopRect) == "0,0,640,480", "DesktopRect " + rect(s.DesktopRect));
check(s.Bounds !== s.Bounds, "Bounds is a new Rect each time");

s.MouseMove(100, 200);
check(s.MouseX == 100 && s.MouseY == 200, "MouseMove then MouseX, MouseY: " + s.MouseX + "," + s.MouseY);
s.MouseDown(); s.MouseUp(); s.MouseClick(); s.MouseClick(2); s.MouseDown(7); s.MouseUp(7);

var shot = s.Screenshot();
check(shot.Width == 640 && shot.Height == 480, "Screenshot() size " + shot.Width + "x" + shot.Height);
check(shot(5, 5) == 0xFF000000, "the empty screen is opaque black: " + shot(5, 5).toString(16));
var part = s.Screenshot(rtl.Rect(10, 10, 100, 50));
check(part.Width == 100 && part.Height == 50, "Screenshot(Rect) size " + part.Width + "x" + part.Height);
check(errorOf(function () { s.Screenshot("0,0,10,10"); }) == "Invalid class typecast", "Screenshot of a text");
check(errorOf(function () { s.MouseMove(1); }) != "no error", "MouseMove needs both coordinates");

if (failures.length) console.error(failures.join("\n"));
rtl.Quit(failures.length ? 1 : 0);
