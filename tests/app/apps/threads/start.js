// Workers of the windowed host: they reach windows through the main thread, and the program ends
// with them still running. Exits with the number of the first failed check.
var step = 0;
function check(ok, what) {
  step++;
  if (!ok) { rtl.Alert("check " + step + " failed: " + what); rtl.Quit(step); throw new Error(what); }
}

// A worker reads the main window and a browser of its own through the main thread.
var second = rtl.Browser();
second.Bounds = rtl.Rect(10, 20, 300, 200);
var reader = rtl.Thread(this, function () {
  var main = rtl.WindowRect();
  var b = this.second.Bounds;
  return [main.Width > 0, b.Width, b.Height, typeof this.second].join(",");
}).AddParam("second", second).Start().Wait();
check(reader.Result == "true,300,200,object", "worker reading windows: " + reader.Result);

// A worker that calls a window after it was closed gets an answer or an error, never a crash.
second.Close();
var late = rtl.Thread(this, function () {
  try { this.second.Bounds = rtl.Rect(0, 0, 50, 50); return "answered"; } catch (e) { return "failed"; }
}).AddParam("second", second).Start().Wait();
check(late.Result == "answered" || late.Result == "failed", "worker calling a closed window: " + late.Result);

// A worker's Sync runs here, in the start-up script's scope, while this script waits.
var fromScript = "start-up script";
var syncer = rtl.Thread(this, function () { return this.Sync(function () { return fromScript; }); }).Start().Wait();
check(syncer.Result == "start-up script", "Sync in the start-up script: " + syncer.Result);

// Left running when the program ends: one polls Stopped, one never looks.
rtl.Thread(this, function () { while (!this.Stopped) rtl.Sleep(5); }).Start();
rtl.Thread(this, function () { for (;;) {} }).Start();
rtl.Quit(0);
