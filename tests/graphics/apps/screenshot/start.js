// Screenshots of a page with known colours at known places, and mouse clicks that the page
// records; exits with the number of the first failed check.
var step = 0;
function check(ok, what) {
  step++;
  if (!ok) { rtl.Alert("check " + step + " failed: " + what); rtl.Quit(step); throw new Error(what); }
}
function throws(f) { try { f(); return false; } catch (e) { return e.message || true; } }
function hex(v) { return (v >>> 0).toString(16); }

check(throws(function () { rtl.Browser().Screenshot(); }) == "The browser has no document", "no document");

var b = rtl.Browser("colours.html");

check(b.Wait(20000), "the page loads");
rtl.Idle(200);

// The window was never shown: the picture comes from the engine, not from the screen.
var shot = b.Screenshot();
check(shot.Width == 570 && shot.Height == 435, "size " + shot.Width + "x" + shot.Height);
check(shot(10, 10) == 0xFFFF0000, "red at 10,10: " + hex(shot(10, 10)));
check(shot(99, 49) == 0xFFFF0000 && shot(100, 50) == 0xFF008000, "the red box ends at 100,50: " + hex(shot(100, 50)));
check(shot(230, 120) == 0xFF0000FF, "blue at 230,120: " + hex(shot(230, 120)));
check(shot(399, 299) == 0xFF008000, "green in the corner: " + hex(shot(399, 299)));

var part = b.Screenshot(rtl.Rect(190, 90, 30, 30));
check(part.Width == 30 && part.Height == 30, "part size " + part.Width + "x" + part.Height);
check(part(5, 5) == 0xFF008000 && part(15, 15) == 0xFF0000FF, "part colours " + hex(part(5, 5)) + " " + hex(part(15, 15)));
check(b.Screenshot(rtl.Rect(0, 0, 100, 50)).Width == 100, "Screenshot(Rtl.Rect(0, 0, 100, 50))");

// Shown at a known place (no window manager moves it), the page gets real clicks.
b.Bounds = rtl.Rect(30, 40, 400, 300);
b.Show();
rtl.Idle(500);
var s = rtl.Screen();
function click(button, x, y, expected) {
  s.MouseMove(b.Bounds.Left + x, b.Bounds.Top + y);
  s.MouseClick(button);
  for (var waited = 0; waited < 5000 && b.Document.title != expected; waited += 50) rtl.Idle(50);
  return b.Document.title;
}
var title = click(0, 50, 60, "down 0 50,60");
check(title == "down 0 50,60", "left click: " + title);
title = click(2, 220, 110, "down 2 220,110");
check(title == "down 2 220,110", "right click: " + title);

// The screen shows the same page where the window is.
var onScreen = s.Screenshot(rtl.Rect(b.Bounds.Left, b.Bounds.Top, 400, 300));
check(onScreen(10, 10) == 0xFFFF0000 && onScreen(230, 120) == 0xFF0000FF, "the screen shows the page: " + hex(onScreen(10, 10)));

rtl.Quit(0);
