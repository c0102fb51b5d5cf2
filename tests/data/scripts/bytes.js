// Bytes: a buffer with a cursor. Each case returns [got, want]; failures are listed together.
function hex(a) {
  if (a === undefined) return "Empty";
  return Array.prototype.map.call(a, function (x) { return (x < 16 ? "0" : "") + x.toString(16).toUpperCase(); }).join(" ");
}
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function filled(list) { var b = rtl.Bytes(); list.forEach(function (x) { b.WriteByte(x); }); return b; }

var cases = {
  "WriteLong(-2) bytes": function () { var b = rtl.Bytes(); b.WriteLong(-2); return [hex(b.Bytes()) + "|" + b.Length + "|" + b.Position + "|" + b.EOF, "FE FF FF FF|4|4|true"]; },
  "ReadLong and ReadWord of -2": function () { var b = rtl.Bytes(); b.WriteLong(-2); b.Seek(0); var l = b.ReadLong(); b.Seek(0); return [l + "|" + b.ReadWord(), "-2|65534"]; },
  "WriteDouble(1.0)": function () { var b = rtl.Bytes(); b.WriteDouble(1.0); return [hex(b.Bytes()), "00 00 00 00 00 00 F0 3F"]; },
  "ReadDouble": function () { var b = rtl.Bytes(); b.WriteDouble(-2.75).Seek(0); return [b.ReadDouble(), -2.75]; },
  "write past the end fills zeros": function () { var b = rtl.Bytes(); b.Position = 10; b.WriteByte(1); return [b.Length + "|" + hex(b.Bytes()), "11|00 00 00 00 00 00 00 00 00 00 01"]; },
  "Seek from the end": function () { var b = rtl.Bytes(); b.Length = 8; return [b.Seek(-2, 2), 6]; },
  "Seek with an unknown origin": function () { var b = rtl.Bytes(); b.Length = 8; b.Seek(6); return [b.Seek(3, 5), 6]; },
  "Seek relative": function () { var b = rtl.Bytes(); b.Seek(4); return [b.Seek(-6, 1), -2]; },
  "ReadBytes() reads the rest": function () { var b = filled([1, 2, 3, 4, 5, 6, 7, 8]); b.Position = 6; return [hex(b.ReadBytes()) + "|" + b.Position, "07 08|8"]; },
  "ReadBytes(100) clips but moves on": function () { var b = filled([1, 2, 3, 4, 5, 6, 7, 8]); b.Position = 6; return [hex(b.ReadBytes(100)) + "|" + b.Position, "07 08|106"]; },
  "ReadBytes() at the end": function () { var b = filled([1, 2]); return [hex(b.ReadBytes()), "Empty"]; },
  "Bytes() of an empty buffer": function () { return [hex(rtl.Bytes().Bytes()), "Empty"]; },
  "Bytes(Position, Count) keeps the cursor": function () { var b = filled([1, 2, 3, 4]); return [hex(b.Bytes(1, 2)) + "|" + hex(b.Bytes(2)) + "|" + b.Position, "02 03|03 04|4"]; },
  "chained writes": function () { var b = rtl.Bytes(); return [b.WriteByte(1).WriteWord(2).WriteLong(3).WriteDouble(0).Length, 15]; },
  "WriteBytes of a byte array": function () { var b = filled([9]); b.WriteBytes(new Uint8Array([1, 2])); return [hex(b.Bytes()) + "|" + b.Position, "09 01 02|3"]; },
  "WriteBytes of a string adds nothing": function () { var b = rtl.Bytes(); b.WriteBytes("abc"); return [b.Length + "|" + b.Position, "0|0"]; },
  "default member reads a byte": function () { var b = filled([5, 6]); return [b(1) + "|" + b.Byte(0), "6|5"]; },
  "Byte put with an extra argument": function () { var b = filled([5, 6]); b.Byte(0, 255); b(1, 7); return [hex(b.Bytes()) + "|" + b.Position, "FF 07|2"]; },
  "Length cuts and grows": function () { var b = filled([1, 2, 3]); b.Length = 1; b.Length = 3; return [hex(b.Bytes()) + "|" + b.Position, "01 00 00|3"]; },
  "Clear": function () { var b = filled([1, 2, 3]); b.Clear(); return [b.Length + "|" + b.Position + "|" + b.EOF, "0|0|true"]; },
  "Load of a byte array": function () { var b = filled([1, 2, 3]); return [b.Load(new Uint8Array([7, 8])) + "|" + hex(b.Bytes()) + "|" + b.Position, "true|07 08|0"]; },
  "Load of a missing file empties": function () { var b = filled([1]); b.Position = 1; return [b.Load("/nonexistent/dir/none.bin") + "|" + b.Length + "|" + b.Position, "false|0|1"]; },
  "Load of a number changes nothing": function () { var b = filled([1]); return [b.Load(5) + "|" + b.Length + "|" + b.Position, "false|1|1"]; },
  "Save and Load a file": function () {
    var name = "/tmp/ulka-bytes-test/" + Math.floor(Math.random() * 1e9) + ".bin";
    var saved = filled([0, 1, 254, 255]).Save(name);
    var b = rtl.Bytes(name);
    rtl.DeleteFile(name);
    return [saved + "|" + hex(b.Bytes()) + "|" + b.Position, "true|00 01 FE FF|0"];
  },
  "Rtl.Bytes with a byte array": function () { return [hex(rtl.Bytes(new Uint8Array([3, 4])).Bytes()), "03 04"]; },
  "Rtl.Bytes of a missing file": function () { return [rtl.Bytes("/nonexistent.bin").Length, 0]; },
  "Byte index out of range": function () { return [errorOf(function () { rtl.Bytes()(5); }), "List index out of bounds (5)"]; },
  "read past the end": function () { var b = filled([1]); b.Seek(0); b.ReadByte(); return [errorOf(function () { b.ReadByte(); }), "List index out of bounds (1)"]; },
  "negative Length": function () { var b = rtl.Bytes(); return [errorOf(function () { b.Length = -1; }), "Range check error"]; },
  "WriteByte out of the byte range": function () { var b = rtl.Bytes(); return [errorOf(function () { b.WriteByte(256); }) !== "no error" && b.Length === 0, true]; },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "a result"]; }
  if (String(r[0]) !== String(r[1])) failures.push(name + ": got " + r[0] + ", want " + r[1]);
}
if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
rtl.Quit(0);
