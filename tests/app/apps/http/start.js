// Loads over http and the trust rules of pages: parameter 1 is the port of a loopback server that
// serves this folder, parameter 2 the folder's absolute path. Exits with the number of the first
// failed check.
var base = "http://127.0.0.1:" + rtl.Params(1) + "/";
var folder = rtl.Params(2);
var step = 0;
function check(ok, what) {
  step++;
  if (!ok) { rtl.Alert("check " + step + " failed: " + what); rtl.Quit(step); throw new Error(what); }
}
function thrown(f) { try { f(); return ""; } catch (e) { return String(e.message); } }
// Waits until the page's title starts with `prefix` (pages that navigate by themselves).
function titleOf(b, prefix) {
  for (var i = 0; i < 400 && b.Browser.LocationName.indexOf(prefix) != 0; i++) rtl.Idle(25);
  return b.Browser.LocationName;
}
function page(title) { return rtl.MBStr("<title>" + title + "</title>"); }

check(rtl.Str(rtl.Load(base + "data.txt")) == "over http", "Load over http");
check(rtl.IsEmpty(rtl.Load(base + "missing.txt")), "Load of a missing URL");
check(rtl.IsEmpty(rtl.Load("http://127.0.0.1:1/refused")), "Load of a refused URL");

// Schemes the engine serves itself can never be given to a handler, in any spelling.
var engineSchemes = ["http", "HTTP", "Https", "file", "FILE", "data", "blob", "about", "javascript", "JAVASCRIPT",
                     "ws", "wss", "ftp", "INSPECTOR"];
for (var i = 0; i < engineSchemes.length; i++) {
  var name = engineSchemes[i];
  check(thrown(function () { rtl.Protocol(name, function () { return page("taken"); }); }).indexOf("served by the web engine") > 0,
        "Protocol(" + name + ") refused");
}
check(thrown(function () { rtl.Protocol("no scheme", function () {}); }).indexOf("not a valid URL scheme") > 0, "invalid name");

var b = rtl.Browser();
var ext = rtl.Object();
ext.marker = "host";
b.External = ext;

// A page from the network never gets the host's objects as window.external...
b.Open(base + "net.html");
check(b.Wait(20000), "net.html over http");
var shown = b.Browser.LocationName;
check(shown == "marker undefined" || shown == "marker none", "network page: " + shown);
// ...while the same page from the application's own scheme does.
b.Open("ulka:net.html");
check(b.Wait(20000) && b.Browser.LocationName == "marker host", "application page: " + b.Browser.LocationName);

// A network page can neither embed nor fetch the application's files.
b.Open(base + "embed.html");
check(titleOf(b, "embedded") == "embedded none", "network page embedding ulka: " + b.Browser.LocationName);

// A file page the host opens is trusted; one that page navigates to is not.
var fileBase = "file://" + folder + "/";
b.Open(fileBase + "net.html");
check(b.Wait(20000) && b.Browser.LocationName == "marker host", "file page the host opened: " + b.Browser.LocationName);
b.Open(fileBase + "hop.html");
b.Wait(20000);
check(titleOf(b, "marker") == "marker none", "file page reached by navigation: " + b.Browser.LocationName);

// Trust given by a registration ends when the registration does.
var mine = rtl.Protocol("mine", function (name) { return rtl.Load("ulka:net.html"); });
b.Open("mine:net.html");
check(b.Wait(20000) && b.Browser.LocationName == "marker host", "page of a registered scheme: " + b.Browser.LocationName);
mine.Unregister();
b.BaseUrl = "mine:";
b.Load(rtl.Load("ulka:net.html"));
b.Wait(20000);
check(titleOf(b, "marker") == "marker none", "page of a released scheme: " + b.Browser.LocationName);
b.Close();
rtl.Quit(0);
