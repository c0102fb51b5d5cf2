// Run by dialogs-test.sh, which answers each dialog with the keyboard as a person would: an open,
// a save, a folder and a cancelled multiple-selection open dialog, one after the other, each
// printing its answer. rtl.Params(1) is the test's documents folder.
var docs = rtl.Params(1);
function show(what, value) {
  if (value === undefined) value = "<Empty>";
  else if (typeof value !== "string") { var lines = []; for (var i = 0; i < value.Length; i++) lines.push(value(i)); value = "[" + lines.join(",") + "]"; }
  console.log(what + "=" + value);
}
show("open", rtl.OpenDialog("Text files|*.txt|All files|*.*", docs + "/report.txt", false, "Ulka open"));
show("save", rtl.SaveDialog("Text files|*.txt;*.text|All files|*.*", docs + "/", "Ulka save"));
show("folder", rtl.FolderDialog("Ulka folder", docs));
show("cancel", rtl.OpenDialog("All files|*", "", true, "Ulka cancel"));
show("multiple", rtl.OpenDialog("Text files|*.txt", docs + "/other.TXT", true, "Ulka multiple"));
rtl.Quit(0);
