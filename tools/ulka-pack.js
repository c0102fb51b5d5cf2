// Packs a folder into a stand-alone program: a copy of the host program that carries the folder
// as its package (resource type 23 named "ULKA"), plain or sealed.
//   ulka-script tools/ulka-pack.js [--seal] [--icon FILE.ico] [--host PROGRAM] [--keys FILE.key]
//                                  FOLDER OUTPUT
// A sealed package is encrypted with Twofish under the key set's key and initial vector and
// signed with its private key; only a program built with the same key set opens it.
var kStartPages = ["*.ulka", "index.html", "index.htm", "*.html", "*.htm"];

function fail(message) {
  console.error("ulka-pack: " + message);
  rtl.Quit(1);
  throw new Error(message);
}

function parseArguments() {
  var options = {seal: false, icon: "", host: "", keys: "", files: []};
  for (var i = 1; i <= rtl.ParamCount; i++) {
    var a = rtl.Params(i);
    if (a === "--seal") options.seal = true;
    else if (a === "--icon") options.icon = rtl.Params(++i);
    else if (a === "--host") options.host = rtl.Params(++i);
    else if (a === "--keys") options.keys = rtl.Params(++i);
    else if (a === "--default-host") options.defaultHost = rtl.Params(++i);
    else if (a.charAt(0) === "-") fail("unknown option " + a);
    else options.files.push(a);
  }
  if (options.files.length !== 2)
    fail("usage: ulka-pack [--seal] [--icon FILE.ico] [--host PROGRAM] FOLDER OUTPUT");
  return options;
}

// The "Name=value" lines of a key file made by tools/make-keys.
function readKeys(fileName) {
  var bytes = rtl.LoadFile(fileName);
  if (bytes === undefined) fail("cannot read the key file " + fileName);
  var keys = {};
  var lines = rtl.Str(bytes).split("\n");
  for (var i = 0; i < lines.length; i++) {
    var m = /^([A-Za-z]+)=(.+)$/.exec(lines[i].replace(/\r$/, ""));
    if (m) keys[m[1]] = m[2];
  }
  if (!keys.PrivateKey || !keys.PublicKey || !keys.Key || !keys.InitVector)
    fail(fileName + " is not a complete key set (make one with tools/make-keys)");
  return keys;
}

function startPage(zip) {
  for (var i = 0; i < kStartPages.length; i++) {
    var index = zip.IndexOf(kStartPages[i]);
    if (index >= 0) return zip.Names(index);
  }
  return "";
}

function seal(data, keys) {
  var cryptor = rtl.Cryptor("twofish");
  var encrypted = cryptor.Encrypt(data, keys.Key, keys.InitVector);
  var signer = rtl.Signer();
  if (!signer.ImportPrivateKey(keys.PrivateKey, "")) fail("the key file's private key does not import");
  if (rtl.Base64(signer.ExportPublicKey()) !== keys.PublicKey)
    fail("the key file's private key does not match its public key");
  var signed = signer.SignData(encrypted);
  var sealed = new Uint8Array(4 + signed.length);
  sealed.set([0x55, 0x4C, 0x4B, 0x41], 0);  // "ULKA"
  sealed.set(signed, 4);
  return sealed;
}

var options = parseArguments();
var folder = options.files[0], output = options.files[1];
var zip = rtl.Zip();
zip.AddFolder(folder, "", true);
if (zip.Length === 0) fail("no files in " + folder);
var start = startPage(zip);
if (start === "") fail("no start page in " + folder + " (a .ulka, index.html or .html file)");

var data = zip.Zip;
if (options.seal) data = seal(data, readKeys(options.keys));

var host = options.host || options.defaultHost || rtl.ModuleFileName;
var program = rtl.LoadFile(host);
if (program === undefined) fail("cannot read the host program " + host);
rtl.SaveFile(output, program);
if (!rtl.UpdateRes(output, 23, "ULKA", data)) fail("cannot write the package into " + output);
if (options.icon !== "") {
  var icon = rtl.LoadFile(options.icon);
  if (icon === undefined || !rtl.UpdateRes(output, 14, "MAINICON", icon))
    fail(options.icon + " is not a usable icon file");
}
console.log("ulka-pack: " + output + ": " + zip.Length + " files, start page " + start +
            (options.seal ? ", sealed" : ""));
