// Signer: keys, signatures and the signed-data layout. Each case returns [got, want]; failures are
// listed together. Two signers with keys are shared by the cases (key generation is slow).
function hex(a) {
  if (a === undefined) return "Empty";
  return Array.prototype.map.call(a, function (x) { return (x < 16 ? "0" : "") + x.toString(16).toUpperCase(); }).join("");
}
function bytes(list) { return new Uint8Array(list); }
function flipped(a, at) { var b = new Uint8Array(a); b[at] ^= 1; return b; }
function withLength(signed, field) { var b = new Uint8Array(signed); for (var i = 0; i < 4; i++) b[b.length - 4 + i] = field[i]; return b; }

var alice = rtl.Signer(), bob = rtl.Signer();
var made = alice.CreateKey() && bob.CreateKey(1024);
var alicePublic = alice.ExportPublicKey(), bobPublic = bob.ExportPublicKey();
var data = rtl.MBStr("application package");
var signed = alice.SignData(data);

var cases = {
  "keys made": function () { return [made, true]; },
  "public key blob": function () { return [alicePublic.length + "|" + hex(alicePublic).substr(0, 40), "148|0602000000240000525341310004000001000100"]; },
  "a new signer has no key": function () {
    var s = rtl.Signer();
    return [hex(s.ExportPublicKey()) + "|" + hex(s.Sign(data)) + "|" + hex(s.SignData(data)), "Empty|Empty|Empty"];
  },
  "a new signer verifies": function () { return [rtl.Signer().VerifySign(data, alice.Sign(data), alicePublic), true]; },
  "SignData layout": function () { return [signed.length + "|" + hex(signed).substr(-8), (data.length + 132) + "|80000000"]; },
  "VerifyData": function () { return [bob.VerifyData(signed, alicePublic), true]; },
  "GetSignedData": function () { return [rtl.Str(bob.GetSignedData(signed, alicePublic)), "application package"]; },
  "GetSignedData under the wrong key": function () { return [hex(alice.GetSignedData(signed, bobPublic)), "Empty"]; },
  "one changed byte breaks it": function () {
    var got = [];
    [0, data.length - 1, data.length, data.length + 127, signed.length - 4, signed.length - 1].forEach(function (at) {
      got.push(alice.VerifyData(flipped(signed, at), alicePublic));
    });
    return [got.join(","), "false,false,false,false,false,false"];
  },
  "malformed layouts": function () {
    var got = [bytes([1, 2, 3]), withLength(signed, [0, 0, 0, 0]), withLength(signed, [255, 255, 255, 255]),
               withLength(signed, [255, 0, 0, 0])].map(function (b) { return hex(alice.GetSignedData(b, alicePublic)); });
    return [got.join(","), "Empty,Empty,Empty,Empty"];
  },
  "signed empty data never verifies": function () {
    var s = alice.SignData(undefined);
    return [s.length + "|" + alice.VerifyData(s, alicePublic), "132|false"];
  },
  "Sign of text signs empty data": function () { return [alice.VerifySign(new Uint8Array(0), alice.Sign("AAEC"), alicePublic), true]; },
  "SignData decodes Base64 text": function () { return [hex(alice.SignData("AAEC")).substr(0, 6), "000102"]; },
  "VerifyData of hexadecimal text": function () { return [alice.VerifyData("0x" + hex(signed), alicePublic), true]; },
  "VerifySign without a public key": function () { return [alice.VerifySign(data, alice.Sign(data)), false]; },
  "VerifySign under another key": function () { return [alice.VerifySign(data, alice.Sign(data), bobPublic), false]; },
  "private key export and import": function () {
    var blob = alice.ExportPrivateKey("pässword"), copy = rtl.Signer();
    var wrong = copy.ImportPrivateKey(blob, "password"), right = copy.ImportPrivateKey(blob, "pässword");
    return [wrong + "|" + right + "|" + (hex(copy.ExportPublicKey()) === hex(alicePublic)) + "|" + hex(blob).substr(0, 16),
            "false|true|true|0702000000240000"];
  },
  "a damaged private key blob": function () {
    var blob = alice.ExportPrivateKey(""), s = rtl.Signer();
    return [s.ImportPrivateKey(flipped(blob, 300), "") + "|" + hex(s.ExportPublicKey()), "false|Empty"];
  },
  "CreateKey sizes": function () {
    var s = rtl.Signer();
    return [s.CreateKey(100) + "|" + s.CreateKey(1023) + "|" + s.CreateKey(512) + "|" + s.ExportPublicKey().length, "false|false|true|84"];
  },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "a result"]; }
  if (String(r[0]) !== String(r[1])) failures.push(name + ": got " + r[0] + ", want " + r[1]);
}
if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
rtl.Quit(0);
