// rtl.Load reaches http URLs (a loopback server the driver started; its port is parameter 1).
var base = "http://127.0.0.1:" + rtl.Params(1) + "/";
var code = 0;
if (rtl.Str(rtl.Load(base + "data.txt")) != "over http") code = 1;
else if (!rtl.IsEmpty(rtl.Load(base + "missing.txt"))) code = 2;
else if (!rtl.IsEmpty(rtl.Load("http://127.0.0.1:1/refused"))) code = 3;
rtl.Quit(code);
