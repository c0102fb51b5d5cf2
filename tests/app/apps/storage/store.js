// Parameter 1 says what this run expects to find in localStorage ("none" or a value) and
// parameter 2 what to leave there; the exit code says whether the expectation held.
var rtl = window.external.rtl;
var found = localStorage.getItem("k");
var expected = rtl.Params(1);
var ok = expected == "none" ? found === null : found === expected;
localStorage.setItem("k", rtl.Params(2));
setTimeout(function () { rtl.Quit(ok ? 0 : 1); }, 200);
