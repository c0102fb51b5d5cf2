// Hands the page the root object; the page reports its verdict through a scheme of its own.
external.rtl = rtl;
rtl.Protocol("report", function (name) {
  if (name == "ok") rtl.Quit(0);
  else { rtl.Alert("page: " + decodeURIComponent(name)); rtl.Quit(20); }
  return rtl.MBStr("done");
});
