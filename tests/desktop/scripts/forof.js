// for...of over the stand-ins' collections (through their _NewEnum member).
@include common

var base = scratchFolder("forof");
["b.txt", "a.txt"].forEach(function (name) { writeText(base + "/" + name, name); });
fso.CreateFolder(base + "/sub");

function collect(collection, take) {
  var out = [];
  for (var item of collection) out.push(take(item));
  return out.join(",");
}

var cases = {
  "Files": function () { return [collect(fso.GetFolder(base).Files, function (f) { return f.Name; }), "a.txt,b.txt"]; },
  "SubFolders": function () { return [collect(fso.GetFolder(base).SubFolders, function (f) { return f.Name; }), "sub"]; },
  "Drives": function () { return [collect(fso.Drives, function (d) { return d.Path; }).split(",")[0], "/"]; },
  "Environment": function () {
    shell.Environment("PROCESS").Item("ULKA_FOROF", "yes");
    return [collect(shell.Environment("PROCESS"), String).split(",").indexOf("ULKA_FOROF=yes") >= 0, true];
  },
  "Dictionary keys": function () {
    var d = rtl.CreateObject("Scripting.Dictionary");
    d.Add("x", 1); d.Add("y", 2);
    return [collect(d, String), "x,y"];
  },
  "an empty collection": function () { return [collect(fso.GetFolder(base + "/sub").Files, String), ""]; },
};

runCases(cases, function () { fso.DeleteFolder(base, true); });
