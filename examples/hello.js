// A host script run by ulka-script: what the runtime does without a window.
//   ulka-script examples/hello.js [name]
var name = rtl.ParamCount > 0 ? rtl.Params(1) : "world";
console.log("Hello, " + name + "! This is Ulka " + rtl.Version + ".");

var text = "Ulka serves web files to its own window and gives scripts a runtime library.";
var bytes = rtl.MBStr(text);
console.log("UTF-8 bytes:   " + rtl.GetLength(bytes));
console.log("MD5:           " + rtl.Hex(rtl.Md5(bytes)));
console.log("Base64:        " + rtl.Base64(bytes).substr(0, 40) + "...");
console.log("Now:           " + rtl.DateToStr(new Date()));

var settings = rtl.Object();
settings.greeting = "Hello";
settings.greet = function (who) { return this.greeting + ", " + who; };
console.log("Expando call:  " + settings.greet(name));

var engine = rtl.Script("function square(x) { return x * x; }");
console.log("Other engine:  7 squared is " + engine.Eval("square(7)"));
