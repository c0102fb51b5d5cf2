// Text streams of the file-system object: formats, modes, lines and columns, the end of the
// stream, and files that are not text or go away. Each case answers [got, want].
@include common

var base = scratchFolder("textstream");
function path(name) { return base + "/" + name; }
function bytes(name) { return hex(rtl.LoadFile(path(name))); }
var badMode = "Bad file mode|" + runtimeError(54);
var pastEnd = "Input past end of file|" + runtimeError(62);

var cases = {
  "ASCII lines end with CR LF": function () {
    var t = fso.CreateTextFile(path("a.txt"));
    t.WriteLine("ab"); t.Write("c"); t.WriteBlankLines(2); t.WriteLine(); t.Close();
    return [bytes("a.txt"), "61 62 0d 0a 63 0d 0a 0d 0a 0d 0a"];
  },
  "Unicode starts with a byte-order mark": function () {
    var t = fso.CreateTextFile(path("u.txt"), true, true);
    t.Write("aé"); t.Close();
    var r = fso.OpenTextFile(path("u.txt"), 1, false, -1);
    return [bytes("u.txt") + "|" + r.ReadAll(), "ff fe 61 00 e9 00|aé"];
  },
  "system format is UTF-8 here": function () {
    writeText(path("s.txt"), "zé€");
    return [bytes("s.txt") + "|" + fso.OpenTextFile(path("s.txt"), 1, false, -2).ReadAll(), "7a c3 a9 e2 82 ac|zé€"];
  },
  "a UTF-8 byte-order mark is skipped": function () {
    rtl.SaveFile(path("bom.txt"), new Uint8Array([0xEF, 0xBB, 0xBF, 0x68, 0x69]));
    return [readText(path("bom.txt")), "hi"];
  },
  "appending": function () {
    writeText(path("ap.txt"), "one");
    var t = fso.OpenTextFile(path("ap.txt"), 8); t.Write("+two"); t.Close();
    var u = fso.OpenTextFile(path("apu.txt"), 8, true, -1); u.Write("x"); u.Close();
    u = fso.OpenTextFile(path("apu.txt"), 8, true, -1); u.Write("y"); u.Close();
    return [readText(path("ap.txt")) + "|" + bytes("apu.txt"), "one+two|ff fe 78 00 79 00"];
  },
  // Every writer puts a new file in the target's place: a symbolic link there is replaced and
  // the file it points to stays as it was; appending copies the old contents first.
  "writers never write through a symbolic link": function () {
    var writers = {
      create: function (p) { var t = fso.CreateTextFile(p, true); t.Write("new"); t.Close(); },
      write: function (p) { var t = fso.OpenTextFile(p, 2); t.Write("new"); t.Close(); },
      append: function (p) { var t = fso.OpenTextFile(p, 8); t.Write("+new"); t.Close(); },
      copy: function (p) { writeText(path("source.txt"), "new"); fso.CopyFile(path("source.txt"), p, true); }
    };
    var seen = [];
    for (var kind in writers) {
      writeText(path("outside-" + kind + ".txt"), "keep");
      shell.Run("ln -sf outside-" + kind + ".txt " + path("link-" + kind + ".txt"), 0, true);
      writers[kind](path("link-" + kind + ".txt"));
      seen.push(kind + ":" + readText(path("outside-" + kind + ".txt")) + "," + readText(path("link-" + kind + ".txt")) + "," +
                shell.Run("test -L " + path("link-" + kind + ".txt"), 0, true));
    }
    return [seen.join(" "), "create:keep,new,1 write:keep,new,1 append:keep,keep+new,1 copy:keep,new,1"];
  },
  // Readers take regular files only: a device or a pipe is refused at once, never read without end
  // or waited on (a FIFO that a writer holds open would block the read for ever).
  "readers refuse devices and pipes": function () {
    var fifo = path("fifo");
    shell.Run("mkfifo " + fifo, 0, true);
    var holder = shell.Exec("sh -c 'exec 3<>" + fifo + "; sleep 20'");
    rtl.Sleep(100);
    var refused = [failure(function () { fso.OpenTextFile("/dev/zero").ReadAll(); }),
                   failure(function () { fso.OpenTextFile(fifo).ReadAll(); }),
                   failure(function () { fso.CopyFile(fifo, path("from-fifo.txt")); }),
                   failure(function () { fso.OpenTextFile(fifo, 2).Write("x"); })];
    holder.Terminate();
    var denied = "Permission denied|" + runtimeError(70);
    return [refused.join(" / ") + "|" + fso.FileExists(path("from-fifo.txt")), [denied, denied, denied, denied].join(" / ") + "|false"];
  },
  "writing replaces": function () {
    writeText(path("w.txt"), "long old text");
    var t = fso.OpenTextFile(path("w.txt"), 2); t.Write("new"); t.Close();
    return [readText(path("w.txt")), "new"];
  },
  "ReadLine takes CR LF, LF and CR": function () {
    writeText(path("lines.txt"), "a\r\nb\nc\rd\r\n\r\ne");
    var t = fso.OpenTextFile(path("lines.txt"));
    var lines = [];
    while (!t.AtEndOfStream) lines.push(t.Line + ":" + t.ReadLine());
    return [lines.join(","), "1:a,2:b,3:c,4:d,5:,6:e"];
  },
  "Read, Skip, SkipLine, Column and AtEndOfLine": function () {
    writeText(path("rs.txt"), "hello world\nsecond");
    var t = fso.OpenTextFile(path("rs.txt"));
    var a = t.Read(5); t.Skip(1); var col = t.Column; var b = t.Read(5); var eol = t.AtEndOfLine;
    t.SkipLine(); var line = t.Line; var rest = t.ReadAll(); var end = t.AtEndOfLine;
    return [[a, col, b, eol, line, rest, end, t.Column].join(","), "hello,7,world,true,2,second,true,7"];
  },
  "reading past the end": function () {
    writeText(path("e.txt"), "x");
    var t = fso.OpenTextFile(path("e.txt"));
    t.ReadAll();
    var empty = fso.OpenTextFile(path("c.txt"), 1, true);
    return [[failure(function () { t.ReadLine(); }), failure(function () { t.Read(1); }), failure(function () { t.ReadAll(); }),
      failure(function () { t.Skip(1); }), empty.AtEndOfStream, failure(function () { empty.ReadAll(); }), t.Read(0) === ""].join(" / "),
      [pastEnd, pastEnd, pastEnd, pastEnd, true, pastEnd, true].join(" / ")];
  },
  "the wrong direction and a closed stream": function () {
    var w = fso.CreateTextFile(path("d.txt"));
    var readOnWrite = failure(function () { w.ReadLine(); });
    var endOnWrite = failure(function () { return w.AtEndOfStream; });
    w.Close();
    var r = fso.OpenTextFile(path("d.txt"));
    var writeOnRead = failure(function () { r.Write("x"); });
    r.Close();
    return [[readOnWrite, endOnWrite, writeOnRead, failure(function () { w.Write("x"); }), failure(function () { r.ReadAll(); })].join(" / "),
      [badMode, badMode, badMode, badMode, badMode].join(" / ")];
  },
  "opening failures": function () {
    return [[failure(function () { fso.OpenTextFile(path("none.txt")); }), failure(function () { fso.OpenTextFile(path("no/x.txt"), 2, true); }),
      failure(function () { fso.OpenTextFile(base); }), failure(function () { fso.OpenTextFile(path("a.txt"), 3); }),
      failure(function () { fso.OpenTextFile(path("a.txt"), 1, false, 5); }), failure(function () { fso.CreateTextFile(path("a.txt"), false); }),
      failure(function () { fso.OpenTextFile("a\u0000b"); })].join(" / "),
      ["File not found|" + runtimeError(53), "Path not found|" + runtimeError(76), "Permission denied|" + runtimeError(70),
        "Invalid procedure call or argument|" + runtimeError(5), "Invalid procedure call or argument|" + runtimeError(5),
        "File already exists|" + runtimeError(58), "Bad file name or number|" + runtimeError(52)].join(" / ")];
  },
  "OpenTextFile with Create makes the file": function () {
    fso.OpenTextFile(path("made.txt"), 1, true).Close();
    return [fso.FileExists(path("made.txt")) + "," + fso.GetFile(path("made.txt")).Size, "true,0"];
  },
  "characters split across reading chunks": function () {
    var chunk = 65536, text = new Array(chunk).join("a") + "é€😀" + new Array(chunk).join("b") + "😀";
    writeText(path("big.txt"), text);
    var u = fso.CreateTextFile(path("bigu.txt"), true, true); u.Write("c" + text); u.Close();
    var back = readText(path("big.txt")), backU = fso.OpenTextFile(path("bigu.txt"), 1, false, -1).ReadAll();
    return [(back === text) + "," + (backU === "c" + text), "true,true"];
  },
  "a long line read whole": function () {
    var line = new Array(200001).join("q");
    writeText(path("long.txt"), line + "\nnext");
    var t = fso.OpenTextFile(path("long.txt"));
    return [t.ReadLine().length + "," + t.ReadLine(), "200000,next"];
  },
  "a binary file reads as text without failing": function () {
    var all = new Uint8Array(256);
    for (var i = 0; i < 256; i++) all[i] = i;
    rtl.SaveFile(path("bin.dat"), all);
    var s = fso.OpenTextFile(path("bin.dat")).ReadAll();
    var odd = fso.OpenTextFile(path("bin.dat"), 1, false, -1).ReadAll();
    return [[s.length > 128, s.charCodeAt(0), s.indexOf("\ufffd") > 0, odd.length].join(","), "true,0,true,128"];
  },
  "an odd byte at the end of a Unicode file": function () {
    rtl.SaveFile(path("odd.txt"), new Uint8Array([0xFF, 0xFE, 0x41, 0x00, 0x42]));
    return [escape(fso.OpenTextFile(path("odd.txt"), 1, false, -1).ReadAll()), "A%uFFFD"];
  },
  "a file removed while open": function () {
    writeText(path("rm.txt"), "still\nhere");
    var t = fso.OpenTextFile(path("rm.txt"));
    var w = fso.CreateTextFile(path("rmw.txt"));
    fso.DeleteFile(path("rm.txt"));
    fso.DeleteFile(path("rmw.txt"));
    w.WriteLine("into the void"); w.Close();
    return [t.ReadLine() + "," + t.ReadLine() + "," + t.AtEndOfStream, "still,here,true"];
  },
  "a folder's CreateTextFile": function () {
    var t = fso.GetFolder(base).CreateTextFile("infolder.txt");
    t.Write("f"); t.Close();
    return [readText(path("infolder.txt")), "f"];
  },
  "a file's OpenAsTextStream": function () {
    writeText(path("o.txt"), "one");
    var f = fso.GetFile(path("o.txt"));
    var a = f.OpenAsTextStream(8); a.Write("two"); a.Close();
    return [f.OpenAsTextStream().ReadAll(), "onetwo"];
  },
};

runCases(cases, function () { fso.DeleteFolder(base, true); });
