// Run by hostile-files-test.sh with a folder holding pipes ("pipe", "pipe.js", "folder/pipe.txt"
// beside "folder/plain.txt") and symbolic links ("link-WRITER") to a file "victim" and to a
// program. Every reader refuses a pipe at once, with a failure or an empty answer; every writer
// replaces the link it is given. Each case prints its name first, so a hang shows where.
var dir = rtl.Params(1) + "/", pipe = dir + "pipe";
function outcome(f) { try { var r = f(); return r === undefined ? "undefined" : String(r); } catch (e) { return "error: " + e.message; } }
function names(zip) { var n = []; for (var i = 0; i < zip.Length; i++) n.push(zip.Names(i)); return n.join(","); }
var data = rtl.MBStr("written");

var readers = {
  "LoadFile": [function () { return rtl.LoadFile(pipe); }, "error: Range check error"],
  "Load": [function () { return rtl.Load(pipe); }, "error: Range check error"],
  "LoadRes": [function () { return rtl.LoadRes(pipe, "ULKA", 23); }, "undefined"],
  "UpdateRes": [function () { return rtl.UpdateRes(pipe, 23, "ULKA", data); }, "false"],
  "Bytes.Load": [function () { return rtl.Bytes().Load(pipe); }, "error: Range check error"],
  "Strings.Load": [function () { return rtl.Strings().Load(pipe); }, "error: Range check error"],
  "Xml.Load": [function () { return rtl.Xml().Load(pipe); }, "false"],
  "Xml.Load with a tag": [function () { var x = rtl.Xml(); return x.Load(pipe, "fresh") + "|" + x.Root.Tag; }, "false|fresh"],
  "Zip.Load": [function () { return rtl.Zip().Load(pipe); }, "false"],
  "Zip.AddFile": [function () { return rtl.Zip().AddFile(pipe).Length; }, "error: Range check error"],
  "Zip.AddFolder": [function () { return names(rtl.Zip().AddFolder(dir + "folder")); }, "plain.txt"],
  "FileList": [function () { var l = rtl.FileList(dir + "folder/*.*"); return l.Length + "|" + l(0).Name; }, "1|plain"],
  "include": [function () { var s = rtl.Script(); s.Path = dir; s.AddCode("@include pipe\nvar after = 1;"); return s.Eval("after"); }, "1"],
};

var writers = {
  "SaveFile": function (f) { rtl.SaveFile(f, data); },
  "Bytes": function (f) { rtl.Bytes(data).Save(f); },
  "Strings": function (f) { rtl.Strings("written").Save(f); },
  "Xml": function (f) { rtl.Xml("written").Save(f); },
  "Zip": function (f) { rtl.Zip().Add("a.txt", data).Save(f); },
};

var failures = [];
for (var name in readers) {
  console.log("reading a pipe: " + name);
  var got = outcome(readers[name][0]);
  if (got !== readers[name][1]) failures.push(name + ": got " + got + ", want " + readers[name][1]);
}
for (var name in writers) {
  console.log("writing to a link: " + name);
  var file = dir + "link-" + name, error = outcome(function () { writers[name](file); });
  var written = rtl.LoadFile(file);
  if (!written || written.length < 7) failures.push(name + ": nothing written (" + error + ")");
}
console.log("updating resources through a link");
if (!rtl.UpdateRes(dir + "link-UpdateRes", 23, "ULKA", data)) failures.push("UpdateRes through a link failed");
if (rtl.Str(rtl.LoadRes(dir + "link-UpdateRes", "ULKA", 23)) !== "written") failures.push("UpdateRes: not written");
if (rtl.LoadRes(dir + "program", "ULKA", 23) !== undefined) failures.push("UpdateRes wrote the link's target");
if (rtl.Str(rtl.LoadFile(dir + "victim")) !== "victim\n") failures.push("the victim changed");

if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
rtl.Quit(0);
