// What a page from the network can reach: the application's files, by every route the engine has,
// at top level and in a frame of an application page; and the desktop, without the user asking.
// Parameter 1 is the port of a loopback server that serves this folder, parameter 2 the folder's
// absolute path. Exits with the number of the first failed check.
var port = rtl.Params(1);
var folder = rtl.Params(2);
var base = "http://127.0.0.1:" + port + "/";
var step = 0;
function check(ok, what) {
  step++;
  if (!ok) { rtl.Alert("check " + step + " failed: " + what); rtl.Quit(step); throw new Error(what); }
}
// Waits until the page's title starts with `prefix`.
function titleOf(b, prefix) {
  for (var i = 0; i < 800 && b.Browser.LocationName.indexOf(prefix) != 0; i++) rtl.Idle(25);
  return b.Browser.LocationName;
}

// A second scheme of the application, whose handler notes every name it is asked for.
var asked = [];
rtl.Protocol("vault", function (name) {
  asked.push(String(name));
  return rtl.Load("ulka:" + name);
});

var b = rtl.Browser();
b.Open(base + "routes.html?schemes=ulka,vault");
var seen = titleOf(b, "routes ");
check(seen == "routes ulka:none vault:none", "a network page read the application's files: " + seen);
b.Open("ulka:framed.html#" + port);
seen = titleOf(b, "framed ");
check(seen == "framed routes ulka:none vault:none", "a network frame read the application's files: " + seen);
check(asked.length == 0, "a network page reached the handler for: " + asked.join(", "));

// The application's own pages reach their files by every route, and those of its other schemes
// by the routes that may cross origins.
b.Open("ulka:self.html#schemes=ulka,vault");
seen = titleOf(b, "routes ");
var own = "async-xhr,css-import,embed,fetch,fetch-no-cors,iframe,img,import,importScripts,module-script," +
          "module-worker,object,script,stylesheet,svg-image,sync-xhr,worker";
// Workers start only from their own origin; a no-cors answer from another origin is opaque.
var other = "async-xhr,css-import,embed,fetch,iframe,img,import,importScripts,module-script,object,script," +
            "stylesheet,svg-image,sync-xhr";
check(seen == "routes ulka:" + own + " vault:" + other, "the application's own page: " + seen);
check(asked.length > 0, "the application's own page never reached the handler");

// Local file pages keep their own rules: none in a frame of an application page, and one reached
// by a link reads no other file.
b.Open("ulka:file-frame.html#" + encodeURIComponent(folder));
check(titleOf(b, "file frame ") == "file frame refused", "a file page in an application frame: " + b.Browser.LocationName);
var files = rtl.Browser();
files.Open("file://" + folder + "/file-hop.html");
check(titleOf(files, "peek ") == "peek refused", "a file page reached by a link: " + files.Browser.LocationName);
files.Close();

// Neither a network page nor a network frame makes the desktop open anything without a click
// (the test's runner reads what was asked of the desktop).
b.Open(base + "popups.html");
check(titleOf(b, "popups done") == "popups done", "network popups page: " + b.Browser.LocationName);
b.Open("ulka:framed-popups.html#" + port);
check(titleOf(b, "framed popups done") == "framed popups done", "framed popups page: " + b.Browser.LocationName);
b.Close();
rtl.Quit(0);
