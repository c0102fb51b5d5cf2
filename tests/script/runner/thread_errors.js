// Errors in workers and in completion callbacks go to the handler with their position; the
// threads still finish and the script goes on to its end.
var failing = rtl.Thread(this, function () {
  undefinedInWorker();
  return "unreachable";
}).Start().Wait();
var throwing = rtl.Thread(this, function () { return 1; });
throwing.OnFinish(function () { throw new Error("callback failed"); });
throwing.Start().Wait();
console.log([failing.Result, failing.Finished, throwing.Result, throwing.Finished].join(","));
