// The conventions of the JavaScript binding, seen from a script.
@include check

// Names in any letter case; plain properties read as values; methods read as callables.
eq(rtl.version, "1.0", "lower-case property");
eq(rtl.VERSION, rtl.Version, "upper-case property");
eq(typeof rtl.IsEmpty, "function", "a method reads as a callable");
eq(typeof rtl.isempty, "function", "in any case");
eq(typeof rtl.Params, "function", "a property with parameters reads as a callable");
eq(rtl.isEmpty(0), true, "a method called by another spelling");

// Values crossing into the host and back.
var cases = [
  ["text", "abc", 6], ["integer", 7, 4], ["double", 3.5, 8], ["boolean", true, 2],
  ["undefined", undefined, 0], ["null", null, 0], ["bytes", bytes(1, 2, 3), 3],
  ["ArrayBuffer", new Uint8Array([9, 9]).buffer, 2], ["object", {}, 0], ["date", new Date(), 8],
];
cases.forEach(function (c) { eq(rtl.GetLength(c[1]), c[2], "GetLength of " + c[0]); });
eq(rtl.IsEmpty(null), true, "null is Null");
eq(rtl.IsEmpty(undefined), true, "undefined is Empty");
eq(rtl.IsEmpty(""), true, "empty text");
eq(rtl.IsEmpty(new Uint8Array(0)), true, "an array without elements");
eq(rtl.IsEmpty(rtl.Object()), false, "an object");
eq(rtl.IsEmpty(2147483648), false, "a number beyond 32 bits arrives as a double");

// Byte arrays come back as fresh Uint8Arrays; no bytes come back as undefined (Empty).
var md5 = rtl.Md5(bytes(97, 98, 99));
ok(md5 instanceof Uint8Array, "Md5 answers a Uint8Array");
eq(rtl.Hex(md5), "900150983CD24FB0D6963F7D28E17F72", "Md5 of abc");
ok(rtl.Md5(md5) !== md5, "every answer is a fresh array");
eq(rtl.DeHex(""), undefined, "no bytes are Empty");

// Dates round-trip as local time.
var when = new Date(2011, 2, 1, 14, 5, 9);
eq(rtl.StrToDate(rtl.DateToStr(when), 0).getTime(), when.getTime(), "a date round-trips");
eq(rtl.StrToDate("short", when).getTime(), when.getTime(), "a text too short gives the default");

// Text arguments are coerced to the declared parameter types.
eq(rtl.Params("0"), rtl.Params(0), "text 0 reaches an integer parameter");
var mismatch = thrown(function () { rtl.Params("zero"); });
ok(mismatch instanceof Error, "an impossible coercion throws");
eq(mismatch && mismatch.number, -2147352571, "type mismatch status");

// Failures throw Errors with message and number.
var bad = thrown(function () { rtl.StrToDate("2011-13-45T10:00:00", 0); });
eq(bad && bad.message, "''2011-13-45T10:00:00.000'' is not a valid date and time", "member failure message");
eq(bad && bad.number, -2147418113, "member failure number is E_UNEXPECTED");
var missing = thrown(function () { return rtl.NoSuchMember; });
eq(missing && missing.number, -2147352570, "an unknown member throws as a missing member");
var count = thrown(function () { rtl.Hex(); });
eq(count && count.number, -2147352562, "a missing required argument");
var tooMany = thrown(function () { rtl.Hex(bytes(1), 2); });
eq(tooMany && tooMany.number, -2147352562, "too many arguments");
eq(rtl.Md5(undefined).length, 16, "a trailing undefined argument counts as omitted");
ok(String(rtl) !== undefined && typeof rtl.toString === "function", "Object.prototype members stay reachable");

// Expando objects: created by assignment, read back by name in any case; `this` for functions.
var o = rtl.Object();
ok(thrown(function () { return o.Foo; }) instanceof Error, "reading before assignment throws");
o.Foo = 1;
eq(o.foo, 1, "read back in another case");
o.foo = 2;
eq(o.FOO, 2, "written back in another case");
o.f = function (a) { return this === o ? a * 2 : -1; };
eq(o.f(21), 42, "a function member is called with the object as this");
o.x = 5;
var notCallable = thrown(function () { o.x(); });
ok(notCallable !== undefined, "calling a member that is no function throws");
var keys = [];
for (var k in o) keys.push(k);
eq(keys.length, 0, "members are not enumerated");
o.inner = rtl.Object();
o.inner.deep = "yes";
eq(o.inner.deep, "yes", "objects nest");
o.bytes = bytes(1, 2);
eq(rtl.Hex(o.bytes), "0102", "bytes stored on an object come back as bytes");

// A script object hands its globals and functions to the host and back.
var s = rtl.Script("var base = 40; function add(a) { return a + base; }");
eq(s.Eval("add(2)"), 42, "Eval of another engine");
eq(s.Script.base, 40, "the other engine's global object");
s.Script.base = 1;
eq(s.Eval("base"), 1, "a global written from outside");
eq(s.Script.add(1), 2, "a function of another engine called through its global object");
var fn = s.Eval("(function () { return 'src'; })");
eq(typeof fn, "function", "a foreign function arrives callable");
eq(fn(), "src", "and runs in its engine");
var foreign = s.Eval("({ v: 5, get: function () { return this === undefined ? -1 : this.v; } })");
eq(foreign.get(), 5, "a foreign method runs with its object as this");
eq(foreign.v, 5, "a foreign object's property");

done();
