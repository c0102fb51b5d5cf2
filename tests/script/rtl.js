// The root object's conversions, files and command line.
@include check

// Text in code pages: Str undoes MBStr; a byte-order mark is dropped; unknown code pages fail.
["", "abc", "héllo wörld", "日本語"].forEach(function (t) {
  eq(rtl.Str(rtl.MBStr(t)), t, "UTF-8 round trip of " + t);
});
eq(rtl.Str(rtl.MBStr("Grüße", 1252), 1252), "Grüße", "1252 round trip");
eq(rtl.GetLength(rtl.MBStr("Grüße", 1252)), 5, "1252 is one byte a character");
eq(rtl.MBStr(""), undefined, "MBStr of empty text is Empty");
eq(rtl.Str(bytes(0xEF, 0xBB, 0xBF, 0x41)), "A", "a byte-order mark is dropped");
eq(rtl.Str("not bytes"), "", "Str of a text is empty");
eq(thrown(function () { rtl.Str(bytes(65), 4242); }).message, "Invalid code page", "unknown code page");

// Hex, Base64, custom alphabets, MD5, GUIDs.
var table = [
  ["Hex", rtl.Hex(rtl.DeHex("0a1B")), "0A1B"],
  ["DeHex stops at a bad pair", rtl.Hex(rtl.DeHex("12zz34")), "120000"],
  ["Base64", rtl.Base64(rtl.MBStr("hello")), "aGVsbG8="],
  ["DeBase64", rtl.Str(rtl.DeBase64("aGVsbG8=")), "hello"],
  ["Base64 of nothing", rtl.Base64(undefined), ""],
  ["Encode", rtl.Encode(rtl.MBStr("abc"), "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"), "BTYGG"],
  ["Decode", rtl.Hex(rtl.Decode("BTYGG", "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567")), "61626300"],
  ["Encode as low-nibble-first hex", rtl.Encode(bytes(0xAB, 0x01), "0123456789ABCDEF"), "BA10"],
  ["Md5 of nothing", rtl.Hex(rtl.Md5(undefined)), "D41D8CD98F00B204E9800998ECF8427E"],
  ["StrTr", rtl.StrTr("hello", "lo", "01"), "he001"],
  ["IncludeTrailingChar", rtl.IncludeTrailingChar("/dir", "/"), "/dir/"],
  ["IncludeTrailingChar again", rtl.IncludeTrailingChar("/dir/", "/"), "/dir/"],
  ["IncludeTrailingChar of nothing", rtl.IncludeTrailingChar("a", ""), "a"],
  ["ExcludeTrailingChar", rtl.ExcludeTrailingChar("a//", "/"), "a/"],
  ["ExcludeTrailingChar without it", rtl.ExcludeTrailingChar("a", "/"), "a"],
];
table.forEach(function (c) { eq(c[1], c[2], c[0]); });
var g1 = rtl.Guid(), g2 = rtl.Guid();
eq(g1.length, 16, "a GUID has 16 bytes");
ok(rtl.Hex(g1) !== rtl.Hex(g2), "GUIDs differ");

// Dates: ISO text with the local zone; invalid fields fail.
var d = rtl.StrToDate("2011-03-01", 0);
eq(d.getFullYear() * 10000 + (d.getMonth() + 1) * 100 + d.getDate(), 20110301, "date only");
eq(d.getHours(), 0, "midnight local time");
eq(rtl.DateToStr(rtl.StrToDate("2011-03-01T14:05:09", 0)).substr(0, 19), "2011-03-01T14:05:09", "DateToStr");
ok(thrown(function () { rtl.StrToDate("2011-03-01T10:00:00+25:00", 0); }) !== undefined, "bad zone offset");

// Files: SaveFile creates folders and writes only bytes; LoadFile of missing or empty is Empty.
var dir = "/tmp/ulka-rtl-test-" + rtl.Hex(rtl.Guid()) + "/";
var file = dir + "sub/data.bin";
rtl.SaveFile(file, bytes(1, 2, 3));
eq(rtl.Hex(rtl.LoadFile(file)), "010203", "SaveFile then LoadFile");
rtl.SaveFile(file, undefined);
eq(rtl.Hex(rtl.LoadFile(file)), "010203", "SaveFile of Empty writes nothing");
rtl.SaveFile(file, "text");
eq(rtl.Hex(rtl.LoadFile(file)), "010203", "SaveFile of a text writes nothing");
eq(rtl.LoadFile(dir + "missing"), undefined, "LoadFile of a missing file");
eq(rtl.Hex(rtl.Load(file)), "010203", "Load of a path");
rtl.BaseUrl = dir;
eq(rtl.BaseUrl, dir, "BaseUrl is stored as given");
eq(rtl.Hex(rtl.Load("sub/data.bin")), "010203", "Load of a name under the base");
eq(rtl.Load("sub/none.bin"), undefined, "Load of a missing name");
eq(rtl.Hex(rtl.Load("file://" + file)), "010203", "Load of a file URL");
ok(thrown(function () { rtl.LoadFile(dir); }) !== undefined, "LoadFile of a folder fails");
eq(rtl.DeleteFile(file), true, "DeleteFile");
eq(rtl.DeleteFile(file), false, "DeleteFile of a missing file");
eq(rtl.LoadFile(file), undefined, "the file is gone");

// The command line: the script file is consumed, the arguments follow.
eq(rtl.ParamCount, 2, "ParamCount counts the arguments after the script");
eq(rtl.Params(1), "first arg", "Params(1) is the first argument");
eq(rtl.Params(2), "second", "Params(2)");
eq(rtl.Params(3), "", "beyond the count");
eq(rtl.Params(-5), "", "before the start");
ok(/rtl\.js$/.test(rtl.Params(0)), "Params(0) is the script");
rtl.ShiftParams();
eq(rtl.ParamCount, 1, "after ShiftParams");
eq(rtl.Params(0), "first arg", "after ShiftParams Params(0)");
rtl.ShiftParams(-1);
ok(rtl.ModuleFileName.length > 0 && rtl.ModuleFileName[0] === "/", "ModuleFileName is a full path");
rtl.Sleep(1);

done();
