// Hands the page the runtime, and opens a second window, which shows the icon the desktop gives
// windows that set none of their own.
external.rtl = rtl;
var second = rtl.Browser();
second.Load("<title>IconProbe second</title><p>second</p>");
second.Show();
