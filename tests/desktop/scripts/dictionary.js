// The dictionary stand-in: keys of any kind in the order added, compare modes, and the
// platform's errors. Each case answers [got, want].
@include common

function dict() {
  var d = rtl.CreateObject("Scripting.Dictionary");
  for (var i = 0; i < arguments.length; i += 2) d.Add(arguments[i], arguments[i + 1]);
  return d;
}
var exists = "This key is already associated with an element of this collection|" + runtimeError(457);
var missing = "Element not found|" + runtimeError(32811);

var cases = {
  "Add, Item, Count, Exists": function () {
    var d = dict("a", 1, "b", "two");
    return [[d.Count, d.Item("a"), d("b"), d.Exists("a"), d.Exists("A"), d.Exists("c")].join(","), "2,1,two,true,false,false"];
  },
  "Keys and Items keep the order of adding": function () {
    var d = dict("z", 1, "a", 2, "m", 3);
    return [d.Keys().join(",") + "|" + d.Items().join(","), "z,a,m|1,2,3"];
  },
  "keys of every kind": function () {
    var o = rtl.Object();
    var d = dict(1, "one", "1", "text one", 2.5, "real", o, "object", true, "yes");
    var day = new Date(2020, 0, 2);
    d.Add(day, "date");
    return [[d(1), d(1.0), d("1"), d(2.5), d(o), d(new Date(2020, 0, 2)), d.Count].join(","), "one,one,text one,real,object,date,6"];
  },
  "reading a missing key adds it": function () {
    var d = dict("a", 1);
    var got = d("new");
    return [[got === undefined, d.Count, d.Exists("new")].join(","), "true,2,true"];
  },
  "Item put adds or replaces": function () {
    var d = dict("a", 1);
    d.Item("a", 5);
    d("b", 6);
    return [d.Keys().join(",") + "|" + d.Items().join(","), "a,b|5,6"];
  },
  "Key renames an entry in place": function () {
    var d = dict("a", 1, "b", 2);
    d.Key("a", "c");
    return [[d.Keys().join(","), d("c"), d.Exists("a"), failure(function () { d.Key("zz", "y"); }), failure(function () { d.Key("c", "b"); })].join(" / "),
      ["c,b", 1, false, missing, exists].join(" / ")];
  },
  "Remove and RemoveAll": function () {
    var d = dict("a", 1, "b", 2, "c", 3);
    d.Remove("b");
    var after = d.Keys().join(",");
    var gone = failure(function () { d.Remove("b"); });
    d.RemoveAll();
    return [[after, gone, d.Count, d.Keys().length].join(" / "), ["a,c", missing, 0, 0].join(" / ")];
  },
  "Add of a present key fails": function () { return [failure(function () { dict("a", 1).Add("a", 2); }), exists]; },
  "CompareMode 1 ignores letter case": function () {
    var d = rtl.CreateObject("Scripting.Dictionary");
    d.CompareMode = 1;
    d.Add("Key", 1);
    return [[d.CompareMode, d("KEY"), d.Exists("key"), failure(function () { d.Add("kEy", 2); })].join(" / "), ["1", 1, true, exists].join(" / ")];
  },
  "CompareMode only while empty": function () {
    var d = dict("a", 1);
    return [[failure(function () { d.CompareMode = 1; }), failure(function () { rtl.CreateObject("Scripting.Dictionary").CompareMode = 9; })].join(" / "),
      ["Invalid procedure call or argument|" + runtimeError(5), "Invalid procedure call or argument|" + runtimeError(5)].join(" / ")];
  },
  "_NewEnum answers the keys": function () { return [dict("x", 1, "y", 2)._NewEnum().join(","), "x,y"]; },
  "an array is no key": function () { return [failure(function () { dict().Add(new Uint8Array([1]), 1); }), "Type mismatch|-2147352571"]; },
  "many entries and removals": function () {
    var d = rtl.CreateObject("Scripting.Dictionary");
    for (var i = 0; i < 20000; i++) d.Add("k" + i, i);
    for (var j = 0; j < 20000; j += 2) d.Remove("k" + j);
    return [d.Count + "," + d("k19999") + "," + d.Keys()[0], "10000,19999,k1"];
  },
};

runCases(cases);
