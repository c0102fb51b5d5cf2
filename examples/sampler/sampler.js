// The start-up script handed the page the runtime; the type names it for editors (ulka.d.ts).
var e = window.external;
/** @type {Ulka.IRtl} */
var rtl = e.rtl;
/** @returns {any} an element of the page */
function $(id) { return document.getElementById(id); }

// The side bar calls this through the host.
e.show = function (id) {
  document.querySelectorAll("section").forEach(function (s) { s.classList.toggle("shown", s.id == id); });
};

$("facts").textContent = "Runtime " + rtl.Version + ", served as " + rtl.BaseUrl + ", " +
  rtl.ParamCount + " parameter(s).";

// Files
var notePath = rtl.GetSpecialFolderPath(28) + "ulka-sampler-note.txt";
$("save").onclick = function () {
  rtl.SaveFile(notePath, rtl.MBStr($("note").value));
  $("fileOut").textContent = "Saved " + rtl.GetLength(rtl.LoadFile(notePath)) + " bytes to " + notePath;
};
$("read").onclick = function () {
  var bytes = rtl.LoadFile(notePath);
  $("fileOut").textContent = rtl.IsEmpty(bytes) ? "(no note yet)" : rtl.Str(bytes);
};

// Zip
$("makeZip").onclick = function () {
  var zip = rtl.Zip();
  zip.Add("hello.txt", rtl.MBStr("Hello from a zip entry"));
  zip.Add("data/numbers.txt", rtl.MBStr("1 2 3 5 8 13"));
  var bytes = zip.Zip;
  var again = rtl.Zip(bytes);
  var lines = ["archive of " + rtl.GetLength(bytes) + " bytes, " + again.Length + " entries:"];
  for (var i = 0; i < again.Length; i++) lines.push("  " + again.Names(i) + ": " + rtl.Str(again(again.Names(i))));
  $("zipOut").textContent = lines.join("\n");
};

// Dictionary
var dict = rtl.Dictionary();
$("add").onclick = function () {
  dict($("key").value, $("value").value);
  $("dictOut").textContent = dict.JSON();
};

// Windows
$("second").onclick = function () { rtl.Browser("second.html").Show(); };
$("dialog").onclick = function () { $("winOut").textContent = "answer: " + e.dialog("Do you like it?"); };
$("bounds").onclick = function () {
  var r = e.browser.Bounds;
  $("winOut").textContent = "left " + r.Left + ", top " + r.Top + ", " + r.Width + " x " + r.Height;
};
