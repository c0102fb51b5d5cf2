// Runs before the page opens; checks what the launcher set up, then waits for the page's verdict
// through a scheme of its own.
function check(ok, what) {
  if (!ok) { rtl.Alert("start.js: " + what); rtl.Quit(10); throw new Error(what); }
}
check(rtl.BaseUrl == "ulka:", "BaseUrl " + rtl.BaseUrl);
check(rtl.ParamCount == 2 && rtl.Params(1) == "one" && rtl.Params(2) == "two", "params " + rtl.ParamCount);
check(external.version == "1.2.3", "version");
check(rtl.Str(rtl.Load("data.txt")) == "hello data", "Load through the scheme");
check(rtl.Str(rtl.Load("ulka:a b.txt")) == "spaced", "Load of a name with a space");
check(rtl.IsEmpty(rtl.Load("ulka:missing.txt")), "Load of a missing name");
check(rtl.GetSpecialFolderPath(5).slice(-1) == "/", "documents folder");
var r = rtl.WindowRect();
check(r.Width > 0, "main window exists: " + r.Width);
var verdicts = [];
// The page reports "report:ok" or "report:fail/<what>".
rtl.Protocol("report", function (name) {
  if (name == "ok") rtl.Quit(0);
  else { rtl.Alert("page: " + decodeURIComponent(name)); rtl.Quit(20); }
  return rtl.MBStr("done");
});
