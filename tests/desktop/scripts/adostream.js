// The data stream stand-in: binary and text streams in memory, character sets, files. Each case
// answers [got, want].
@include common

var base = scratchFolder("adostream");
function stream(type, charset) {
  var s = rtl.CreateObject("ADODB.Stream");
  if (type) s.Type = type;
  if (charset) s.Charset = charset;
  s.Open();
  return s;
}
function allBytes(s) { var keep = s.Position; s.Position = 0; s.Type = 1; var b = s.Read(); return hex(b); }
var closed = "Operation is not allowed when the object is closed.|" + runtimeError(3704);
var context = "Operation is not allowed in this context.|" + runtimeError(3219);
var args = "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.|" + runtimeError(3001);

var cases = {
  "defaults": function () { var s = rtl.CreateObject("ADODB.Stream"); return [[s.Type, s.Charset, s.State, s.LineSeparator].join(","), "2,Unicode,0,-1"]; },
  "Unicode text starts with a byte-order mark": function () {
    var s = stream();
    s.WriteText("hé");
    var size = s.Size;
    s.Position = 0;
    return [size + "|" + s.ReadText() + "|" + allBytes(s), "6|hé|ff fe 68 00 e9 00"];
  },
  "utf-8 text too": function () {
    var s = stream(2, "utf-8");
    s.WriteText("hé");
    s.Position = 0;
    return [s.ReadText() + "|" + allBytes(s), "hé|ef bb bf 68 c3 a9"];
  },
  "other character sets have none": function () {
    var s = stream(2, "iso-8859-1");
    s.WriteText("hé");
    return [allBytes(s), "68 e9"];
  },
  "ReadText by characters and by lines": function () {
    var s = stream(2, "utf-8");
    s.WriteText("añb", 1);
    s.WriteText("line2\r\nend");
    s.Position = 0;
    var a = s.ReadText(2), rest = s.ReadText(-2), line2 = s.ReadText(-2), last = s.ReadText(-2);
    return [[a, rest, line2, last, s.EOS, JSON.stringify(s.ReadText())].join("|"), 'añ|b|line2|end|true|""'];
  },
  "LineSeparator LF": function () {
    var s = stream(2, "us-ascii");
    s.LineSeparator = 10;
    s.WriteText("a", 1); s.WriteText("b", 1);
    s.Position = 0;
    return [s.ReadText(-2) + s.ReadText(-2) + "|" + allBytes(s), "ab|61 0a 62 0a"];
  },
  "binary Write and Read": function () {
    var s = stream(1);
    s.Write(new Uint8Array([1, 2, 3, 4]));
    s.Position = 1;
    var two = hex(s.Read(2));
    var rest = hex(s.Read());
    return [[two, rest, String(s.Read()), String(s.Read(5)), s.EOS, s.Size].join("|"), "02 03|04|null|null|true|4"];
  },
  "writes overwrite at the position, SetEOS cuts": function () {
    var s = stream(1);
    s.Write(new Uint8Array([1, 2, 3, 4]));
    s.Position = 1;
    s.Write(new Uint8Array([9]));
    s.SetEOS();
    return [allBytes(s), "01 09"];
  },
  "the wrong kind of write or read": function () {
    var text = stream(), bin = stream(1);
    return [[failure(function () { text.Write(new Uint8Array([1])); }), failure(function () { text.Read(); }),
      failure(function () { bin.WriteText("x"); }), failure(function () { bin.ReadText(); })].join(" / "), [context, context, context, context].join(" / ")];
  },
  "Type and Charset change only at position 0": function () {
    var s = stream(1);
    s.Write(new Uint8Array([65, 66]));
    var type = failure(function () { s.Type = 2; });
    var charset = failure(function () { s.Charset = "utf-8"; });
    s.Position = 0;
    s.Type = 2; s.Charset = "us-ascii";
    return [[type, charset, s.ReadText()].join(" / "), [context, context, "AB"].join(" / ")];
  },
  "bad arguments": function () {
    var s = stream();
    return [[failure(function () { s.Charset = "no-such-charset"; }), failure(function () { s.Position = 99; }),
      failure(function () { s.Type = 3; }), failure(function () { s.LineSeparator = 5; }), failure(function () { s.Open(); })].join(" / "),
      [args, args, args, args, "Operation is not allowed when the object is open.|" + runtimeError(3705)].join(" / ")];
  },
  "a closed stream": function () {
    var s = rtl.CreateObject("ADODB.Stream");
    var before = [failure(function () { s.WriteText("x"); }), failure(function () { return s.Size; }), failure(function () { s.Close(); })];
    s.Open(); s.WriteText("x"); s.Close();
    return [before.concat([failure(function () { return s.Position; }), s.State]).join(" / "), [closed, closed, closed, closed, 0].join(" / ")];
  },
  "SaveToFile and LoadFromFile": function () {
    var s = stream(2, "utf-8");
    s.WriteText("saved");
    s.SaveToFile(base + "/s.txt");
    var again = failure(function () { s.SaveToFile(base + "/s.txt"); });
    s.SaveToFile(base + "/s.txt", 2);
    var t = stream(2, "utf-8");
    t.LoadFromFile(base + "/s.txt");
    return [[hex(rtl.LoadFile(base + "/s.txt")), again, t.Position, t.ReadText()].join(" / "),
      ["ef bb bf 73 61 76 65 64", "Write to file failed.|" + runtimeError(3004), 0, "saved"].join(" / ")];
  },
  "file failures": function () {
    var s = stream();
    return [[failure(function () { s.LoadFromFile(base + "/none"); }), failure(function () { s.LoadFromFile(base); }),
      failure(function () { s.SaveToFile(base + "/a\u0000b", 2); }), failure(function () { s.SaveToFile(base, 2); })].join(" / "),
      ["File could not be opened.|" + runtimeError(3002), "File could not be opened.|" + runtimeError(3002),
        "Write to file failed.|" + runtimeError(3004), "Write to file failed.|" + runtimeError(3004)].join(" / ")];
  },
  "converting a file's character set": function () {
    rtl.SaveFile(base + "/in.txt", new Uint8Array([0x63, 0x61, 0x66, 0xE9]));
    var s = stream(2, "iso-8859-1");
    s.LoadFromFile(base + "/in.txt");
    var text = s.ReadText();
    var out = stream(2, "utf-8");
    out.WriteText(text);
    out.Position = 0;
    out.Type = 1;
    out.Position = 3;  // past the byte-order mark
    return [hex(out.Read()), "63 61 66 c3 a9"];
  },
};

runCases(cases, function () { fso.DeleteFolder(base, true); });
