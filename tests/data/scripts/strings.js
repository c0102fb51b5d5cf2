// Strings: a list of lines. Each case returns [got, want]; failures are listed together.
function hex(a) {
  if (a === undefined) return "Empty";
  return Array.prototype.map.call(a, function (x) { return (x < 16 ? "0" : "") + x.toString(16).toUpperCase(); }).join(" ");
}
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function lines(s) { var out = []; for (var i = 0; i < s.Length; i++) out.push(s(i)); return out.join("|"); }
function list(a) { var s = rtl.Strings(); a.forEach(function (x) { s.Add(x); }); return s; }
var folder = "/tmp/ulka-strings-test/" + Math.floor(Math.random() * 1e9) + "/";

var cases = {
  "Text put splits LF and CR LF": function () { var s = rtl.Strings(); s.Text = "a\nb\r\n"; return [s.Length + "|" + JSON.stringify(s.Text), '2|"a\\r\\nb\\r\\n"']; },
  "lone CRs and an empty line between": function () { return [lines(rtl.Strings("a\r\rb\r")), "a||b"]; },
  "NUL ends the text": function () { return [lines(rtl.Strings("a\u0000b")), "a"]; },
  "Strings() and Strings('') are empty": function () { return [rtl.Strings().Length + "|" + rtl.Strings("").Length + "|" + rtl.Strings().Text, "0|0|"]; },
  "Load of UTF-8 bytes drops the BOM": function () { var s = rtl.Strings(); return [s.Load(new Uint8Array([0xEF, 0xBB, 0xBF, 0x61])) + "|" + lines(s), "true|a"]; },
  "Load in 1252 keeps four characters": function () { var s = rtl.Strings(); s.Load(new Uint8Array([0xEF, 0xBB, 0xBF, 0x61]), 1252); return [s(0).length, 4]; },
  "Load of a number empties": function () { var s = list(["x"]); return [s.Load(5) + "|" + s.Length, "true|0"]; },
  "Load of a missing file keeps the lines": function () { var s = list(["x"]); return [s.Load(folder + "none.txt") + "|" + lines(s), "false|x"]; },
  "Save writes CR LF and no BOM": function () {
    list(["a", "b"]).Save(folder + "ab.txt");
    return [hex(rtl.LoadFile(folder + "ab.txt")), "61 0D 0A 62 0D 0A"];
  },
  "Save and Load in koi8-r": function () {
    list(["Привет"]).Save(folder + "koi.txt", 20866);
    var s = rtl.Strings(); s.Load(folder + "koi.txt", 20866);
    return [rtl.LoadFile(folder + "koi.txt").length + "|" + s(0), "8|Привет"];
  },
  "unusable code page": function () { return [errorOf(function () { list(["a"]).Save(folder + "x.txt", 12345); }), "Invalid code page"]; },
  "Save into a file as folder fails": function () {
    list(["a"]).Save(folder + "plain");
    return [errorOf(function () { list(["a"]).Save(folder + "plain/x.txt"); }).indexOf("Cannot create file") == 0, true];
  },
  "Add chains and keeps line breaks": function () { var s = rtl.Strings(); return [s.Add("a").Add("b\nc").Length, 2]; },
  "default member get and put": function () { var s = list(["a", "b"]); s(0, "z"); s.Lines(1, "y"); return [s(0) + s.Lines(1), "zy"]; },
  "RemoveAt and RemoveAll": function () { var s = list(["a", "b", "c"]); s.RemoveAt(1); var l = lines(s); s.RemoveAll(); return [l + "|" + s.Length, "a|c|0"]; },
  "index errors": function () {
    var s = list(["a"]);
    return [[errorOf(function () { s(1); }), errorOf(function () { s(-1, "x"); }), errorOf(function () { s.RemoveAt(3); })].join("|"),
      "List index out of bounds (1)|List index out of bounds (-1)|List index out of bounds (3)"];
  },
  "IndexOf ignores case": function () { var s = list(["x", "abc", "Äpfel"]); return [s.IndexOf("ABC") + "|" + s.IndexOf("äPFEL") + "|" + s.IndexOf("ab"), "1|2|-1"]; },
  "Sort ignores case": function () { var s = list(["b", "C", "a"]); s.Sort(); return [lines(s), "a|b|C"]; },
  "Values put appends and removes": function () {
    var s = rtl.Strings(); s.Values("key", 1); var t = s.Text; s.Values("KEY", "");
    return [JSON.stringify(t) + "|" + s.Length, '"key=1\\r\\n"|0'];
  },
  "Values put replaces the first line of the name": function () { var s = list(["a=1", "A=2"]); s.Values("a", "3"); return [lines(s), "a=3|A=2"]; },
  "names are not trimmed": function () { var s = list(["a = 1"]); return [s.Values("a") + "|" + s.Values("a ") + "|" + s.GetValue("a", "d"), "| 1|d"]; },
  "GetValue default and empty value": function () { var s = list(["e="]); return [s.GetValue("missing", "x") + "|" + s.GetValue("e", "x") + "|" + s.Values("missing") + "|" + s.GetValue("missing"), "x|||"]; },
  "value after the first =": function () { return [list(["x=y=z"]).Values("x"), "y=z"]; },
  "RemoveDuplicates() drops blank lines": function () { var s = list(["b", "a", "b", "", "  "]); s.RemoveDuplicates(); return [lines(s), "a|b"]; },
  "RemoveDuplicates(false) keeps one empty line": function () { var s = list(["x", "x", ""]); s.RemoveDuplicates(false); return [lines(s), "|x"]; },
  "RemoveDuplicates is exact about case": function () { var s = list(["Q", "q"]); s.RemoveDuplicates(); return [s.Length, 2]; },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "a result"]; }
  if (String(r[0]) !== String(r[1])) failures.push(name + ": got " + r[0] + ", want " + r[1]);
}
rtl.DeleteFile(folder + "ab.txt"); rtl.DeleteFile(folder + "koi.txt"); rtl.DeleteFile(folder + "plain");
if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
rtl.Quit(0);
