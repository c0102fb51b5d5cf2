// Application pages on their own origin, in every kind of view: the main window, a side bar, a
// window of rtl.Browser and a modal window. Parameter 1 is "write" or "read" (the storage check).
// The external object is as a page expects it: "browser" and "settings" are there already, and a
// member nobody set reads as undefined.
function check(ok, what) {
  if (!ok) { rtl.Alert("start.js: " + what); rtl.Quit(10); throw new Error(what); }
}
check(typeof external.browser == "object" && external.settings.Tag == "settings", "browser and settings");
check(external.version === undefined && !("version" in external), "version without the attribute");
check(external.rightbar === undefined && "leftbar" in external, "side bars");
external.mode = rtl.Params(1);
check(Object.keys(external).join(",") == "browser,settings,leftbar,mode", "keys: " + Object.keys(external).join(","));

var results = rtl.Dictionary();
var expected = ["main", "bar", "browser", "modal", "storage"];
var other, modal, finished = false;
external.report = function (name, verdict) {
  if (finished) return;
  results.Add(String(name), String(verdict));
  if (name == "main") {
    other = rtl.Browser();
    other.External = external;
    other.Open("ulka:checks.html#browser");
  }
  if (name == "browser") {
    modal = rtl.Browser();
    modal.External = external;
    modal.ShowDialog("ulka:checks.html#modal");
  }
  if (name == "modal") modal.Close();
  for (var i = 0; i < expected.length; i++) if (!results.Contains(expected[i])) return;
  finished = true;
  var failures = [];
  for (var i = 0; i < expected.length; i++) {
    if (results(expected[i]) != "ok") failures.push(expected[i] + ": " + results(expected[i]));
  }
  if (failures.length) { rtl.Alert(failures.join("\n")); rtl.Quit(20); return; }
  // The reports of the deliberate errors reach standard error before the run ends.
  rtl.Idle(500);
  rtl.Quit(0);
};
