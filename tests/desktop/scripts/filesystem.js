// The file-system object: name arithmetic, lookups, file and folder objects, collections, and
// copying, moving and deleting. Each case answers [got, want].
@include common

var base = scratchFolder("fso");
writeText(base + "/a.txt", "abc");
writeText(base + "/b.TXT", "12345");
writeText(base + "/c.log", "");
writeText(base + "/.hidden", "h");
fso.CreateFolder(base + "/sub");
writeText(base + "/sub/d.txt", "dd");
// What the listing cases see; no case changes it.
var list = base + "/list";
fso.CreateFolder(list);
["a.txt", "b.TXT", "c.log", ".hidden"].forEach(function (name, i) { writeText(list + "/" + name, new Array(i + 2).join("x")); });
fso.CreateFolder(list + "/sub");
writeText(list + "/sub/d.txt", "dd");
var current = shell.CurrentDirectory;
var longName = new Array(5000).join("x");

function names(collection) {
  return collection._NewEnum().map(function (item) { return item.Name; }).join(",");
}

var cases = {
  "GetFileName": function () {
    return [["/a/b.txt", "a\\b\\c.txt", "/a/b/", "/", "x"].map(function (p) { return fso.GetFileName(p); }).join("|"), "b.txt|c.txt|b||x"];
  },
  "GetBaseName and GetExtensionName": function () {
    return [["/a/report.final.txt", ".bashrc", "noext", "a.b/c", "/x/y.TXT"].map(function (p) { return fso.GetBaseName(p) + ":" + fso.GetExtensionName(p); }).join("|"),
      "report.final:txt|.bashrc:|noext:|c:|y:TXT"];
  },
  "GetParentFolderName": function () {
    return [["/a/b/c", "/a/b/", "/a", "a", "/", "a//b", "a\\b"].map(function (p) { return fso.GetParentFolderName(p); }).join("|"), "/a/b|/a|/|||a|a"];
  },
  "GetAbsolutePathName": function () {
    return [[fso.GetAbsolutePathName("/a/./b/../c/"), fso.GetAbsolutePathName("/../.."), fso.GetAbsolutePathName("x\\y"), fso.GetAbsolutePathName("")].join("|"),
      ["/a/c", "/", current + "/x/y", current].join("|")];
  },
  "BuildPath": function () {
    return [[["/a", "b"], ["/a/", "b"], ["/a/", "/b"], ["", "b"], ["a\\", "b"], ["a", ""]].map(function (p) { return fso.BuildPath(p[0], p[1]); }).join("|"),
      "/a/b|/a/b|/a/b|b|a/b|a"];
  },
  "GetTempName": function () { var a = fso.GetTempName(), b = fso.GetTempName(); return [/^rad[0-9A-F]{5}\.tmp$/.test(a) && !fso.FileExists(a) && a !== b, true]; },
  "FileExists and FolderExists": function () {
    return [[fso.FileExists(base + "/a.txt"), fso.FileExists(base), fso.FolderExists(base), fso.FolderExists(base + "/a.txt"),
      fso.FileExists(base.replace(/\//g, "\\") + "\\a.txt"), fso.FileExists(base + "/none"), fso.FileExists("a\u0000b"),
      fso.FileExists("/" + longName), fso.FolderExists("")].join(","), "true,false,true,false,true,false,false,false,false"];
  },
  "DriveExists": function () { return [fso.DriveExists("/") + "," + fso.DriveExists(base) + "," + fso.DriveExists("a\u0000"), "true,false,false"]; },
  "lookup failures": function () {
    return [[failure(function () { fso.GetFile(base + "/none"); }), failure(function () { fso.GetFolder(base + "/none"); }),
      failure(function () { fso.GetDrive("/nowhere"); }), failure(function () { fso.GetFile("/" + longName); })].join(" / "),
      ["File not found|" + runtimeError(53), "Path not found|" + runtimeError(76), "Device unavailable|" + runtimeError(68),
        "Bad file name or number|" + runtimeError(52)].join(" / ")];
  },
  "file object": function () {
    var f = fso.GetFile(base + "/a.txt");
    return [[f.Name, f.Path === base + "/a.txt", f.Size, f.ParentFolder.Path === base, f.Type.length > 0, f() === f.Path,
      Math.abs(new Date(f.DateLastModified) - new Date()) < 600000, Math.abs(new Date(f.DateCreated) - new Date()) < 600000,
      f.Attributes, fso.GetFile(base + "/.hidden").Attributes].join(","), "a.txt,true,3,true,true,true,true,true,0,2"];
  },
  "read-only attribute": function () {
    writeText(base + "/ro.txt", "r");
    var f = fso.GetFile(base + "/ro.txt");
    f.Attributes = 1;
    var set = f.Attributes;
    var refused = failure(function () { fso.DeleteFile(base + "/ro.txt"); });
    fso.DeleteFile(base + "/ro.txt", true);
    return [set + "|" + refused + "|" + fso.FileExists(base + "/ro.txt"), "1|Permission denied|" + runtimeError(70) + "|false"];
  },
  "Name put renames": function () {
    writeText(base + "/old.txt", "o");
    var f = fso.GetFile(base + "/old.txt");
    f.Name = "new.txt";
    var clash = failure(function () { f.Name = "a.txt"; });
    var bad = failure(function () { f.Name = "x/y"; });
    return [[f.Path === base + "/new.txt", fso.FileExists(base + "/old.txt"), clash, bad].join(","),
      "true,false,File already exists|" + runtimeError(58) + ",Bad file name or number|" + runtimeError(52)];
  },
  "a file removed meanwhile": function () {
    writeText(base + "/gone.txt", "g");
    var f = fso.GetFile(base + "/gone.txt");
    fso.DeleteFile(base + "/gone.txt");
    return [failure(function () { return f.Size; }), "File not found|" + runtimeError(53)];
  },
  "file Copy, Move and Delete": function () {
    writeText(base + "/m.txt", "move me");
    var f = fso.GetFile(base + "/m.txt");
    f.Copy(base + "/m2.txt");
    f.Move(base + "/sub/");
    var moved = f.Path;
    f.Delete();
    return [[readText(base + "/m2.txt"), moved === base + "/sub/m.txt", fso.FileExists(base + "/sub/m.txt")].join(","), "move me,true,false"];
  },
  "folder object and its collections": function () {
    var d = fso.GetFolder(list);
    var files = d.Files;
    return [[names(files), files.Count, files.Item("b.TXT").Size, files("a.txt").Name, files.Item(0).Name, names(d.SubFolders),
      d.IsRootFolder, fso.GetFolder("/").IsRootFolder, String(fso.GetFolder("/").ParentFolder), d.Size].join("|"),
      ".hidden,a.txt,b.TXT,c.log|4|2|a.txt|.hidden|sub|false|true|null|12"];
  },
  "collection items that do not exist": function () {
    var d = fso.GetFolder(list);
    return [[failure(function () { d.Files("none"); }), failure(function () { d.Files(99); }), failure(function () { d.SubFolders.Item("none"); })].join(" / "),
      ["File not found|" + runtimeError(53), "File not found|" + runtimeError(53), "Path not found|" + runtimeError(76)].join(" / ")];
  },
  "Drives": function () {
    var drives = fso.Drives;
    var root = drives.Item("/");
    return [[drives.Count >= 1, drives._NewEnum()[0].Path, root.DriveLetter, root.RootFolder.Path, root.IsReady, root.TotalSize >= root.FreeSpace,
      root.FreeSpace >= root.AvailableSpace, root.FileSystem.length > 0, typeof root.VolumeName, root.DriveType >= 1,
      fso.GetDrive("/").Path, fso.GetFile(base + "/a.txt").Drive.Path.length > 0].join(","),
      "true,/,,/,true,true,true,true,string,true,/,true"];
  },
  "CreateFolder": function () {
    var made = fso.CreateFolder(base + "/made");
    return [[made.Path === base + "/made", failure(function () { fso.CreateFolder(base + "/made"); }),
      failure(function () { fso.CreateFolder(base + "/no/such"); })].join(","),
      "true,File already exists|" + runtimeError(58) + ",Path not found|" + runtimeError(76)];
  },
  "CopyFile with wildcards into a folder": function () {
    fso.CreateFolder(base + "/copies");
    fso.CopyFile(list + "/*.txt", base + "/copies");
    return [names(fso.GetFolder(base + "/copies").Files), "a.txt,b.TXT"];
  },
  "CopyFile failures": function () {
    return [[failure(function () { fso.CopyFile(base + "/a.txt", base + "/b.TXT", false); }),
      failure(function () { fso.CopyFile(base + "/a.txt", base + "/a.txt"); }),
      failure(function () { fso.CopyFile(base + "/none.txt", base + "/x.txt"); }),
      failure(function () { fso.CopyFile(base + "/*.none", base + "/sub/"); }),
      failure(function () { fso.CopyFile(base + "/a.txt", base + "/nofolder/"); })].join(" / "),
      ["File already exists|" + runtimeError(58), "Permission denied|" + runtimeError(70), "File not found|" + runtimeError(53),
        "File not found|" + runtimeError(53), "Path not found|" + runtimeError(76)].join(" / ")];
  },
  "CopyFile overwrites by default": function () {
    writeText(base + "/over.txt", "old");
    fso.CopyFile(base + "/a.txt", base + "/over.txt");
    return [readText(base + "/over.txt"), "abc"];
  },
  "MoveFile never overwrites": function () {
    writeText(base + "/mv1.txt", "1");
    writeText(base + "/mv2.txt", "2");
    var refused = failure(function () { fso.MoveFile(base + "/mv1.txt", base + "/mv2.txt"); });
    fso.MoveFile(base + "/mv1.txt", base + "/mv3.txt");
    return [[refused, readText(base + "/mv3.txt"), fso.FileExists(base + "/mv1.txt")].join(","), "File already exists|" + runtimeError(58) + ",1,false"];
  },
  "DeleteFile with wildcards, files only": function () {
    fso.CreateFolder(base + "/del");
    writeText(base + "/del/x1.tmp", "");
    writeText(base + "/del/x2.tmp", "");
    fso.CreateFolder(base + "/del/x3.tmp");
    fso.DeleteFile(base + "/del/x*.tmp");
    return [names(fso.GetFolder(base + "/del").Files) + "|" + names(fso.GetFolder(base + "/del").SubFolders), "|x3.tmp"];
  },
  "CopyFolder, MoveFolder and DeleteFolder": function () {
    fso.CopyFolder(base + "/sub", base + "/sub2");
    fso.CopyFolder(base + "/sub", base + "/made/");
    var into = failure(function () { fso.CopyFolder(base + "/sub", base + "/sub/inner"); });
    fso.MoveFolder(base + "/sub2", base + "/sub3");
    var clash = failure(function () { fso.MoveFolder(base + "/sub3", base + "/made"); });
    fso.DeleteFolder(base + "/sub3");
    return [[readText(base + "/made/sub/d.txt"), into, clash, fso.FolderExists(base + "/sub3"), fso.FolderExists(base + "/sub2"),
      failure(function () { fso.DeleteFolder(base + "/sub3"); })].join(","),
      "dd,Permission denied|" + runtimeError(70) + ",File already exists|" + runtimeError(58) + ",false,false,Path not found|" + runtimeError(76)];
  },
  "DeleteFolder refuses the root, also through a link": function () {
    shell.Run("ln -s / " + base + "/rootlink", 0, true);
    return [failure(function () { fso.DeleteFolder(base + "/rootlink"); }) + "," + fso.FolderExists("/usr"), "Permission denied|" + runtimeError(70) + ",true"];
  },
  "file and folder objects keep literal wildcards": function () {
    writeText(base + "/star*.txt", "s");
    writeText(base + "/star1.txt", "1");
    fso.GetFile(base + "/star*.txt").Delete();
    return [fso.FileExists(base + "/star1.txt") + "," + fso.FileExists(base + "/star*.txt"), "true,false"];
  },
  "GetSpecialFolder": function () {
    return [[fso.GetSpecialFolder(2).Path === shell.ExpandEnvironmentStrings("%TEMP%"), fso.GetSpecialFolder(0).Path.length > 0,
      failure(function () { fso.GetSpecialFolder(7); })].join(","), "true,true,Invalid procedure call or argument|" + runtimeError(5)];
  },
  "Rtl.FileSystem looks up a file, then a folder": function () {
    return [[rtl.FileSystem(base + "/a.txt").Size, rtl.FileSystem(list).Files.Count, rtl.FileSystem("/").IsRootFolder,
      rtl.FileSystem(base + "/none").FileExists(base + "/a.txt"), rtl.FileSystem().FolderExists(base)].join(","), "3,4,true,true,true"];
  },
  "CreateObject knows four names in any letter case": function () {
    return [[typeof rtl.CreateObject("scripting.filesystemobject").GetTempName, rtl.CreateObject("WSCRIPT.SHELL") !== null,
      rtl.CreateObject("Scripting.Dictionary").Count, rtl.CreateObject("ADODB.Stream").State, String(rtl.CreateObject("Excel.Application")),
      String(rtl.CreateObject(""))].join(","), "function,true,0,0,null,null"];
  },
};

runCases(cases, function () { fso.DeleteFolder(base, true); });
