// Dates crossing between scripts and the host keep every millisecond, in any zone (the test runs
// in several) and before 1900, where the host's day count is negative but its fraction still
// runs forward.
@include check

function pad(n, width) { return ("000" + n).slice(-width); }
function localText(t, withMs) {
  var text = pad(t.getFullYear(), 4) + "-" + pad(t.getMonth() + 1, 2) + "-" + pad(t.getDate(), 2) + "T" +
             pad(t.getHours(), 2) + ":" + pad(t.getMinutes(), 2) + ":" + pad(t.getSeconds(), 2);
  return withMs ? text + "." + pad(t.getMilliseconds(), 3) : text;
}

var d = rtl.Dictionary();
d.Add("x", new Date(5));
eq(d("x").getTime(), 5, "a date 5 ms after the epoch");

var table = [
  [2001, 4, 21, 0, 18, 0, 0], [2001, 4, 21, 0, 18, 0, 1], [2001, 4, 21, 0, 18, 59, 999],
  [1850, 6, 15, 12, 30, 45, 0], [1899, 12, 29, 6, 0, 0, 0], [1899, 12, 30, 23, 59, 59, 999],
  [1601, 1, 1, 0, 0, 0, 0], [1900, 1, 1, 0, 0, 0, 1], [9999, 12, 31, 23, 59, 59, 999],
];
table.forEach(function (f) {
  var t = new Date(f[0], f[1] - 1, f[2], f[3], f[4], f[5], f[6]);
  var name = localText(t, true);
  d.Add(name, t);
  eq(d(name).getTime(), t.getTime(), name + " through a dictionary");
  eq(rtl.DateToStr(t).slice(0, 19), localText(t, false), name + " by DateToStr");
  var back = rtl.StrToDate(name.replace("T", " "), 0);
  eq(back.getTime(), t.getTime(), name + " by StrToDate");
  eq(rtl.DateToStr(back).slice(0, 19), localText(t, false), name + " by StrToDate and DateToStr");
});
done();
