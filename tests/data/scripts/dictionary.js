// Dictionary and its text form. Each case returns [got, want]; failures are listed together.
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function keys(d) { var k = []; for (var i = 0; i < d.Length; i++) k.push(d.Keys(i)); return k.join(","); }
function loaded(text) { var d = rtl.Dictionary(); var ok = d.LoadJSON(text); return ok + "|" + d.JSON(); }

var cases = {
  "duplicates, last added wins": function () { var d = rtl.Dictionary(); d.Add("a", 1).Add("A", 2); return [d.Length + "|" + d.IndexOf("a") + "|" + d("a") + "|" + d.Values("a"), "2|1|2|2"]; },
  "Values put appends, then replaces": function () { var d = rtl.Dictionary(); d.Values("x", 1); var n = d.Length; d("X", 2); return [n + "|" + d.Length + "|" + d.Items(0), "1|1|2"]; },
  "missing keys": function () { var d = rtl.Dictionary(); d.Remove("z"); return [d.IndexOf("z") + "|" + d.Contains("z") + "|" + d("z"), "-1|false|undefined"]; },
  "properties are entries": function () { var d = rtl.Dictionary(); d.color = 1; d.Add("size", 3); return [d.Values("COLOR") + "|" + d.SIZE + "|" + keys(d), "1|3|color,size"]; },
  "member names win over entries": function () { var d = rtl.Dictionary(); d.Add("Length", 9); return [d.Length + "|" + d("length"), "1|9"]; },
  "an entry holding a function is a method": function () { var d = rtl.Dictionary(); d.f = function (x) { return x * 2; }; return [d.f(21), 42]; },
  "calling a plain entry fails": function () { var d = rtl.Dictionary(); d.x = 5; return [errorOf(function () { d.x(); }) !== "no error", true]; },
  "Keys and Items put": function () { var d = rtl.Dictionary(); d.Add("a", 1); d.Keys(0, "b"); d.Items(0, "v"); return [keys(d) + "|" + d.b + "|" + d.Contains("a"), "b|v|false"]; },
  "RemoveAt and RemoveAll": function () { var d = rtl.Dictionary(); d.Add("a", 1).Add("b", 2).Add("c", 3); d.RemoveAt(1); var k = keys(d); d.RemoveAll(); return [k + "|" + d.Length, "a,c|0"]; },
  "Remove takes the entry found": function () { var d = rtl.Dictionary(); d.Add("a", 1).Add("a", 2); d.Remove("A"); return [d.Length + "|" + d("a"), "1|1"]; },
  "Sort": function () { var d = rtl.Dictionary(); d.Add("b", 1).Add("A", 2).Add("c", 3); d.Sort(); return [keys(d) + "|" + d("b"), "A,b,c|1"]; },
  "RemoveAt out of range": function () { return [errorOf(function () { rtl.Dictionary().RemoveAt(0); }), "List index out of bounds (0)"]; },
  "Keys out of range": function () { var d = rtl.Dictionary(); d.Add("a", 1); return [errorOf(function () { d.Keys(1); }), "List index out of bounds (1)"]; },
  "Items put out of range": function () { return [errorOf(function () { rtl.Dictionary().Items(-1, 5); }), "List index out of bounds (-1)"]; },
  "JSON of simple values": function () { var d = rtl.Dictionary(); d.Add("a", 1).Add("c", true).Add("d", 2.5); return [d.JSON(), "{a:1,c:true,d:2.5}"]; },
  "JSON escapes a quote": function () { var d = rtl.Dictionary(); d.Add("s", 'x"y'); return [d.JSON(), '{s:"x\\"y"}']; },
  "JSON of an empty dictionary": function () { return [rtl.Dictionary().JSON(), "{}"]; },
  "JSON of a value with no text": function () { var d = rtl.Dictionary(); d.Add("a", null); return [d.JSON(), "{a:}"]; },
  "JSON of large and small numbers": function () { var d = rtl.Dictionary(); d.Add("a", 1e20).Add("b", 1.5e-7).Add("c", -7).Add("e", 3000000000); return [d.JSON(), "{a:1E20,b:1.5E-7,c:-7,e:3000000000}"]; },
  "LoadJSON nested": function () { var d = rtl.Dictionary(); var ok = d.LoadJSON('{a:1,b:{c:"x"},d:true}'); return [ok + "|" + d.Length + "|" + d("b")("c") + "|" + d.b.c + "|" + (d.d === true) + "|" + d.JSON(), 'true|3|x|x|true|{a:1,b:{c:"x"},d:true}']; },
  "LoadJSON keeps quotes in keys": function () { var d = rtl.Dictionary(); d.LoadJSON('{"a":1}'); return [d.Keys(0).length + "|" + d.Keys(0), '3|"a"']; },
  "LoadJSON replaces the entries": function () { var d = rtl.Dictionary(); d.Add("old", 1); d.LoadJSON("{n:2}"); return [keys(d), "n"]; },
  "LoadJSON with a leading space": function () { return [loaded(" {a:1}"), "false|{}"]; },
  "LoadJSON of two points": function () { return [loaded("{a:1.2.3}"), "false|{}"]; },
  "LoadJSON of an unknown word keeps what came before": function () { return [loaded("{a:12,b:x}"), "false|{a:12}"]; },
  "LoadJSON to the end of the text": function () { return [loaded("{a:1"), "true|{a:1}"]; },
  "LoadJSON of null": function () { return [loaded("{a:null}"), "false|{}"]; },
  "LoadJSON of a negative number": function () { return [loaded("{a:-1}"), "true|{a:-1}"]; },
  "LoadJSON of an 11-digit integer": function () { var d = rtl.Dictionary(); d.LoadJSON("{a:99999999999}"); return [d("a"), 99999999999]; },
  "LoadJSON of a missing value": function () { var d = rtl.Dictionary(); var ok = d.LoadJSON("{a:,b:2}"); return [ok + "|" + d("a") + "|" + d.Contains("a") + "|" + d("b"), "true|undefined|true|2"]; },
  "strings round trip": function () {
    var values = ["C:\\dir\\", "\\", "\\n stays", "line\r\nbreak\ttab", "\u0000\u0001\u001f", "\u00e9t\u00e9 \ud83d\ude00", '"quoted"', "{a:1},}:"];
    var d = rtl.Dictionary();
    values.forEach(function (v, i) { d.Add("k" + i, v); });
    var back = rtl.Dictionary();
    var ok = back.LoadJSON(d.JSON());
    var same = values.every(function (v, i) { return back("k" + i) === v; });
    return [ok + "|" + same + "|" + back.Length, "true|true|" + values.length];
  },
  // Backslashes are written as they stand; a value the double-quoted form cannot hold (one that
  // ends in a backslash) goes between single quotes. Text of that form from elsewhere reads back as
  // written, a Windows path included.
  "backslashes as they stand": function () {
    var d = rtl.Dictionary();
    d.Add("p", "C:\\temp\\new").Add("q", "a\\").Add("u", "\\\\host\\share");
    var back = rtl.Dictionary();
    var read = back.LoadJSON('{p:"C:\\temp\\new",q:"say \\"hi\\""}');
    return [d.JSON() + "|" + read + "|" + back("p") + "|" + back("q"),
            '{p:"C:\\temp\\new",q:\'a\\\',u:"\\\\host\\share"}|true|C:\\temp\\new|say "hi"'];
  },
  "deep nesting is refused": function () {
    var n = 1000000;
    var d = rtl.Dictionary();
    return [d.LoadJSON("{a:".repeat(n) + "1" + "}".repeat(n)) + "|" + d.Length, "false|0"];
  },
  "a dictionary holding itself": function () {
    var d = rtl.Dictionary();
    d.me = d;
    var e = errorOf(function () { d.JSON(); });
    d.RemoveAll();
    return [e, "Dictionary nested too deeply or contains itself"];
  },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "a result"]; }
  if (String(r[0]) !== String(r[1])) failures.push(name + ": got " + r[0] + ", want " + r[1]);
}
if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
rtl.Quit(0);
