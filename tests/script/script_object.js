// Script objects: code, includes, include paths, Eval, Run and the exit code.
@include check

var here = rtl.Params(0).replace(/[^\/]*$/, "");

var s = rtl.Script();
s.AddCode("x=1");
eq(s.Code, "\r\nx=1\r\n", "AddCode hands the engine a line feed first");
eq(s.Eval("x"), 1, "Eval runs the code added so far");

// Includes: FPath + name + ".js", each name once until Init, capitals allowed, indented lines are code.
s = rtl.Script();
s.Path = here + "include/";
eq(s.Path, here + "include/", "Path reads back");
s.AddCode("@INCLUDE util\n@include util\nvar after = typeof util;");
eq(s.Eval("util()"), "util", "an included function");
eq(s.Eval("after"), "function", "code after the directive sees it");
eq(s.Eval("utilLoads"), 1, "the same name is loaded once");
s.AddCode("@include util");
eq(s.Eval("utilLoads"), 1, "also by a later AddCode");
s.AddCode("@include self");
eq(s.Eval("selfLoads"), 1, "a file that includes itself is loaded once");
s.AddCode("@include util.js");
eq(s.Eval("typeof doubled"), "string", "a name ending in .js looks for .js.js");
s.AddCode("@include nowhere\nvar stillRuns = true;");
eq(s.Eval("stillRuns"), true, "an unresolved include is dropped silently");
eq(s.PreprocessCode("  @include other"), "\n  @include other", "an indented directive is ordinary code");
eq(s.Eval("'@include util'"), "@include util", "Eval does not preprocess");

// Include paths: FPath first, then every entry in order.
s = rtl.Script();
s.IncludePath = here + "include/a/;" + here + "include/b/";
eq(s.IncludePath, here + "include/a/;" + here + "include/b/;", "IncludePath reads back with a final separator");
s.AddCode("@include onlyb\n@include both");
eq(s.Eval("onlyb"), "b", "found in the second entry");
eq(s.Eval("both"), "a", "the first entry wins");
eq(s.PreprocessCode("@include both"), "", "PreprocessCode shares the record of names");

// Run answers the exit code set since the last Init; Init resets it.
s = rtl.Script("var ran = true; rtl.Quit(3);");
eq(s.Run(), 3, "Run answers the exit code");
s.Init();
eq(s.Run(), 0, "Init resets the exit code");
eq(s.Eval("typeof ran"), "undefined", "Init starts a new engine");

// Reading Script starts the engine; named items survive Init.
s = rtl.Script("var early = 5;");
eq(s.Script.early, 5, "reading Script runs the code added so far");
var shared = rtl.Object();
shared.value = 9;
s.AddItem("shared", shared);
s.Init();
eq(s.Eval("shared.value"), 9, "a named item survives Init");
s.AddItem("g", shared, true);
eq(s.Eval("value"), 9, "a global-members item's members are globals");
s.Close();
eq(s.Eval("1"), undefined, "nothing runs after Close");
s.Init();
eq(s.Eval("1 + 1"), 2, "Init after Close");

done();
