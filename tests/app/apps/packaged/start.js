// A stand-alone program's start-up script: its includes and relative loads come from its own
// package, whatever the folder it was started from holds. Exits with the first failed check.
@include helper
var failed = 0;
if (typeof helperFrom == "undefined" || helperFrom != "package") failed = 1;
else if (rtl.Str(rtl.Load("data.txt")) != "from the package") failed = 2;
else if (!rtl.IsEmpty(rtl.Load("only-outside.txt"))) failed = 3;
rtl.Quit(failed);
