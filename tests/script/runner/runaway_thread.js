// A worker runs away with memory; the ceiling stops it with an out-of-memory error and the script
// goes on.
var t = rtl.Thread(this, function () {
  var kept = [];
  for (;;) kept.push(new Array(100000).fill(1));
}).Start().Wait();
console.log("finished " + t.Finished);
