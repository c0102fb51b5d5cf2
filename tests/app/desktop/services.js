// Run by desktop-services-test.sh in a desktop of its own (HOME, XDG folders, a default
// application that records what it was asked to open): ShellExec, the trash, special folders.
// rtl.Params(1) is the test's work folder.
var work = rtl.Params(1);
var shell = rtl.Shell();
var fso = rtl.FileSystem();
var failures = [];
function check(got, want, what) { if (String(got) !== String(want)) failures.push(what + ": got " + got + ", want " + want); }
function env(name) { return shell.ExpandEnvironmentStrings("$" + name); }

// ShellExec: above 32 when the desktop's application started, the platform's numbers otherwise.
var docs = work + "/docs";
check(rtl.ShellExec(docs + "/doc.txt"), 42, "open a text file");
check(rtl.ShellExec(docs + "/sub"), 42, "open a folder");
check(rtl.ShellExec(docs + "/sub", "explore"), 42, "explore a folder");
check(rtl.ShellExec(docs + "/doc.txt", "EDIT"), 42, "edit a text file");
check(rtl.ShellExec(docs + "/doc.txt", "explore"), 31, "explore a file");
check(rtl.ShellExec(docs + "/doc.txt", "print"), 31, "a verb this desktop has not");
check(rtl.ShellExec(docs + "/data.bin"), 31, "a file no application takes");
check(rtl.ShellExec(docs + "/missing.txt"), 2, "a missing file");
check(rtl.ShellExec(docs + "/no/such/doc.txt"), 3, "a missing folder on the way");
check(rtl.ShellExec(""), 2, "no name");
check(rtl.ShellExec(docs + "/doc.txt\u0000.sh"), 2, "a name with a NUL");
check(rtl.ShellExec(docs + "/odd name; touch pwned $(touch pwned) `touch pwned`"), 42, "a name full of shell metacharacters");
check(rtl.ShellExec("ulkatest://host/path?a=1&b=$(touch " + work + "/pwned)"), 42, "a URL of a registered scheme");
check(rtl.ShellExec("nosuchscheme-ulka:whatever"), 31, "a URL nothing opens");
shell.CurrentDirectory = docs;
check(rtl.ShellExec("doc.txt"), 42, "a name relative to the current folder");

// DeleteFile to the trash: the freedesktop layout under the data folder.
fso.CreateTextFile(work + "/trashme.txt").Write("restore me");
fso.CreateFolder(work + "/trashdir");
check(rtl.DeleteFile(work + "/trashme.txt", true), true, "trash a file");
check(rtl.DeleteFile(work + "/trashdir", true), true, "trash a folder");
check(rtl.DeleteFile(work + "/trashme.txt", true), false, "trash a file that is gone");
check(rtl.DeleteFile(work + "/nothing\u0000.txt", true), false, "trash a name with a NUL");
check(fso.FileExists(work + "/trashme.txt"), false, "the trashed file left its folder");
var trash = env("XDG_DATA_HOME") + "/Trash";
check(rtl.Str(rtl.LoadFile(trash + "/files/trashme.txt")), "restore me", "the trashed file's contents");
check(rtl.Str(rtl.LoadFile(trash + "/info/trashme.txt.trashinfo")).indexOf("Path=" + work + "/trashme.txt") > 0, true, "its .trashinfo");
check(fso.FolderExists(trash + "/files/trashdir"), true, "the trashed folder");
fso.CreateTextFile(work + "/plain.txt").Close();
check(rtl.DeleteFile(work + "/plain.txt"), true, "delete without the trash");
check(fso.FileExists(trash + "/files/plain.txt"), false, "a plain delete does not use the trash");

// Special folders: the XDG user folders this desktop set, the XDG base folders, POSIX ones.
var home = env("HOME"), data = env("XDG_DATA_HOME"), config = env("XDG_CONFIG_HOME");
var table = [
  [0x00, home + "/Schreibtisch/"], [0x10, home + "/Schreibtisch/"], [0x05, home + "/Dokumente/"], [0x0D, home + "/Musik/"],
  [0x0E, home + "/Videos/"], [0x27, home + "/Bilder/"], [0x15, home + "/Vorlagen/"], [0x2E, home + "/Öffentlich/"],
  [0x1A, data + "/"], [0x1C, data + "/"], [0x23, data + "/"], [0x20, env("XDG_CACHE_HOME") + "/"], [0x28, home + "/"],
  [0x02, data + "/applications/"], [0x0B, data + "/applications/"], [0x07, config + "/autostart/"], [0x14, data + "/fonts/"],
  [0x16, "/usr/share/applications/"], [0x17, "/usr/share/applications/"], [0x18, "/etc/xdg/autostart/"],
  [0x24, "/usr/bin/"], [0x25, "/usr/bin/"], [0x26, "/usr/"], [0xFF, env("TMPDIR") + "/"], [0x11, ""], [9999, ""], [-1, ""],
];
table.forEach(function (row) { check(rtl.GetSpecialFolderPath(row[0]), row[1], "special folder " + row[0]); });
check(shell.SpecialFolders("MyDocuments"), home + "/Dokumente", "SpecialFolders MyDocuments");
check(fso.GetSpecialFolder(2).Path, env("TMPDIR"), "the file-system object's temporary folder");
check(shell.ExpandEnvironmentStrings("%APPDATA%"), data, "%APPDATA%");

if (failures.length) {
  console.error(failures.join("\n"));
  rtl.Quit(1);
} else {
  rtl.Quit(0);
}
