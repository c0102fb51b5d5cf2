// rtl.Load reaches http URLs (a loopback server the driver started; its port is parameter 1).
var base = "http://127.0.0.1:" + rtl.Params(1) + "/";
var code = 0;
if (rtl.Str(rtl.Load(base + "data.txt")) != "over http") code = 1;
else if (!rtl.IsEmpty(rtl.Load(base + "missing.txt"))) code = 2;
else if (!rtl.IsEmpty(rtl.Load("http://127.0.0.1:1/refused"))) code = 3;
// A page from the network never gets the host's objects as window.external.
if (code == 0) {
  var b = rtl.Browser();
  var ext = rtl.Object();
  ext.marker = "host";
  b.External = ext;
  b.Open(base + "net.html");
  b.Wait(20000);
  if (b.Browser.LocationName != "marker undefined" && b.Browser.LocationName != "marker none") code = 4;
  // The same page from the application's own scheme does get it.
  b.Open("ulka:net.html");
  b.Wait(20000);
  if (code == 0 && b.Browser.LocationName != "marker host") code = 5;
}
rtl.Quit(code);
