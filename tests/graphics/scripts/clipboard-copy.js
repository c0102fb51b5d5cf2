// Puts a picture with an alpha channel on the clipboard and serves it to other programs until the
// file named by the second argument appears: ulka-script clipboard-copy.js SAVED.png STOP-FILE
// The picture is also saved as SAVED.png, for comparing what another program pasted.
var b = rtl.Bitmap(5, 3);
for (var y = 0; y < 3; y++)
  for (var x = 0; x < 5; x++) b(x, y, ((50 * x + 20 * y + 5) * 0x1000000 + 0x102030 * (x + 1) + y) >>> 0);
b(0, 0, 0x00000000);
b(4, 2, 0xFFFFFFFF);
b.Save(rtl.Params(1));
b.Copy();

// Copy and Paste in the same program keep the alpha channel.
var c = rtl.Bitmap();
if (!c.Paste()) { console.error("Paste after Copy failed"); rtl.Quit(1); }
for (var y = 0; y < 3; y++)
  for (var x = 0; x < 5; x++)
    if (c(x, y) != b(x, y)) { console.error("pasted " + c(x, y).toString(16) + " at " + x + "," + y); rtl.Quit(1); }

console.log("copied");
for (var waited = 0; waited < 20000 && rtl.IsEmpty(rtl.LoadFile(rtl.Params(2))); waited += 50) rtl.Idle(50);
rtl.Quit(0);
