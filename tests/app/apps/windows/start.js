// Drives browser windows from the start-up script (nested loops run here) and exits with the
// number of the first failed check.
var step = 0;
function check(ok, what) {
  step++;
  if (!ok) { rtl.Alert("check " + step + " failed: " + what); rtl.Quit(step); throw new Error(what); }
}
function throws(f) { try { f(); return false; } catch (e) { return e.message || true; } }

// A browser made from a URL opens it relative to rtl.BaseUrl, hidden.
var b = rtl.Browser("second.html");
check(b.BaseUrl == "ulka:", "BaseUrl " + b.BaseUrl);
check(b.Wait(20000), "Wait for second.html");
check(b.Browser.LocationURL == "ulka:second.html", "LocationURL " + b.Browser.LocationURL);
check(b.Browser.LocationName == "Second", "LocationName " + b.Browser.LocationName);
check(!b.Browser.Busy, "not busy");
check(b.Document.title == "Second", "Document.title");
check(b.Document.body.textContent.trim() == "second page", "document property chain: " + b.Document.body.textContent);

// Wait with a timeout returns before the page completes; without one it waits for it.
b.Open("second.html?again");
check(!b.Wait(1), "Wait(1) on a fresh navigation");
check(b.Wait(), "Wait()");

// Load of HTML text and bytes; anything else is refused.
check(b.Load("<html><head><title>Loaded text</title></head><body><img src='img/icon.png' id='i'></body></html>"), "Load text");
check(b.Wait(20000) && b.Document.title == "Loaded text", "loaded text title");
check(b.Load(rtl.MBStr("<title>Loaded bytes</title>")) && b.Wait(20000) && b.Document.title == "Loaded bytes", "Load bytes");
check(b.Load(5) === false, "Load of a number");

// Geometry before the window is shown.
var r = rtl.Rect(50, 60, 300, 200);
b.Bounds = r;
check(b.Bounds.IsEqual(r), "Bounds put then get: " + b.Bounds.Left + "," + b.Bounds.Top + "," + b.Bounds.Width + "x" + b.Bounds.Height);
b.ClientRect = rtl.Rect(10, 10, 410, 310);
var c = b.ClientRect;
check(c.Left == 0 && c.Top == 0 && c.Width == 410 && c.Height == 310, "ClientRect " + c.Width + "x" + c.Height);
check(throws(function () { b.Bounds = rtl.Object(); }), "Bounds with a non-Rect");
for (var style = 0; style <= 5; style++) { b.Border = style; check(b.Border == style, "Border " + style); }
b.Border = 2;

// Options.
check(b.NoScroll === false && b.NoSelection === false, "options start off");
b.NoScroll = true; b.NoSelection = true;
check(b.NoScroll && b.NoSelection, "options set");
b.NoScroll = false;
check(!b.NoScroll && b.NoSelection, "NoScroll cleared alone");

// Options apply to the next document loaded, not to the one shown.
b.NoScroll = true; b.NoSelection = true;
b.Open("style.html");
check(b.Wait(20000) && b.Browser.LocationName == "hidden none", "options in the next page: " + b.Browser.LocationName);
b.NoScroll = false; b.NoSelection = false;
check(b.Browser.LocationName == "hidden none", "page shown keeps its options");
b.Open("style.html");
check(b.Wait(20000) && b.Browser.LocationName.indexOf("visible") == 0, "options cleared: " + b.Browser.LocationName);

// Icon: applied only when the picture loads.
b.Icon = "img/icon.png";
check(b.Icon == "img/icon.png", "Icon");
b.Icon = "img/none.png";
check(b.Icon == "img/icon.png", "missing icon leaves the old one");

// WindowState needs a window; a browser without one fails.
var bare = rtl.Browser();
check(throws(function () { return bare.WindowState; }), "WindowState without a window");
check(b.WindowState == 0, "WindowState normal");

// Show, close (hides; the run goes on), show again.
b.Show();
rtl.Idle(200);
b.Close();
rtl.Idle(100);
check(b.External == null, "Close drops External");
b.Show();
rtl.Idle(100);

// A page that asks for a new window: the desktop gets the URL, no window is made.
b.Open("popup.html");
check(b.Wait(20000), "popup page");
rtl.Idle(300);

// ShowDialog: modal until the dialog's page closes it.
var d = rtl.Browser();
d.BaseUrl = "ulka:";
var ext = rtl.Object();
ext.dialog = d;
d.External = ext;
d.ShowDialog("dialog.html");
check(ext.answer == "from dialog", "dialog answered: " + ext.answer);

// Unknown members and wrong arguments raise script errors, never crash.
check(throws(function () { b.NoSuchMember(); }), "unknown member");
check(throws(function () { b.ClientRect = 5; }), "ClientRect with a number");

rtl.Quit(0);
