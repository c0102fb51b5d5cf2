// Packs a folder into a stand-alone program: a copy of the host program that carries the folder
// as its package (resource type 23 named "ULKA"), plain or sealed, and the web extension its pages
// need (resource type 10 named "ULKAEXTENSION", compressed with xz; the program unpacks it at
// start); with --deb, the files of a Debian package of that program (tools/ulka-deb.sh builds the
// package from them), where the extension is a file of the package instead.
//   ulka-script tools/ulka-pack.js [OPTIONS] FOLDER OUTPUT
// A sealed package is encrypted with Twofish under the key set's key and initial vector and
// signed with its private key; only a program built with the same key set opens it.
var kStartPages = ["*.ulka", "index.html", "index.htm", "*.html", "*.htm"];
var kUsage = [
  "usage: ulka-pack [--seal] [--icon ICON] [--host PROGRAM] [--keys FILE.key] FOLDER OUTPUT",
  "       ulka-pack --deb NAME [--seal] [--icon ICON] [--maintainer \"NAME <MAIL>\"] FOLDER [OUTPUT.deb]",
  "       ulka-pack --help | --version",
  "",
  "Packs the application in FOLDER into OUTPUT, a copy of the host program that runs it by itself.",
  "FOLDER needs a start page: a .ulka file, else index.html, index.htm, or any .html/.htm file.",
  "",
  "  --seal            encrypt and sign the package with the build's key set",
  "  --icon ICON       the program's icon: an .ico file (bitmap or PNG images) or any picture,",
  "                    such as a PNG (made into an .ico of PNG images)",
  "  --host PROGRAM    the host program to copy (default: this build's ulka)",
  "  --keys FILE.key   the key set to seal with (default: the one this build was made with)",
  "  --deb NAME        build a Debian package NAME of the program instead: /usr/bin/NAME, a desktop",
  "                    entry (name, comment, version from the settings tag) and the icon; OUTPUT is",
  "                    the .deb file or a folder for it (default: NAME_VERSION_ARCH.deb here)",
  "  --maintainer M    the package's maintainer (default: DEBFULLNAME and DEBEMAIL)",
  "  --help            this text",
  "  --version         the version of Ulka"
].join("\n");
var kSealChunk = 1 << 20;
// The MD5 of the public key of keys/development.key, whose private key ships with the sources.
var kDevelopmentPublicKeyMd5 = "1DC59CE4DDE859DA99A32BB4F50FA8DE";
var kIconSizes = [16, 22, 24, 32, 48, 64, 128, 256];
// The sizes of the .ico made from a picture for the program itself.
var kProgramIconSizes = [16, 32, 48, 64, 128, 256];

function PackError(message) { this.message = message; }
function fail(message) { throw new PackError(message); }
function say(text) { console.log("ulka-pack: " + text); }
function warn(text) { console.error("ulka-pack: warning: " + text); }

// Options that take a value, and what the value is, for the message when it is missing.
var kValueOptions = {
  "--icon": "an icon file", "--host": "a program", "--keys": "a key file", "--deb": "a package name",
  "--maintainer": "a name and mail address",
  // Given by the ulka-pack command: where things are, and the folder it reads the results from.
  "--default-host": "a program", "--stage": "a folder", "--extension": "a file", "--arch": "an architecture",
  "--packed-extension": "a file",
  "--default-maintainer": "a name and mail address", "--deb-host": "a program"
};

function parseArguments() {
  var options = {seal: false, files: []};
  for (var i = 1; i <= rtl.ParamCount; i++) {
    var a = rtl.Params(i);
    if (a === "--help" || a === "-h") return {help: true};
    if (a === "--version") return {version: true};
    if (a === "--seal") {
      options.seal = true;
    } else if (kValueOptions.hasOwnProperty(a)) {
      if (i === rtl.ParamCount || rtl.Params(i + 1) === "") fail(a + " needs " + kValueOptions[a]);
      // The last of a repeated option counts.
      options[a.substr(2).replace(/-(.)/g, function (m, c) { return c.toUpperCase(); })] = rtl.Params(++i);
    } else if (a.charAt(0) === "-" && a.length > 1) {
      fail("unknown option " + a + " (ulka-pack --help lists them)");
    } else {
      options.files.push(a);
    }
  }
  var deb = options.deb !== undefined;
  if (options.files.length === 0) fail("name the folder to pack" + (deb ? "" : " and the program to write"));
  if (options.files.length === 1 && !deb) fail("name the program to write after the folder " + options.files[0]);
  if (options.files.length > 2) fail("too many arguments: " + options.files.slice(2).join(" "));
  if (options.deb === undefined && options.maintainer !== undefined) fail("--maintainer goes with --deb");
  if (options.deb !== undefined && !/^[a-z0-9][a-z0-9+.-]+$/.test(options.deb))
    fail(options.deb + " is not a Debian package name (lower-case letters, digits, '+', '-' and '.', " +
         "at least two, starting with a letter or digit)");
  if (options.stage === undefined) fail("run the ulka-pack command, not this script");
  return options;
}

// A folder throws when read as a file; a file gives its bytes; nothing there gives Empty.
function checkFolder(folder) {
  var bytes;
  try {
    bytes = rtl.LoadFile(folder);
  } catch (e) {
    return;
  }
  if (bytes === undefined) fail("cannot find the folder " + folder);
  fail(folder + " is a file, not a folder (pack the folder that holds it)");
}

function checkOutput(output) {
  try {
    rtl.LoadFile(output);
  } catch (e) {
    fail(output + " is a folder: name the program to write");
  }
}

function readFile(fileName, what) {
  var bytes;
  try {
    bytes = rtl.LoadFile(fileName);
  } catch (e) {
    fail("cannot read " + what + " " + fileName + ": " + e.message);
  }
  if (bytes === undefined) fail("cannot find " + what + " " + fileName);
  return bytes;
}

// The "Name=value" lines of a key file made by tools/make-keys.
function readKeys(fileName) {
  if (fileName === undefined) fail("--seal needs the key set (--keys FILE.key)");
  var keys = {};
  var lines = rtl.Str(readFile(fileName, "the key file")).split("\n");
  for (var i = 0; i < lines.length; i++) {
    var m = /^([A-Za-z]+)=(.+)$/.exec(lines[i].replace(/\r$/, ""));
    if (m) keys[m[1]] = m[2];
  }
  if (!keys.PrivateKey || !keys.PublicKey || !keys.Key || !keys.InitVector)
    fail(fileName + " is not a complete key set (make one with tools/make-keys)");
  keys.name = fileName;
  return keys;
}

function isDevelopmentKeySet(keys) {
  return rtl.Hex(rtl.Md5(rtl.MBStr(keys.PublicKey))) === kDevelopmentPublicKeyMd5;
}

function isIco(bytes) {
  return bytes.length >= 4 && bytes[0] === 0 && bytes[1] === 0 && bytes[2] === 1 && bytes[3] === 0;
}

function pictureOf(bytes) {
  try {
    var bitmap = rtl.Bitmap(bytes);
    return bitmap.IsEmpty() ? null : bitmap;
  } catch (e) {
    return null;
  }
}

// An icon: its bitmap for the desktop's icons, and the .ico the program carries (the file itself
// when it is one, else one made of the picture).
function makeIcon(bytes, bitmap, name) {
  return {bitmap: bitmap, name: name, ico: isIco(bytes) ? bytes : icoOf(bitmap)};
}

function readIcon(fileName) {
  var bytes = readFile(fileName, "the icon");
  var bitmap = pictureOf(bytes);
  if (!bitmap) fail(fileName + " is not a usable icon file");
  return makeIcon(bytes, bitmap, fileName);
}

// The picture fitted and centred in a transparent square.
function squareIcon(bitmap, size) {
  var square = rtl.Bitmap(size, size);
  var longer = Math.max(bitmap.Width, bitmap.Height);
  var width = Math.max(1, Math.round(bitmap.Width * size / longer));
  var height = Math.max(1, Math.round(bitmap.Height * size / longer));
  square.Draw(bitmap, rtl.Rect((size - width) >> 1, (size - height) >> 1, width, height));
  return square;
}

// An .ico of PNG images, the usual form of a modern icon, at the sizes up to the picture's own
// (16 and 32 always).
function icoOf(bitmap) {
  var longer = Math.max(bitmap.Width, bitmap.Height);
  var images = kProgramIconSizes.filter(function (size) { return size <= 32 || size <= longer; })
                                .map(function (size) { return {size: size, png: squareIcon(bitmap, size).PNG()}; });
  var length = 6 + 16 * images.length;
  images.forEach(function (image) { length += image.png.length; });
  var ico = new Uint8Array(length), view = new DataView(ico.buffer);
  view.setUint16(2, 1, true);
  view.setUint16(4, images.length, true);
  var offset = 6 + 16 * images.length;
  images.forEach(function (image, i) {
    var entry = 6 + 16 * i;
    ico[entry] = ico[entry + 1] = image.size === 256 ? 0 : image.size;
    view.setUint16(entry + 4, 1, true);   // planes
    view.setUint16(entry + 6, 32, true);  // bits per pixel
    view.setUint32(entry + 8, image.png.length, true);
    view.setUint32(entry + 12, offset, true);
    ico.set(image.png, offset);
    offset += image.png.length;
  });
  return ico;
}

function startPage(zip) {
  for (var i = 0; i < kStartPages.length; i++) {
    var index = zip.IndexOf(kStartPages[i]);
    if (index >= 0) return zip.Names(index);
  }
  return "";
}

function megabytes(n) { return (n / 1048576).toFixed(1) + " MB"; }

// Twofish in 8-bit cipher feedback needs only the 16 bytes of ciphertext before a byte, so the
// package is encrypted a chunk at a time, each chunk's vector the last 16 bytes of the one before.
function encrypt(data, keys) {
  var cryptor = rtl.Cryptor("twofish");
  var encrypted = new Uint8Array(data.length);
  var vector = keys.InitVector, shown = -1;
  for (var at = 0; at < data.length; at += kSealChunk) {
    var end = Math.min(at + kSealChunk, data.length);
    var chunk = cryptor.Encrypt(data.subarray(at, end), keys.Key, vector);
    encrypted.set(chunk, at);
    vector = encrypted.slice(end - 16, end);
    var percent = Math.floor(end * 100 / data.length / 10) * 10;
    if (percent !== shown) {
      say("sealing " + megabytes(data.length) + ": " + percent + "%");
      shown = percent;
    }
  }
  return encrypted;
}

function seal(data, keys) {
  var signer = rtl.Signer();
  if (!signer.ImportPrivateKey(keys.PrivateKey, "")) fail("the key file's private key does not import");
  if (rtl.Base64(signer.ExportPublicKey()) !== keys.PublicKey)
    fail("the key file's private key does not match its public key");
  if (isDevelopmentKeySet(keys))
    warn("sealed with the public development key set (" + keys.name + "): its private key ships with " +
         "the sources, so anyone can make packages that this program accepts; make a key set of your own " +
         "with tools/make-keys and build with -DULKA_KEY_FILE=FILE.key");
  var encrypted = encrypt(data, keys);
  say("signing");
  var signed = signer.SignData(encrypted);
  var sealed = new Uint8Array(4 + signed.length);
  sealed.set([0x55, 0x4C, 0x4B, 0x41], 0);  // "ULKA"
  sealed.set(signed, 4);
  return sealed;
}

// Writes the program through a temporary file, so OUTPUT is either whole or untouched. A program
// of a Debian package gets no extension: the package holds it.
function writeProgram(output, hostBytes, data, icon, extension) {
  var temporary = output + ".ulka-pack-part";
  try {
    rtl.SaveFile(temporary, hostBytes);
    if (!rtl.UpdateRes(temporary, 23, "ULKA", data)) fail("cannot write the package into " + output);
    if (extension && !rtl.UpdateRes(temporary, 10, "ULKAEXTENSION", extension))
      fail("cannot write the web extension into " + output);
    if (icon && !rtl.UpdateRes(temporary, 14, "MAINICON", icon.ico))
      fail(icon.name + " is not a usable icon file");
    rtl.SaveFile(output, rtl.LoadFile(temporary));
  } finally {
    rtl.DeleteFile(temporary);
  }
}

// --- the Debian package's files ----------------------------------------------------------------

// The settings tag's attributes, scanned as the launcher scans them: from "<ulka:application" to
// the first "/>", name="value" pairs, names in any case.
function settingsTag(page) {
  var text = rtl.Str(page), lower = text.toLowerCase();
  var start = lower.indexOf("<ulka:application");
  if (start < 0) return {};
  var end = text.indexOf("/>", start);
  if (end < 0) return {};
  var attributes = {}, re = /\s*([^\s=]+)\s*=\s*"([^"]*)"/g, body = text.substring(start + 17, end), m;
  while ((m = re.exec(body)) !== null) attributes[m[1].toLowerCase()] = m[2];
  return attributes;
}

function pageTitle(page) {
  var m = /<title[^>]*>([^<]*)<\/title>/i.exec(rtl.Str(page));
  return m ? m[1].replace(/\s+/g, " ").trim() : "";
}

// What the desktop entry and the package say about the application.
function describeApplication(zip, start, name) {
  var page = zip(start), tag = settingsTag(page);
  var version = tag.version || "1.0";
  if (!/^[0-9][A-Za-z0-9.+~]*$/.test(version))
    fail("the settings tag's version \"" + version + "\" is not a package version (say version=\"1.2\")");
  var title = tag.name || pageTitle(page) || name;
  return {
    title: title,
    comment: tag.comment || pageTitle(page) || title,
    version: version,
    company: tag.company || "",
    // The launcher names the program's windows after the tag's "name"; without one the toolkit
    // takes the program's name with a capital first letter.
    windowClass: tag.name || name.charAt(0).toUpperCase() + name.substr(1)
  };
}

// The application's own icon: the start page's <link rel="icon">, else favicon.ico or icon.png.
function applicationIcon(zip, start) {
  var m = /<link[^>]*rel="(?:shortcut )?icon"[^>]*href="([^"]+)"/i.exec(rtl.Str(zip(start)));
  var folder = start.lastIndexOf("/") >= 0 ? start.substr(0, start.lastIndexOf("/") + 1) : "";
  var names = (m && m[1].indexOf(":") < 0 ? [folder + m[1]] : []).concat(["favicon.ico", "icon.png"]);
  for (var i = 0; i < names.length; i++) {
    var bytes = zip.IndexOf(names[i]) >= 0 ? zip(names[i]) : undefined;
    var bitmap = bytes === undefined ? null : pictureOf(bytes);
    if (bitmap) return makeIcon(bytes, bitmap, names[i]);
  }
  return null;
}

function desktopValue(text) {
  return String(text).replace(/[\r\n\t]+/g, " ").replace(/\\/g, "\\\\");
}

function desktopEntry(name, about) {
  return [
    "[Desktop Entry]",
    "Type=Application",
    "Name=" + desktopValue(about.title),
    "Comment=" + desktopValue(about.comment),
    "Exec=" + name + " %U",
    about.icon ? "Icon=" + name : null,
    "Terminal=false",
    "Categories=Utility;",
    "StartupNotify=true",
    "StartupWMClass=" + desktopValue(about.windowClass),
    ""
  ].filter(function (line) { return line !== null; }).join("\n");
}

function iconPngs(root, name, bitmap) {
  var largest = Math.max(bitmap.Width, bitmap.Height, 48);
  var made = [];
  for (var i = 0; i < kIconSizes.length; i++) {
    var size = kIconSizes[i];
    if (size > largest) break;
    rtl.SaveFile(root + "/usr/share/icons/hicolor/" + size + "x" + size + "/apps/" + name + ".png",
                 squareIcon(bitmap, size).PNG());
    made.push(size);
  }
  return made;
}

function changelog(name, about, maintainer) {
  return name + " (" + about.version + ") unstable; urgency=medium\n\n" +
         "  * Packed by ulka-pack.\n\n -- " + maintainer + "  " + rfc2822(new Date()) + "\n";
}

function rfc2822(date) {
  var days = ["Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"];
  var months = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"];
  function two(n) { return (n < 10 ? "0" : "") + n; }
  return days[date.getUTCDay()] + ", " + two(date.getUTCDate()) + " " + months[date.getUTCMonth()] + " " +
         date.getUTCFullYear() + " " + two(date.getUTCHours()) + ":" + two(date.getUTCMinutes()) + ":" +
         two(date.getUTCSeconds()) + " +0000";
}

function control(name, about, maintainer, arch) {
  return [
    "Package: " + name,
    "Version: " + about.version,
    "Architecture: " + arch,
    "Maintainer: " + maintainer,
    "Depends: ${shlibs:Depends}",
    "Section: misc",
    "Priority: optional",
    "Description: " + desktopValue(about.comment).substr(0, 70)
  ].concat(wrap(desktopValue(about.title) + ", an HTML application made into a program of its own by " +
                "ulka-pack. It opens in a window of its own and is started from the desktop's menu.", 75)
           .map(function (line) { return " " + line; }), [""]).join("\n");
}

function wrap(text, width) {
  var lines = [], line = "";
  text.split(" ").forEach(function (word) {
    if (line && (line + " " + word).length > width) {
      lines.push(line);
      line = word;
    } else {
      line = line ? line + " " + word : word;
    }
  });
  if (line) lines.push(line);
  return lines;
}

function copyright(name, about) {
  return "This is " + name + " " + about.version + ", " + about.title + ", packed by ulka-pack.\n\n" +
         "Copyright " + new Date().getFullYear() + " " + (about.company || "the authors of " + about.title) + "\n";
}

function maintainerOf(options) {
  var m = options.maintainer !== undefined ? options.maintainer : options.defaultMaintainer;
  if (m === undefined) fail("--deb needs a maintainer: --maintainer \"NAME <MAIL>\" (or DEBFULLNAME and DEBEMAIL)");
  if (!/^[^<>]+ <[^<>@\s]+@[^<>@\s]+\.[^<>@\s]+>$/.test(m))
    fail("the maintainer \"" + m + "\" is not a name and mail address (say \"Ann Author <ann@example.org>\")");
  return m;
}

// The files of the package under STAGE/root; STAGE/deb-output gets the .deb's file name.
function stageDebian(options, zip, start, programBytes, icon) {
  var name = options.deb, root = options.stage + "/root";
  var about = describeApplication(zip, start, name);
  var maintainer = maintainerOf(options);
  say("package " + name + " " + about.version + " (" + options.arch + "): \"" + about.title + "\"");
  rtl.SaveFile(root + "/usr/bin/" + name, programBytes);
  var extension = readFile(options.extension, "the web extension");
  rtl.SaveFile(root + "/usr/lib/" + name + "/extension/libulkaextension.so", extension);
  about.icon = icon ? icon.bitmap : null;
  if (about.icon) {
    var sizes = iconPngs(root, name, about.icon);
    say("icons from " + icon.name + ": " + sizes.join(", ") + " pixels");
  } else {
    say("no icon (give one with --icon, or put favicon.ico or icon.png in the folder)");
  }
  rtl.SaveFile(root + "/usr/share/applications/" + name + ".desktop", rtl.MBStr(desktopEntry(name, about)));
  rtl.SaveFile(root + "/usr/share/doc/" + name + "/copyright", rtl.MBStr(copyright(name, about)));
  rtl.SaveFile(options.stage + "/changelog", rtl.MBStr(changelog(name, about, maintainer)));
  rtl.SaveFile(root + "/DEBIAN/control", rtl.MBStr(control(name, about, maintainer, options.arch)));
  var output = options.files.length > 1 ? options.files[1] : "";
  var fileName = name + "_" + about.version + "_" + options.arch + ".deb";
  rtl.SaveFile(options.stage + "/deb-output", rtl.MBStr(output + "\n" + fileName + "\n"));
}

function main() {
  var options = parseArguments();
  if (options.help) {
    console.log(kUsage);
    return;
  }
  if (options.version) {
    console.log("ulka-pack " + rtl.Version);
    return;
  }
  var folder = options.files[0], output = options.files[1];
  checkFolder(folder);
  if (options.deb === undefined) checkOutput(output);
  else maintainerOf(options);
  var icon = options.icon !== undefined ? readIcon(options.icon) : null;
  var keys = options.seal ? readKeys(options.keys) : null;
  // A package gets the host stripped of its debug information (the ulka-pack command strips it).
  var host = options.debHost || options.host || options.defaultHost || rtl.ModuleFileName;
  var hostBytes = readFile(host, "the host program");

  say("packing " + folder);
  var zip = rtl.Zip();
  zip.AddFolder(folder, "", true);
  if (zip.Length === 0) fail("no files in " + folder);
  var start = startPage(zip);
  if (start === "") fail("no start page in " + folder + " (a .ulka, index.html, index.htm, .html or .htm file)");
  var data = zip.Zip;
  say(zip.Length + " files, " + megabytes(data.length) + ", start page " + start);
  if (options.seal) data = seal(data, keys);

  if (options.deb !== undefined) {
    var programFile = options.stage + "/program";
    // The program shows the package's icon on its windows too.
    var packageIcon = icon || applicationIcon(zip, start);
    writeProgram(programFile, hostBytes, data, packageIcon);
    stageDebian(options, zip, start, rtl.LoadFile(programFile), packageIcon);
    rtl.DeleteFile(programFile);
    return;
  }
  if (options.packedExtension === undefined) fail("the ulka-pack command names no web extension (--packed-extension)");
  var extension = readFile(options.packedExtension, "the web extension");
  say("writing " + output + " with its web extension (" + Math.ceil(extension.length / 1024) + " kB)");
  writeProgram(output, hostBytes, data, icon, extension);
  rtl.SaveFile(options.stage + "/program-output", rtl.MBStr(output));
  say(output + ": " + zip.Length + " files, start page " + start + (options.seal ? ", sealed" : ""));
}

try {
  main();
} catch (e) {
  if (!(e instanceof PackError)) throw e;
  console.error("ulka-pack: " + e.message);
  rtl.Quit(1);
}
