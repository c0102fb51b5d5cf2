// rtl.UpdateRes and rtl.LoadRes on a copy of the script runner itself (an ELF executable).
function check(condition, what) {
  if (!condition) throw new Error("failed: " + what);
}

var copy = "/tmp/ulka-res-script-" + rtl.Hex(rtl.Guid());
rtl.SaveFile(copy, rtl.LoadFile(rtl.ModuleFileName));
try {
  var data = rtl.MBStr("hello package");
  check(rtl.UpdateRes(copy, 23, "ULKA", data) === true, "UpdateRes writes a package");
  check(rtl.Str(rtl.LoadRes(copy, "ulka", 23)) === "hello package", "LoadRes reads it back, any case");
  check(rtl.LoadRes(copy, "ULKA") === undefined, "the default type is the name \"23\"");
  check(rtl.UpdateRes(copy, "23", "ULKA", rtl.MBStr("named type")), "a text type is a name");
  check(rtl.Str(rtl.LoadRes(copy, "ULKA")) === "named type", "found under the type name \"23\"");
  check(rtl.Str(rtl.LoadRes(copy, "ULKA", 23)) === "hello package", "the numeric type is separate");

  check(rtl.UpdateRes(copy, 10, 7, rtl.MBStr("german"), 1031), "a language");
  check(rtl.Str(rtl.LoadRes(copy, 7, 10, 1031)) === "german", "read by language");
  check(rtl.Str(rtl.LoadRes(copy, 7, 10)) === "german", "neutral falls back to what there is");

  check(rtl.UpdateRes(copy, 1.5, "X", data) === false, "a fractional type is refused");
  check(rtl.UpdateRes(copy, 14, "MAINICON", data) === false, "an icon that is no icon file");
  check(rtl.UpdateRes(copy + ".missing", 23, "ULKA", data) === false, "a missing file");

  check(rtl.UpdateRes(copy, 23, "ULKA", undefined), "no data deletes");
  check(rtl.LoadRes(copy, "ULKA", 23) === undefined, "deleted");
  check(rtl.LoadRes(rtl.ModuleFileName, "ULKA", 23) === undefined, "the runner itself has no package");
  check(rtl.LoadRes(0, "ULKA", 23) === undefined, "a null module");
} finally {
  rtl.DeleteFile(copy);
}
