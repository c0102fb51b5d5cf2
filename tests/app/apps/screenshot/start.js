// Pictures of pages: a hidden window's page at the client size it was given, whenever it was
// given; and the main page's own window, asked for by the page itself.
function check(ok, what) {
  if (!ok) { rtl.Alert("screenshot: " + what); rtl.Quit(10); throw new Error(what); }
}
function picture(label, make, colour) {
  var b = rtl.Browser();
  make(b);
  b.Wait(10000);
  var shot = b.Screenshot();
  check(shot.Width == 400 && shot.Height == 300, label + ": " + shot.Width + "x" + shot.Height);
  check(shot.Pixels(200, 150) == colour, label + ": colour " + shot.Pixels(200, 150).toString(16));
  b.Close();
}
var red = rtl.MBStr("<body style='margin: 0; background: #ff0000'></body>");
picture("size given before", function (b) { b.ClientRect = rtl.Rect(0, 0, 400, 300); b.Load(red); }, 0xffff0000);
picture("size given after the page", function (b) { b.Load(red); b.Wait(10000); b.ClientRect = rtl.Rect(0, 0, 400, 300); }, 0xffff0000);
picture("a page of the application", function (b) { b.Open("ulka:index.html"); b.Wait(10000); b.ClientRect = rtl.Rect(0, 0, 400, 300); }, 0xff00ff00);
external.finish = function (verdict) {
  check(verdict == "ok", "the page's picture of its own window: " + verdict);
  rtl.Quit(0);
};
