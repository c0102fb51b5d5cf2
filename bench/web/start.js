// The benchmark decides whether the run ends at the first paint ("quit") or stays for measuring.
if (rtl.Params(1) == "quit") external.quit = function () { rtl.Quit(0); };
