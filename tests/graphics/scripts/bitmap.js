// The Bitmap object through the script binding. Each case returns [got, want]; failures are listed together.
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function size(b) { return b.Width + "x" + b.Height; }
function hex(v) { return (v >>> 0).toString(16); }
function same(a, b) {
  if (a === undefined || b === undefined) return a === b;
  if (a.length != b.length) return false;
  for (var i = 0; i < a.length; i++) if (a[i] != b[i]) return false;
  return true;
}
function numbered(w, h) {
  var b = rtl.Bitmap(w, h);
  for (var y = 0; y < h; y++) for (var x = 0; x < w; x++) b(x, y, 0xFF000000 + y * 256 + x);
  return b;
}
var dir = "/tmp/ulka-bitmap-script-" + Math.floor(Math.random() * 1e9) + "/";

var cases = {
  "Rtl.Bitmap() is empty": function () { var b = rtl.Bitmap(); return [size(b) + " " + b.IsEmpty(), "0x0 true"]; },
  "Rtl.Bitmap(10) is a square": function () { return [size(rtl.Bitmap(10)), "10x10"]; },
  "Rtl.Bitmap(10, 20)": function () { var b = rtl.Bitmap(10, 20); return [size(b) + " " + b(9, 19), "10x20 0"]; },
  "Rtl.Bitmap(bytes) opens them": function () { return [size(rtl.Bitmap(numbered(3, 2).PNG())), "3x2"]; },
  "Rtl.Bitmap of a missing file": function () { return [size(rtl.Bitmap(dir + "none.png")), "0x0"]; },
  "Rtl.Bitmap of a Rect opens nothing": function () { return [size(rtl.Bitmap(rtl.Rect(5, 5))), "0x0"]; },
  "default member gets and puts pixels": function () {
    var b = rtl.Bitmap(2, 2); b(1, 0, 0xFFFFFFFF); b.Pixels(0, 1, 0x80123456);
    return [hex(b(1, 0)) + " " + hex(b.Pixels(0, 1)) + " " + b(5, 5) + " " + b(-1, 0), "ffffffff 80123456 0 0"];
  },
  "Width and Height puts keep the other side": function () {
    var b = rtl.Bitmap(); b.Width = 30; b.Height = 20; return [size(b), "30x20"];
  },
  "SetSize with a Rect and a bitmap": function () {
    var b = rtl.Bitmap(); b.SetSize(rtl.Rect(1, 1, 8, 9)); var s = size(b); b.SetSize(rtl.Bitmap(4, 5));
    return [s + " " + size(b), "8x9 4x5"];
  },
  "Bounds and Clone are new objects": function () {
    var b = numbered(4, 3), c = b.Clone(), r = b.Bounds;
    return [[r.Left, r.Top, r.Right, r.Bottom].join(",") + " " + (c !== b) + " " + hex(c(3, 2)), "0,0,4,3 true ff000203"];
  },
  "Clone(Rect) past the edge": function () {
    var c = numbered(4, 3).Clone(rtl.Rect(2, 1, 4, 1)); return [size(c) + " " + hex(c(0, 0)) + " " + c(3, 0), "4x1 ff000102 0"];
  },
  "Fill() makes it transparent": function () { var b = numbered(2, 2); b.Fill(); return [b(1, 1), 0]; },
  "Fill(colour, Rect) blends": function () {
    var b = rtl.Bitmap(4, 4); b.Fill(0xFF0000FF); b.Fill(0x80FF0000, rtl.Rect(0, 0, 2, 2));
    return [hex(b(0, 0)) + " " + hex(b(3, 3)), "ff80007f ff0000ff"];
  },
  "turns and flips": function () {
    var b = numbered(3, 2); b.RotateRight(); var r = size(b) + " " + hex(b(1, 0)); b.RotateLeft(); b.FlipHorz(); b.FlipVert();
    return [r + " " + hex(b(0, 0)), "2x3 ff000000 ff000102"];
  },
  "JPEG() is quality 80, JPEG(0) quality 85": function () {
    var b = numbered(16, 16);
    return [same(b.JPEG(), b.JPEG(80)) + " " + same(b.JPEG(0), b.JPEG(85)) + " " + same(b.JPEG(1), b.JPEG(100)), "true true false"];
  },
  "PNG round trip through a script": function () {
    var b = numbered(5, 5); b(2, 2, 0x01020304); var c = rtl.Bitmap(b.PNG());
    return [hex(c(2, 2)) + " " + hex(c(4, 4)), "1020304 ff000404"];
  },
  "empty bitmaps give no bytes": function () { return [rtl.Bitmap().PNG() === undefined && rtl.Bitmap().JPEG() === undefined, true]; },
  "Save by extension": function () {
    var b = numbered(4, 4);
    b.Save(dir + "a.JPG"); b.Save(dir + "b.png"); b.Save(dir + "c.jpeg"); b.Save(dir + "d.bmp");
    var jpg = rtl.LoadFile(dir + "a.JPG");
    return [(jpg[0] == 0xFF && jpg[1] == 0xD8) + " " + size(rtl.Bitmap(dir + "b.png")) + " " +
            rtl.IsEmpty(rtl.LoadFile(dir + "c.jpeg")) + " " + rtl.IsEmpty(rtl.LoadFile(dir + "d.bmp")), "true 4x4 true true"];
  },
  "Save quality defaults to 95": function () {
    var b = numbered(16, 16); b.Save(dir + "q.jpg"); return [same(rtl.LoadFile(dir + "q.jpg"), b.JPEG(95)), true];
  },
  "Open answers false for anything else": function () {
    var b = numbered(2, 2); return [b.Open(5) + " " + b.Open(null) + " " + b.Open(dir) + " " + size(b), "false false false 2x2"];
  },
  "Draw with the default filter keeps a flat colour": function () {
    var src = rtl.Bitmap(40, 30); src.Fill(0xFF336699); var d = rtl.Bitmap(10, 10); d.Draw(src, d.Bounds);
    return [hex(d(5, 5)), "ff336699"];
  },
  "Draw of a part with alpha 0 and undefined in between": function () {
    var src = numbered(4, 4), d = rtl.Bitmap(2, 2); d.Draw(src, d.Bounds, rtl.Rect(2, 2, 2, 2), 0); var untouched = d(0, 0);
    d.Draw(src, d.Bounds, undefined, 255, 0); return [untouched + " " + hex(d(1, 1)), "0 ff000202"];
  },
  "Draw wants Rect objects": function () {
    var d = rtl.Bitmap(2, 2), src = rtl.Bitmap(2, 2);
    return [errorOf(function () { d.Draw(src, 5); }) + "|" + errorOf(function () { d.Draw(src, src); }) + "|" +
            errorOf(function () { d.Draw(src, d.Bounds, "x"); }) + "|" + errorOf(function () { d.Draw(d.Bounds, d.Bounds); }),
            "Type mismatch|Invalid class typecast|Invalid class typecast|Invalid class typecast"];
  },
  "Alpha is a byte": function () { var d = rtl.Bitmap(2, 2); return [errorOf(function () { d.Draw(d, d.Bounds, undefined, 300); }) != "no error", true]; },
  "huge sizes fail clearly": function () {
    return [errorOf(function () { rtl.Bitmap(100000, 100000); }), "A bitmap of 100000 x 100000 pixels is too large"];
  },
  "negative sizes give an empty bitmap": function () { var b = rtl.Bitmap(-5, -5); return [size(b) + " " + b.IsEmpty(), "0x0 true"]; },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "no error"]; }
  if (r[0] !== r[1]) failures.push(name + ": got " + JSON.stringify(r[0]) + ", expected " + JSON.stringify(r[1]));
}
rtl.DeleteFile(dir + "a.JPG"); rtl.DeleteFile(dir + "b.png"); rtl.DeleteFile(dir + "q.jpg");
if (failures.length) console.error(failures.join("\n"));
rtl.Quit(failures.length ? 1 : 0);
