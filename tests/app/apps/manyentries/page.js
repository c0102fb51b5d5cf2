// Fetches every entry many-entries-test.sh wrote, in an order of its own, and checks each byte:
// entry i of files/ is the line "entry i\n" repeated (i * 37) % 400 + 1 times; big.bin is bytes
// (k * 7) & 255.
var kCount = Number(new URLSearchParams(location.search).get("count") || 300);
function report(what) { location.href = "report:///" + what; }
function expected(i) { return ("entry " + i + "\n").repeat((i * 37) % 400 + 1); }
async function main() {
  var failures = [];
  for (var n = 0; n < kCount; n++) {
    var i = (n * 101) % kCount;  // not the order they are stored in
    var text = await (await fetch("files/f" + i + ".txt")).text();
    if (text !== expected(i)) failures.push("files/f" + i + ".txt: " + text.length + " characters");
  }
  var big = new Uint8Array(await (await fetch("big.bin")).arrayBuffer());
  var wrong = big.length == 3 << 20 ? -1 : 0;
  for (var k = 0; k < big.length && wrong < 0; k++) if (big[k] !== ((k * 7) & 255)) wrong = k;
  if (wrong >= 0) failures.push("big.bin at " + wrong + " of " + big.length);
  report(failures.length ? "fail/" + encodeURIComponent(failures.slice(0, 5).join("; ")) : "ok");
}
main().catch(function (e) { report("fail/" + encodeURIComponent(String(e))); });
