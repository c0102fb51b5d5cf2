// The start-up script runs in the host before the page opens. It decides what pages may use:
// here, the whole runtime library and a dialog maker.
external.rtl = rtl;
external.dialog = function (text) {
  var d = rtl.Browser();
  d.BaseUrl = rtl.BaseUrl;
  var ext = rtl.Object();
  ext.text = text;
  ext.dialog = d;
  d.External = ext;
  d.ClientRect = rtl.Rect(360, 160);
  d.Border = 3;
  d.ShowDialog("dialog.html");
  return ext.answer;
};
