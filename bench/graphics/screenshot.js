// Times Screen.Screenshot() of the whole screen: prints the mean milliseconds of COUNT calls.
var count = Number(rtl.Params(1)) || 20;
var s = rtl.Screen();
s.Screenshot();
var start = Date.now();
for (var i = 0; i < count; i++) s.Screenshot();
console.log((Date.now() - start) / count);
