// The shell object's key store (RegRead, RegWrite, RegDelete) in a key file under the XDG config
// folder, which the test points at a folder of its own. Each case answers [got, want].
@include common

var config = shell.ExpandEnvironmentStrings("$XDG_CONFIG_HOME");
var key = "HKCU\\Software\\UlkaTest" + Math.floor(Math.random() * 1e9) + "\\";
shell.Environment("PROCESS").Item("ULKA_R", "expanded");
function readFailure(name) { return 'Unable to open registry key "' + name + '" for reading.|-2147024894'; }
function roundTrip(value, type) { shell.RegWrite(key + "v", value, type); var r = shell.RegRead(key + "v"); return Array.isArray(r) ? "[" + r.join(" ") + "]" : typeof r + ":" + r; }

var cases = {
  "the store is a key file under the config folder": function () {
    shell.RegWrite(key + "first", "1");
    return [config.indexOf("/") === 0 && fso.FileExists(config + "/ulka/registry.conf"), true];
  },
  "every value type": function () {
    return [[roundTrip("text"), roundTrip("text", "REG_SZ"), roundTrip(42, "REG_SZ"), roundTrip("%ULKA_R%/x", "REG_EXPAND_SZ"),
      roundTrip(42, "REG_DWORD"), roundTrip("17", "reg_dword"), roundTrip(4294967295, "REG_DWORD"), roundTrip(-5, "REG_DWORD"),
      roundTrip(0x01020304, "REG_BINARY"), roundTrip(new Uint8Array([9, 8, 255]), "REG_BINARY")].join(" | "),
      "string:text | string:text | string:42 | string:expanded/x | number:42 | number:17 | number:-1 | number:-5 | [4 3 2 1] | [9 8 255]"];
  },
  "values a type cannot take": function () {
    return [[failure(function () { shell.RegWrite(key + "v", "abc", "REG_DWORD"); }), failure(function () { shell.RegWrite(key + "v", 4294967296, "REG_DWORD"); }),
      failure(function () { shell.RegWrite(key + "v", 1, "REG_QWORD"); }), failure(function () { shell.RegWrite(key + "v", rtl.Object(), "REG_BINARY"); })].join(" / "),
      ["Type mismatch|-2147352571", "Type mismatch|-2147352571", "Invalid procedure call or argument|" + runtimeError(5), "Type mismatch|-2147352571"].join(" / ")];
  },
  "names match in any letter case, roots in both forms": function () {
    shell.RegWrite(key + "Mixed", "m");
    var longForm = key.replace("HKCU\\", "hkey_current_user\\").toLowerCase();
    return [shell.RegRead(longForm + "MIXED"), "m"];
  },
  "a key's default value": function () {
    var sub = key + "Sub\\";
    var before = shell.RegRead(key);
    shell.RegWrite(sub, "default");
    return [JSON.stringify(before) + "|" + shell.RegRead(sub) + "|" + shell.RegRead(sub.toUpperCase()), '""|default|default'];
  },
  "value names of any characters": function () {
    var odd = ["a=b", "[c]", "%41", "@", " lead", "x\ny", "ü", "#hash"];
    odd.forEach(function (n, i) { shell.RegWrite(key + "Odd\\" + n, "v" + i); });
    return [odd.map(function (n) { return shell.RegRead(key + "Odd\\" + n); }).join(","), "v0,v1,v2,v3,v4,v5,v6,v7"];
  },
  "reading what is not there": function () {
    return [[failure(function () { shell.RegRead(key + "none"); }), failure(function () { shell.RegRead(key + "NoKey\\"); }),
      failure(function () { shell.RegRead("HKXX\\Software\\x"); }), failure(function () { shell.RegRead("nobackslash"); })].join(" / "),
      [readFailure(key + "none"), readFailure(key + "NoKey\\"), 'Invalid root in registry key "HKXX\\Software\\x".|-2147024894',
        'Invalid root in registry key "nobackslash".|-2147024894'].join(" / ")];
  },
  "RegDelete removes values, and keys without subkeys": function () {
    shell.RegWrite(key + "Del\\Inner\\v", "1");
    var withSub = failure(function () { shell.RegDelete(key + "Del\\"); });
    shell.RegDelete(key + "Del\\Inner\\v");
    var keyStays = shell.RegRead(key + "Del\\Inner\\");
    shell.RegDelete(key + "Del\\Inner\\");
    shell.RegDelete(key + "Del\\");
    return [[withSub, JSON.stringify(keyStays), failure(function () { shell.RegRead(key + "Del\\Inner\\"); }).split("|")[0],
      failure(function () { shell.RegDelete(key + "Del\\"); }), failure(function () { shell.RegDelete(key + "none"); }).split("|")[0]].join(" / "),
      ['Unable to remove registry key "' + key + 'Del\\".|-2147024894', '""', readFailure(key + "Del\\Inner\\").split("|")[0],
        'Unable to remove registry key "' + key + 'Del\\".|-2147024894', 'Unable to remove registry key "' + key + 'none".'].join(" / ")];
  },
  "another process sees what was written": function () {
    shell.RegWrite(key + "shared", "across");
    var script = config + "/read-key.js";
    writeText(script, 'console.log(rtl.Shell().RegRead(rtl.Params(1)));');
    var x = shell.Exec(rtl.ModuleFileName + " " + script + " '" + key + "shared'");
    return [x.StdOut.ReadAll(), "across\n"];
  },
};

runCases(cases, function () { try { shell.RegDelete(key + "first"); } catch (e) {} });
