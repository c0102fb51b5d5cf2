function report(what) { location.href = "report:///" + what; }
async function main() {
  var failures = [];
  function check(ok, what) { if (!ok) failures.push(what); }
  check(location.href == "ulka:///index.html", "location " + location.href);
  var text = await (await fetch("data.txt")).text();
  check(text == "hello data", "fetch relative: " + text);
  text = await (await fetch("a%20b.txt")).text();
  check(text == "spaced", "percent-escape: " + text);
  var missing = await fetch("nothing.txt");
  check(missing.status == 404, "missing status " + missing.status);
  var img = document.getElementById("red");
  if (!img.complete) await new Promise(function (r) { img.onload = img.onerror = r; });
  check(img.naturalWidth == 7 && img.naturalHeight == 5, "image " + img.naturalWidth);
  check(getComputedStyle(document.getElementById("p")).width == "123px", "style sheet");
  check(document.title == "Scheme test", "title");
  report(failures.length ? "fail/" + encodeURIComponent(failures.join("; ")) : "ok");
}
main().catch(function (e) { report("fail/" + encodeURIComponent(String(e))); });
