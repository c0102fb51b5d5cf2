// Cryptor: "xor" and "twofish" (8-bit cipher feedback). Each case returns [got, want]; failures
// are listed together. The Twofish answers come from libgcrypt's CFB-8 mode.
function hex(a) {
  if (a === undefined) return "Empty";
  return Array.prototype.map.call(a, function (x) { return (x < 16 ? "0" : "") + x.toString(16).toUpperCase(); }).join("");
}
function bytes(h) { var a = new Uint8Array(h.length / 2); for (var i = 0; i < a.length; i++) a[i] = parseInt(h.substr(2 * i, 2), 16); return a; }
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function pattern(n) { var a = new Uint8Array(n); for (var i = 0; i < n; i++) a[i] = (i * 7 + 3) & 255; return a; }
function twofish() { return rtl.Cryptor("twofish"); }

var key128 = "0x000102030405060708090A0B0C0D0E0F";
var key256 = "0x000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F";
var iv = "0x0F0E0D0C0B0A09080706050403020100";
var fox = rtl.MBStr("The quick brown fox");

var cases = {
  "xor encrypts": function () { return [hex(rtl.Cryptor().Encrypt("0x010203", "0xFF")), "FEFDFC"]; },
  "xor decrypts": function () { return [hex(rtl.Cryptor("xor").Decrypt(bytes("FEFDFC"), bytes("FF"))), "010203"]; },
  "xor with a key longer than the data": function () { return [hex(rtl.Cryptor().Encrypt("0x0102", "0x10203040")), "1122"]; },
  "xor repeats the key": function () { return [hex(rtl.Cryptor().Encrypt("0x0000000000", "0x0102")), "0102010201"]; },
  "xor ignores InitVector": function () { return [hex(rtl.Cryptor().Encrypt("0x0102", "0x10", "0x5555")), "1112"]; },
  "xor with an empty key fails": function () { return [errorOf(function () { rtl.Cryptor().Encrypt("0x01", undefined); }), "Division by zero"]; },
  "xor of empty data needs no key": function () { return [hex(rtl.Cryptor().Encrypt(undefined, undefined)), "Empty"]; },
  "twofish of empty data": function () { return [hex(twofish().Encrypt(new Uint8Array(0), key128, iv)), "Empty"]; },
  "twofish 128-bit key": function () { return [hex(twofish().Encrypt(fox, key128, iv)), "59D9F0ED7E74FF3AA0A7CD4A9B89ABA85C0BD8"]; },
  "twofish 256-bit key": function () { return [hex(twofish().Encrypt(fox, key256, iv)), "6BE6334BCC49E27E06770DA65BA43148EDC0EB"]; },
  "twofish without InitVector": function () { return [hex(twofish().Encrypt(fox, key128)), "394A88F64EF18B528748F14CAC2A3698A18032"]; },
  "twofish InitVector E(FF..FF) equals none": function () {
    return [hex(twofish().Encrypt(fox, key256, "0x0EB49ED4E1E780098BFF4578B84D7A18")), hex(twofish().Encrypt(fox, key256))];
  },
  "twofish decrypts": function () { return [rtl.Str(twofish().Decrypt(bytes("6BE6334BCC49E27E06770DA65BA43148EDC0EB"), key256, iv)), "The quick brown fox"]; },
  "twofish keeps the length": function () {
    var c = twofish(), lengths = [1, 15, 16, 17, 1000], got = [];
    lengths.forEach(function (n) {
      var e = c.Encrypt(pattern(n), key128, iv);
      got.push(e.length + (hex(c.Decrypt(e, key128, iv)) === hex(pattern(n)) ? "" : "!"));
    });
    return [got.join(","), "1,15,16,17,1000"];
  },
  "twofish restarts at every call": function () {
    var c = twofish(), both = c.Encrypt(pattern(40), key128, iv), first = c.Encrypt(pattern(25), key128, iv);
    return [hex(both).substr(0, 50), hex(first)];
  },
  "twofish key forms agree": function () {
    var c = twofish();
    return [hex(c.Encrypt(fox, "AAECAwQFBgcICQoLDA0ODw==", iv)) + "|" + hex(c.Encrypt(fox, bytes("000102030405060708090A0B0C0D0E0F"), iv)),
            "59D9F0ED7E74FF3AA0A7CD4A9B89ABA85C0BD8|59D9F0ED7E74FF3AA0A7CD4A9B89ABA85C0BD8"];
  },
  "twofish zero padding keeps the key size": function () {
    var c = twofish();
    var k16 = c.Encrypt(fox, key128, iv), k24 = c.Encrypt(fox, key128 + "0000000000000000", iv);
    var short = c.Encrypt(fox, "0x0001020304050607", iv), padded = c.Encrypt(fox, "0x00010203040506070000000000000000", iv);
    return [(hex(k16) !== hex(k24)) + "|" + (hex(short) === hex(padded)), "true|true"];
  },
  "twofish with an empty key": function () { return [hex(twofish().Encrypt(fox, undefined, iv)), "Empty"]; },
  "twofish with a 33-byte key": function () { return [hex(twofish().Encrypt(fox, new Uint8Array(33), iv)), "Empty"]; },
  "Cipher names": function () {
    var c = rtl.Cryptor(), got = [c.Cipher];
    c.Cipher = "TWOFISH"; got.push(c.Cipher);
    c.Cipher = "aes"; got.push(c.Cipher);
    c.Cipher = "Xor"; got.push(c.Cipher);
    got.push(rtl.Cryptor("").Cipher, rtl.Cryptor("TwoFish").Cipher);
    return [got.join(","), "xor,twofish,twofish,xor,xor,twofish"];
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
