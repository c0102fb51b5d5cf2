// FileList: files found by a mask. Each case returns [got, want].
function hex(a) {
  if (a === undefined) return "Empty";
  return Array.prototype.map.call(a, function (x) { return (x < 16 ? "0" : "") + x.toString(16); }).join("");
}
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function names(l, base) { var out = []; for (var i = 0; i < l.Length; i++) out.push(l(i).FullName.substring(base.length)); return out.join("|"); }
var folder = "/tmp/ulka-filelist-test/" + Math.floor(Math.random() * 1e9) + "/";
var bytes = new Uint8Array([97, 98, 99]);
["b.txt", "a.txt", ".hidden.txt", "c.dat", "report.final.txt", "sub/d.txt", "sub/deeper/e.txt", ".hid/f.txt"].forEach(function (n) {
  rtl.SaveFile(folder + n, bytes);
});
rtl.Strings().Save(folder + "empty.bin");  // an empty file

var cases = {
  "plain files of the folder, hidden ones skipped": function () { return [names(rtl.FileList(folder + "*.txt"), folder), "a.txt|b.txt|report.final.txt"]; },
  "subfolders after the files": function () {
    return [names(rtl.FileList(folder + "*.txt", true), folder), "a.txt|b.txt|report.final.txt|.hid/f.txt|sub/d.txt|sub/deeper/e.txt"];
  },
  "Path of a file in a subfolder": function () { var l = rtl.FileList(folder + "d.txt", true); return [l.Length + "|" + l(0).Path, "1|" + folder + "sub/"]; },
  "Add answers the count and repeats": function () { var l = rtl.FileList(); return [l.Add(folder + "?.txt") + "|" + l.Add(folder + "?.txt") + "|" + l.Length, "2|2|4"]; },
  "name parts": function () {
    var f = rtl.FileList(folder + "report*")(0);
    return [[f.Name, f.Extension, f.FileName, f.Size].join("|"), "report.final|.txt|report.final.txt|3"];
  },
  "Date is a date near now": function () { var d = rtl.FileList(folder + "a.txt")(0).Date; return [Math.abs(new Date(d) - new Date()) < 600000, true]; },
  "Hash of abc": function () { return [hex(rtl.FileList(folder + "a.txt")(0).Hash), "900150983cd24fb0d6963f7d28e17f72"]; },
  "Hash of an empty file is kept": function () {
    var f = rtl.FileList(folder + "empty.bin")(0); var first = hex(f.Hash);
    rtl.SaveFile(folder + "empty.bin", bytes);
    return [first + "|" + hex(f.Hash), "d41d8cd98f00b204e9800998ecf8427e|d41d8cd98f00b204e9800998ecf8427e"];
  },
  "Selected persists": function () { var l = rtl.FileList(folder + "*.txt"); l(0).Selected = 1; return [l(0).Selected + "|" + l.Items(1).Selected, "true|false"]; },
  "RemoveAt and RemoveAll": function () { var l = rtl.FileList(folder + "*.txt"); var held = l(0); l.RemoveAt(0); var n = l.Length; l.RemoveAll(); return [n + "|" + l.Length + "|" + held.FileName, "2|0|a.txt"]; },
  "missing folder": function () { return [rtl.FileList().Add(folder + "none/*.txt", true), 0]; },
  "index errors": function () {
    var l = rtl.FileList();
    return [errorOf(function () { l(0); }) + "|" + errorOf(function () { l.RemoveAt(-1); }), "List index out of bounds (0)|List index out of bounds (-1)"];
  },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "a result"]; }
  if (String(r[0]) !== String(r[1])) failures.push(name + ": got " + r[0] + ", want " + r[1]);
}
var all = rtl.FileList(folder + "*", true), hidden = [".hidden.txt", ".hid/f.txt"];
for (var i = 0; i < all.Length; i++) rtl.DeleteFile(all(i).FullName);
hidden.forEach(function (n) { rtl.DeleteFile(folder + n); });
if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
rtl.Quit(0);
