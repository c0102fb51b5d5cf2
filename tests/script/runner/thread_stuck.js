// A thread that sits in a host call for a long time cannot be interrupted: the program ends
// anyway after its grace period and says so.
rtl.Thread(this, function () { rtl.Sleep(600000); }).Start();
rtl.Sleep(50);
rtl.Quit(4);
