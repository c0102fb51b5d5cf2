// Waits for the page's verdict through a scheme of its own; many-entries-test.sh added the files.
rtl.Protocol("report", function (name) {
  if (name == "ok") rtl.Quit(0);
  else { rtl.Alert("page: " + decodeURIComponent(name)); rtl.Quit(20); }
  return rtl.MBStr("done");
});
