// A script engine made by a script runs away; its error is reported and the caller goes on.
var s = rtl.Script();
s.AddCode("var kept = []; for (;;) kept.push(new Array(100000).fill(1));");
s.Run();
s = null;
console.log("caller goes on");
