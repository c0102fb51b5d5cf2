// A second window whose web process the test driver kills: the host keeps running, the view
// shows its error page and can navigate again.
var b = rtl.Browser("second.html");
b.Show();
b.Wait(20000);
b.Load("<title>Crash ready</title>");
b.Wait(20000);
for (var n = 0; n < 300 && b.Browser.LocationName != "Page ended"; n++) rtl.Idle(100);
if (b.Browser.LocationName != "Page ended") { rtl.Alert("no error page: " + b.Browser.LocationName); rtl.Quit(2); }
else {
  b.Open("second.html");
  b.Wait(20000);
  var title = b.Browser.LocationName;
  if (title != "Second") rtl.Alert("after the crash: " + title + " at " + b.Browser.LocationURL);
  rtl.Quit(title == "Second" && b.Document.title == "Second" ? 0 : 3);
}
