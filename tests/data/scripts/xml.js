// Xml: documents, elements as members, queries. Each case returns [got, want].
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function doc(text) { var x = rtl.Xml(); if (!x.LoadXML(text)) throw new Error("not parsed: " + text); return x; }
var folder = "/tmp/ulka-xml-test/" + Math.floor(Math.random() * 1e9) + "/";

var cases = {
  "Rtl.Xml(tag) has an empty root": function () { var r = rtl.Xml("settings").Root; return [r.Tag + "|" + r.Length + "|" + r.Xml, "settings|0|<settings/>"]; },
  "Rtl.Xml() is empty": function () { var x = rtl.Xml(); return [x.Xml + "|" + x.Root.Tag + "|" + x.Root.Length + "|" + x.Root.Add("a"), "||0|null"]; },
  "Save names utf-8": function () {
    rtl.Xml("settings").Save(folder + "s.xml");
    return [rtl.Str(rtl.LoadFile(folder + "s.xml")).indexOf('<?xml version="1.0" encoding="utf-8"?>'), 0];
  },
  "Item by name creates once": function () {
    var r = rtl.Xml("settings").Root; var a = r.Item("window"); var b = r("window");
    a.Text = "x";
    return [r.Length + "|" + b.Text, "1|x"];
  },
  "Item(0) on a text child fails": function () {
    var r = doc("<r>t<a/></r>").Root;
    return [errorOf(function () { r.Item(0); }) + "|" + r.IndexOf("#text") + "|" + r.Tags(1), "Interface not supported|0|a"];
  },
  "Item past the end has no element": function () { var e = doc("<r><a/></r>").Root.Item(5); return [e.Tag + "|" + e.Length + "|" + e.IndexOf("a") + "|" + e.Exist("a") + "|" + e.Attr("x"), "|0|-1|false|undefined"]; },
  "IndexOf is case-sensitive": function () { var r = doc("<r><window/></r>").Root; return [r.IndexOf("Window") + "|" + r.IndexOf("window"), "-1|0"]; },
  "Attr of a missing attribute is null": function () { return [doc("<r/>").Root.Attr("k") === null, true]; },
  "Attr put with an extra argument": function () { var r = doc("<r/>").Root; r.Attr("k", 5); r.Attr("s", "<&>"); return [r.Attr("k") + "|" + r.Xml, '5|<r k="5" s="&lt;&amp;&gt;"/>']; },
  "RemoveAll takes text and comments": function () { var r = doc("<r>t<!--c--><a/></r>").Root; r.RemoveAll(); return [r.Length, 0]; },
  "Remove by query and RemoveAt": function () { var r = doc("<r><a/><b/><a/></r>").Root; r.Remove("a"); r.RemoveAt(0); return [r.Xml, "<r><a/></r>"]; },
  "Remove of a grandchild fails": function () { var r = doc("<r><a><b/></a></r>").Root; return [errorOf(function () { r.Remove("a/b"); }) != "no error", true]; },
  "Add with a bad name fails": function () { var r = doc("<r/>").Root; return [errorOf(function () { r.Add("1a"); }) + "|" + r.Length, '"1a" is not a valid XML name|0']; },
  "Load of a missing file with a tag": function () { var x = rtl.Xml(); return [x.Load(folder + "none.xml", "root") + "|" + x.Root.Tag, "false|root"]; },
  "Load of a missing file without tag keeps the document": function () { var x = rtl.Xml("keep"); return [x.Load(folder + "none.xml") + "|" + x.Root.Tag, "false|keep"]; },
  "LoadXML of bad text": function () { var x = rtl.Xml("a"); return [x.LoadXML("<a><b></a>") + "|" + x.Xml, "false|"]; },
  "child elements as members": function () {
    var x = rtl.Xml("settings"); var r = x.Root;
    r.width = 800;
    r.width = 1024;
    var w = r.width;
    return [w.Text + "|" + r.Length + "|" + r.Xml, "1024|1|<settings><width>1024</width></settings>"];
  },
  "member table names win": function () { var r = doc("<r><Text>x</Text></r>").Root; return [r.Text + "|" + r.Length, "x|1"]; },
  "reading a missing child member fails": function () { var r = doc("<r/>").Root; return [errorOf(function () { return r.nothing; }) + "|" + r.Length, "Object doesn't support this property or method|0"]; },
  "Select and the list": function () {
    var r = doc('<r><i n="1"/><x/><i n="2"/></r>').Root; var l = r.Select("i");
    return [l.Length + "|" + l(1).Attr("n") + "|" + l.Item(0).Attr("n") + "|" + l(2).Tag + "|" + r.Exist("i[@n='2']"), "2|2|1||true"];
  },
  "bad query": function () { return [errorOf(function () { doc("<r/>").Root.Select("i["); }), "Invalid XPath query: i["]; },
  "round trip of a declared encoding": function () {
    var x = doc('<?xml version="1.0" encoding="windows-1251"?><s><t>Привет</t></s>');
    x.Root.w = 5;
    x.Save(folder + "cp.xml");
    var raw = rtl.Str(rtl.LoadFile(folder + "cp.xml"), 1251);
    var y = rtl.Xml(); y.Load(folder + "cp.xml");
    return [(raw.indexOf('encoding="windows-1251"') > 0) + "|" + y.Root.t.Text + "|" + y.Root.w.Text, "true|Привет|5"];
  },
  "billion laughs is refused": function () {
    var t = '<?xml version="1.0"?><!DOCTYPE l [<!ENTITY l0 "lol">';
    for (var i = 1; i <= 9; i++) { t += "<!ENTITY l" + i + ' "'; for (var j = 0; j < 10; j++) t += "&l" + (i - 1) + ";"; t += '">'; }
    t += "]><l>&l9;</l>";
    var x = rtl.Xml(); return [x.LoadXML(t), false];
  },
  "wrappers live on after removal": function () {
    var r = doc("<r><a><b>1</b></a></r>").Root; var a = r.a; var b = a.b;
    r.RemoveAll(); a.Text = "2";
    return [a.Xml + "|" + b.Text + "|" + r.Xml, "<a>2</a>|1|<r/>"];
  },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "a result"]; }
  if (String(r[0]) !== String(r[1])) failures.push(name + ": got " + r[0] + ", want " + r[1]);
}
rtl.DeleteFile(folder + "s.xml"); rtl.DeleteFile(folder + "cp.xml");
if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
rtl.Quit(0);
