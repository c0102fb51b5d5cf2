// Zip object seen from a script. Each case returns [got, want]; failures are listed together.
function hex(a) {
  if (a === undefined) return "Empty";
  return Array.prototype.map.call(a, function (x) { return (x < 16 ? "0" : "") + x.toString(16).toUpperCase(); }).join("");
}
function bytes(list) { return new Uint8Array(list); }
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message + " " + e.number; } }
function text(a) { return a === undefined ? "Empty" : rtl.Str(a); }

// The scratch folder comes as the first argument (the test registration gives one in the build tree).
var temp = rtl.ParamCount > 0 ? rtl.Params(1) : "/tmp/ulka-zip-script/";
var page = rtl.MBStr("<html>page</html>");

function sample() { return rtl.Zip().Add("readme.txt", rtl.MBStr("read me")).Add("x/page.HTML", page); }

var cases = {
  "a new object is empty": function () { var z = rtl.Zip(); return [z.Length + " " + z.CodePage + " " + hex(z.Zip), "0 0 504B0506" + "00".repeat(18)]; },
  "Add chains and the object called extracts": function () { var z = sample(); return [text(z("README.TXT")) + "|" + z.Length, "read me|2"]; },
  "Extract of a missing name is Empty": function () { return [hex(sample().Extract("nope")), "Empty"]; },
  "IndexOf with a suffix": function () { var z = sample(); return [[z.IndexOf("*.html"), z.IndexOf("page.html"), z.IndexOf("X/PAGE.HTML")].join(), "1,-1,1"]; },
  "Add of text stores an empty entry": function () { var z = rtl.Zip().Add("t", "not bytes"); return [z.Length + " " + hex(z("t")), "1 Empty"]; },
  "Add of an existing name replaces its data": function () { var z = sample().Add("README.txt", bytes([1])); return [z.Length + " " + hex(z("readme.txt")), "2 01"]; },
  "Names read and put": function () { var z = sample(); z.Names(0, "renamed.txt"); return [z.Names(0) + " " + z.IndexOf("readme.txt"), "renamed.txt -1"]; },
  "Bytes read and put": function () { var z = sample(); z.Bytes(1, bytes([7, 8])); return [hex(z.Bytes(1)) + " " + hex(z.Bytes(5)), "0708 Empty"]; },
  "Bytes put beyond the last entry fails": function () { return [errorOf(function () { sample().Bytes(2, bytes([1])); }), "Index out of range. -2147418113"]; },
  "Dates get beyond the last entry fails": function () { return [errorOf(function () { sample().Dates(9); }), "Index out of range. -2147418113"]; },
  "Names with a negative index fails": function () { return [errorOf(function () { sample().Names(-1); }), "Index out of range. -2147418113"]; },
  "Dates round down to even seconds": function () {
    var z = sample();
    z.Dates(0, new Date(2020, 4, 17, 10, 20, 31));
    var d = z.Dates(0);
    return [d instanceof Date && d.getTime() === new Date(2020, 4, 17, 10, 20, 30).getTime(), true];
  },
  "Zip bytes load into a new object": function () { var z = rtl.Zip(sample().Zip); return [z.Length + " " + z.Names(1) + " " + rtl.Str(z("x/page.html")), "2 x/page.HTML <html>page</html>"]; },
  "Load answers false for what is no source": function () {
    var z = sample();
    return [[z.Load(12), z.Load(null), z.Load(temp + "missing.zip"), z.Length].join(), "false,false,false,2"];
  },
  "Load of bytes without a header keeps the entries": function () { var z = sample(); return [z.Load(rtl.MBStr("no zip")) + " " + z.Length, "true 2"]; },
  "a file made by the zip tool": function () { var z = rtl.Zip("../fixtures/info_plain.zip"); return [z.Length + " " + z.Names(0) + " " + rtl.Str(z("hello.txt")), "2 hello.txt hello world hello world\n"]; },
  "Save makes folders, Load reads the file": function () {
    var path = temp + "deep/er/out.zip";
    sample().Save(path);
    var z = rtl.Zip();
    return [z.Load(path) + " " + z.Length, "true 2"];
  },
  "AddFile takes the file name part or the name given": function () {
    rtl.SaveFile(temp + "src/one.txt", rtl.MBStr("one"));
    var z = rtl.Zip().AddFile(temp + "src/one.txt").AddFile(temp + "src/one.txt", "a\\b.txt").AddFile(temp + "src/none.txt");
    return [[z.Names(0), z.Names(1), z.Names(2), text(z("a/b.txt")), hex(z("none.txt"))].join(), "one.txt,a/b.txt,none.txt,one,Empty"];
  },
  "AddFolder puts files before subfolders": function () {
    rtl.SaveFile(temp + "site/index.html", page);
    rtl.SaveFile(temp + "site/img/a.png", bytes([137, 80]));
    var z = rtl.Zip().AddFolder(temp + "site", "web");
    var flat = rtl.Zip().AddFolder(temp + "site", "", false);
    return [z.Names(0) + "," + z.Names(1) + "," + z.Length + " " + flat.Length, "web/index.html,web/img/a.png,2 1"];
  },
  "CodePage is kept": function () { var z = rtl.Zip(); z.CodePage = 1251; z.Add("файл.txt", bytes([1])); return [z.CodePage + " " + z.Names(0) + " " + z.IndexOf("ФАЙЛ.TXT"), "1251 файл.txt 0"]; },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "no error"]; }
  if (r[0] !== r[1]) failures.push(name + ": got " + JSON.stringify(r[0]) + ", want " + JSON.stringify(r[1]));
}
["deep/er/out.zip", "src/one.txt", "site/index.html", "site/img/a.png"].forEach(function (f) { rtl.DeleteFile(temp + f); });
if (failures.length) { console.error(failures.join("\n")); rtl.Quit(1); } else rtl.Quit(0);
