// Makes a new key set for sealed packages.
//   ulka-script tools/make-keys.js OUTPUT.key
// The file holds the public key, the Twofish key and the initial vector that a build carries
// (cmake -DULKA_KEY_FILE=OUTPUT.key), and the private key that ulka-pack --seal signs with.
// Keep the file secret: whoever has it can seal packages that such a build accepts.
// Anything at the name, a folder included (reading a folder throws).
function exists(fileName) {
  try {
    return rtl.LoadFile(fileName) !== undefined;
  } catch (e) {
    return true;
  }
}

if (rtl.ParamCount < 1) {
  console.error("usage: make-keys OUTPUT.key");
  rtl.Quit(2);
} else if (exists(rtl.Params(1))) {
  // A key set replaced is a private key lost: programs built with it take no new packages.
  console.error("make-keys: " + rtl.Params(1) + " already exists; name a new file (a key set is never overwritten)");
  rtl.Quit(1);
} else {
  var output = rtl.Params(1);

  // 16 random bytes: a hash over two random identifiers (whose version bits are fixed).
  function random16() {
    var a = rtl.Guid(), b = rtl.Guid();
    var both = new Uint8Array(32);
    both.set(a, 0);
    both.set(b, 16);
    return rtl.Md5(both);
  }

  var signer = rtl.Signer();
  if (!signer.CreateKey(1024)) throw new Error("cannot create an RSA key");
  var text =
      "# Ulka key set for sealed packages, made by tools/make-keys.\n" +
      "# PublicKey, Key and InitVector are built into the program; PrivateKey signs packages.\n" +
      "PublicKey=" + rtl.Base64(signer.ExportPublicKey()) + "\n" +
      "PrivateKey=" + rtl.Base64(signer.ExportPrivateKey("")) + "\n" +
      "Key=" + rtl.Base64(random16()) + "\n" +
      "InitVector=" + rtl.Base64(random16()) + "\n";
  rtl.SaveFile(output, rtl.MBStr(text));
  if (!exists(output)) {
    console.error("make-keys: cannot write " + output);
    rtl.Quit(1);
  } else {
    console.log("wrote " + output + " (readable by you only: keep it private)");
  }
}
