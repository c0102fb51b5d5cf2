// Object graphs as deep as a script cares to build them: releasing them, writing them as text
// and reading deep text never overflow the stack. Each case returns [got, want].
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
var kDeep = 1000000;
// Deep enough that releasing it recursively overflows the stack, shallow enough to be quick.
var kDeepEnough = 300000;

// head -> k -> k -> ... built by a loop, as `cur.Add("k", d); cur = d` does.
function dictionaryChain(n) {
  var head = rtl.Dictionary(), cur = head;
  for (var i = 1; i < n; i++) { var d = rtl.Dictionary(); cur.Add("k", d); cur = d; }
  return head;
}
function objectChain(n) {
  var head = rtl.Object(), cur = head;
  for (var i = 1; i < n; i++) { var o = rtl.Object(); cur.k = o; cur = o; }
  return head;
}
function depthOf(head) { var n = 1; for (var cur = head; cur.Contains("k"); cur = cur("k")) n++; return n; }

// Kept to the end of the script: the engine releases it as it goes.
var keptToTheEnd = objectChain(kDeepEnough);

var cases = {
  "a million dictionaries released at once": function () {
    var head = dictionaryChain(kDeep);
    var depth = depthOf(head);
    head.RemoveAll();
    return [depth + "|" + head.Length, kDeep + "|0"];
  },
  "expando objects released by one assignment": function () {
    var head = objectChain(kDeepEnough);
    head.k = null;
    return [head.k, null];
  },
  "deep dictionaries have no text form": function () {
    var head = dictionaryChain(5000);
    var e = errorOf(function () { head.JSON(); });
    return [e, "Dictionary nested too deeply or contains itself"];
  },
  "the text form goes as deep as it reads": function () {
    var head = dictionaryChain(1000), back = rtl.Dictionary();
    var ok = back.LoadJSON(head.JSON());
    return [ok + "|" + depthOf(back), "true|1000"];
  },
  "deep text is refused": function () {
    var d = rtl.Dictionary();
    return [d.LoadJSON("{a:".repeat(kDeep) + "1" + "}".repeat(kDeep)) + "|" + d.Length, "false|0"];
  },
  "deep elements are written and released": function () {
    var x = rtl.Xml("r"), e = x.Root;
    for (var i = 0; i < 100000; i++) e = e.Add("a");
    e.Text = "end";
    var text = x.Root.Text, markup = x.Xml.length;
    x.CreateXML("r");
    return [text + "|" + (markup > 100000 * 7), "end|true"];
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
