// The shell object: starting programs (never through a shell unless asked), the environment,
// the current folder, special folders, the self-closing message box and launcher shortcuts.
// Each case answers [got, want].
@include common

var base = scratchFolder("shell");
var notFound = "The system cannot find the file specified.|-2147024894";
var invalid = "Invalid procedure call or argument|" + runtimeError(5);
var env = shell.Environment("PROCESS");
env.Item("ULKA_T", "v");

function output(command) {
  var x = shell.Exec(command);
  var out = x.StdOut.ReadAll();
  while (x.Status === 0) rtl.Sleep(5);
  return out;
}

var cases = {
  "ExpandEnvironmentStrings": function () {
    return [["%ULKA_T%", "$ULKA_T/x", "${ULKA_T}y", "%ulka_t%", "%UNSET_ULKA%", "$UNSET_ULKA", "100%", "a%%b", "$1", "${}"]
      .map(function (s) { return shell.ExpandEnvironmentStrings(s); }).join("|"), "v|v/x|vy|v|%UNSET_ULKA%|$UNSET_ULKA|100%|a%%b|$1|${}"];
  },
  "the platform's variables have answers here": function () {
    return [["%TEMP%", "%USERPROFILE%", "%APPDATA%", "%USERNAME%"].map(function (s) { var v = shell.ExpandEnvironmentStrings(s); return v !== s && v.length > 0; }).join(","),
      "true,true,true,true"];
  },
  "Environment PROCESS is read and written": function () {
    env.Item("ULKA_T2", "two");
    var seen = env("ULKA_T2");
    var listed = env._NewEnum().indexOf("ULKA_T2=two") >= 0;
    var count = env.Count;
    env.Remove("ULKA_T2");
    return [[seen, listed, count === env.Count + 1, env("ULKA_T2"), env.Length === env.Count].join(","), "two,true,true,,true"];
  },
  "other kinds read the same and refuse changes": function () {
    var system = shell.Environment();
    return [[system("ULKA_T"), shell.Environment("user")("ULKA_T"), failure(function () { system.Item("ULKA_T", "x"); }),
      failure(function () { shell.Environment("bogus"); }), failure(function () { env.Item("A=B", "x"); })].join(" / "),
      ["v", "v", "Permission denied|" + runtimeError(70), invalid, invalid].join(" / ")];
  },
  "started programs inherit the environment": function () { return [output("printenv ULKA_T"), "v\n"]; },
  "Run waits and answers the exit code": function () {
    return [[shell.Run("true", 0, true), shell.Run("sh -c 'exit 7'", 1, true), shell.Run("sleep 0.01")].join(","), "0,7,0"];
  },
  "Run of a missing program or a broken command": function () {
    return [[failure(function () { shell.Run("no-such-program-ulka"); }), failure(function () { shell.Run("echo 'open"); }),
      failure(function () { shell.Run(""); }), failure(function () { shell.Exec("/no/such/program"); })].join(" / "),
      [notFound, invalid, invalid, notFound].join(" / ")];
  },
  "metacharacters reach the program as they are": function () {
    var marker = base + "/pwned";
    var said = output("echo hi; touch " + marker + " && `touch " + marker + "` $(touch " + marker + ") | > " + marker);
    return [[said.indexOf("hi; touch") === 0 && said.indexOf("$(touch") > 0, fso.FileExists(marker)].join(","), "true,false"];
  },
  "quotes group words as a launcher does": function () { return [output("printf '[%s]' 'a b' \"c d\" e\\ f"), "[a b][c d][e f]"]; },
  // Quotes and backslashes, nothing else: "#" starts no comment, and a backslash inside double
  // quotes stays unless it escapes one of $ ` " \.
  "the command line rule, case by case": function () {
    var table = [
      ["prog file #1.txt", "[file][#1.txt]"],
      ["prog #comment-like", "[#comment-like]"],
      ["prog a#b '#c' \"#d\"", "[a#b][#c][#d]"],
      ["prog \"C:\\dir\\x\" '\\' \\\\", "[C:\\dir\\x][\\][\\]"],
      ["prog \"say \\\"hi\\\"\" it\\'s", "[say \"hi\"][it's]"],
      ["prog   spaced\t\ttabs  ''", "[spaced][tabs][]"],
      ["prog \"\\$HOME\"", "[$HOME]"],
    ];
    return [table.map(function (c) { return output(c[0].replace("prog", "printf [%s]")); }).join("|"),
            table.map(function (c) { return c[1]; }).join("|")];
  },
  "%NAME% is expanded in each argument": function () { return [output("echo %ULKA_T% '%ULKA_T%'"), "v v\n"]; },
  "a shell only when the command names one": function () { return [output("sh -c 'echo $((6*7))'"), "42\n"]; },
  "Exec streams, status and exit code": function () {
    var x = shell.Exec("sh -c 'echo out; echo err >&2; exit 3'");
    var out = x.StdOut.ReadAll(), err = x.StdErr.ReadAll();
    while (x.Status === 0) rtl.Sleep(5);
    return [[out, err, x.Status, x.ExitCode, x.ProcessID > 0].join("|"), "out\n|err\n|1|3|true"];
  },
  "Exec writes to the program's input": function () {
    var x = shell.Exec("cat");
    x.StdIn.Write("abc");
    x.StdIn.WriteLine("d");
    x.StdIn.WriteBlankLines(1);
    x.StdIn.Close();
    return [x.StdOut.ReadAll(), "abcd\n\n"];
  },
  // A Linux program reads "hello", not "hello\r": lines written to a child end with LF.
  "a line a child reads": function () {
    var x = shell.Exec("sh -c 'read line; printf \"[%s]\" \"$line\"'");
    x.StdIn.WriteLine("hello");
    return [x.StdOut.ReadAll(), "[hello]"];
  },
  "output on one stream does not stall the other": function () {
    var x = shell.Exec("sh -c 'head -c 300000 /dev/zero | tr \"\\000\" e >&2; echo done'");
    return [x.StdOut.ReadAll() + x.StdErr.ReadAll().length, "done\n300000"];
  },
  "writing to a program that has ended": function () {
    var x = shell.Exec("true");
    while (x.Status === 0) rtl.Sleep(5);
    return [failure(function () { for (var i = 0; i < 100; i++) x.StdIn.Write(new Array(10000).join("x")); }).split("|")[0], "Path/File access error"];
  },
  "Terminate ends a running program": function () {
    var x = shell.Exec("sleep 30");
    var running = x.Status;
    var started = Date.now();
    x.Terminate();
    return [[running, x.Status, x.ExitCode, Date.now() - started < 5000].join(","), "0,1,143,true"];
  },
  "CurrentDirectory": function () {
    var was = shell.CurrentDirectory;
    shell.CurrentDirectory = base;
    var now = shell.CurrentDirectory;
    var missing = failure(function () { shell.CurrentDirectory = base + "/none"; });
    shell.CurrentDirectory = was;
    return [[now === base, fso.GetAbsolutePathName("x") === was + "/x", missing].join(","), "true,true,Path not found|" + runtimeError(76)];
  },
  "SpecialFolders": function () {
    var desktop = shell.SpecialFolders("Desktop");
    return [[desktop.length > 1, desktop.slice(-1) !== "/", shell.SpecialFolders("mydocuments") + "/" === rtl.GetSpecialFolderPath(5),
      shell.SpecialFolders("NoSuchFolder")].join(","), "true,true,true,"];
  },
  "Popup closes itself after its seconds": function () {
    var started = Date.now();
    var answer = shell.Popup("closing by itself", 1, "Ulka test", 1);
    var took = Date.now() - started;
    return [answer + "," + (took >= 900 && took < 10000), "-1,true"];
  },
  "a shortcut is a launcher file": function () {
    var link = shell.CreateShortcut(base + "/Tool.lnk");
    link.TargetPath = "/usr/bin/env";
    link.Arguments = "a \"b c\" 100% $HOME";
    link.Description = "Runs env";
    link.WorkingDirectory = base;
    link.IconLocation = "/usr/share/icons/tool.png,0";
    link.Save();
    var text = rtl.Str(rtl.LoadFile(base + "/Tool.desktop"));
    var again = shell.CreateShortcut(base + "/Tool.desktop");
    return [[link.FullName === base + "/Tool.desktop", text.indexOf('Exec=/usr/bin/env a "b c" 100%% "\\\\$HOME"\n') >= 0,
      text.indexOf("Type=Application\n") >= 0, text.indexOf("Comment=Runs env\n") >= 0, text.indexOf("Icon=/usr/share/icons/tool.png\n") >= 0,
      fso.GetFile(link.FullName).Attributes & 1, again.TargetPath, again.Arguments, again.Description].join("|"),
      "true|true|true|true|true|0|/usr/bin/env|a 'b c' 100% '$HOME'|Runs env"];
  },
  "a shortcut to a URL, and names a shortcut cannot have": function () {
    var link = shell.CreateShortcut(base + "/Site.url");
    link.TargetPath = "https://example.invalid/page";
    link.Save();
    var text = rtl.Str(rtl.LoadFile(base + "/Site.desktop"));
    return [[text.indexOf("Type=Link\n") >= 0 && text.indexOf("URL=https://example.invalid/page\n") >= 0,
      failure(function () { shell.CreateShortcut(base + "/x.txt"); }), failure(function () { shell.CreateShortcut(base + "/empty.lnk").Save(); })].join(" / "),
      ["true", "The shortcut pathname must end with .lnk, .url or .desktop.|" + runtimeError(5), invalid].join(" / ")];
  },
};

runCases(cases, function () { fso.DeleteFolder(base, true); });
