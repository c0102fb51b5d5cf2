// Parameter 1: the port of the loopback server that serves this folder.
external.port = rtl.Params(1);
external.done = function () { rtl.Quit(0); };
