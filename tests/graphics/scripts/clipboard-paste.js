// Pastes what another program put on the clipboard: ulka-script clipboard-paste.js EXPECTED|none
// EXPECTED names the file whose picture the clipboard should hold; "none" means no picture.
var expected = rtl.Params(1);
var failures = [];
function check(ok, what) { if (!ok) failures.push(what); }

var b = rtl.Bitmap(2, 2);
b.Fill(0xFF010203);
if (expected == "none") {
  check(b.CanPaste === false, "CanPaste without a picture");
  check(b.Paste() === false, "Paste without a picture");
  check(b.Width == 2 && b(1, 1) == 0xFF010203, "a failed Paste leaves the bitmap");
} else {
  var want = rtl.Bitmap(expected);
  check(!want.IsEmpty(), "the expected picture loads");
  check(b.CanPaste === true, "CanPaste");
  check(b.Paste() === true, "Paste");
  check(b.Width == want.Width && b.Height == want.Height, "size " + b.Width + "x" + b.Height);
  for (var y = 0; y < want.Height; y++)
    for (var x = 0; x < want.Width; x++)
      check(b(x, y) == want(x, y), "pixel " + x + "," + y + ": " + b(x, y).toString(16) + " != " + want(x, y).toString(16));
}
if (failures.length) console.error(failures.join("\n"));
rtl.Quit(failures.length ? 1 : 0);
