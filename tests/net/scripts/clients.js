// Http, Pop3, WhoIs and the mail message through the names scripts use. Parameters: the ports of
// the scripted HTTP, POP3 and WHOIS servers. Each case returns [got, want].
var http = "http://127.0.0.1:" + rtl.Params(1) + "/";
var popHost = "127.0.0.1:" + rtl.Params(2);
var whoisHost = "127.0.0.1:" + rtl.Params(3);
function text(bytes) { return bytes === undefined || bytes === null ? String(bytes) : String.fromCharCode.apply(null, Array.prototype.slice.call(bytes)); }
function errorOf(f) { try { f(); return "no error"; } catch (e) { return e.message; } }
function firstLine(s) { return s.split("\n")[0]; }
function session() { var p = rtl.Pop3(); p.Host = popHost; p.Account = "alice:secret"; p.Login(); return p; }

var cases = {
  "Http defaults": function () { var h = rtl.Http(); return [[h.BaseUrl, h.MimeType, h.Timeout, h.ResultCode, h.Proxy].join("|"), "|text/html|90000|0|"]; },
  "Http is callable": function () { return [typeof rtl.Http(), "function"]; },
  "Rtl.Http sets BaseUrl": function () { return [rtl.Http(http).BaseUrl, http]; },
  "Get through the default member": function () { var h = rtl.Http(http); var b = h("echo?a"); return [(b instanceof Uint8Array) + "|" + firstLine(text(b)) + "|" + h.ResultCode, "true|GET /echo?a|200"]; },
  "GetString": function () { return [firstLine(rtl.Http(http).GetString("echo?s")), "GET /echo?s"]; },
  "Post of bytes": function () { var t = text(rtl.Http(http).Post("echo", new Uint8Array([104, 105]))); return [firstLine(t) + "|" + t.slice(-2), "POST /echo|hi"]; },
  "PostString": function () { var t = rtl.Http(http).PostString("echo", "h\u00e9"); return [t.slice(-2), "h\u00e9"]; },
  "failures answer null and empty": function () { var h = rtl.Http(); return [(h.Get("http://127.0.0.1:1/") === null) + "|" + (h.GetString("http://127.0.0.1:1/") === ""), "true|true"]; },
  "Proxy, Timeout, UserAgent and CAFile are kept": function () {
    var h = rtl.Http(); h.Proxy = "p.example:3128"; h.Timeout = 5; h.UserAgent = "u"; h.CAFile = "/x.pem";
    return [[h.Proxy, h.Timeout, h.UserAgent, h.CAFile].join("|"), "p.example:3128|5|u|/x.pem"];
  },
  "Pop3 Host and Account rules": function () {
    var p = rtl.Pop3(); var d = p.Host + "|" + p.Account + "|" + p.UseSSL;
    p.Host = "m.example:995"; p.Host = "m.example"; p.Account = "bob";
    return [d + "|" + p.Host + "|" + p.Account, "127.0.0.1:110|:|false|m.example:110|bob:bob"];
  },
  "Pop3 session": function () { var p = rtl.Pop3(); p.Host = popHost; p.Account = "alice:secret"; var r = [p.Login(), p.Length, String(p.Message(5)), p.Logout()]; return [r.join("|"), "true|2|null|true"]; },
  "Pop3 without a session": function () { var p = rtl.Pop3(); p.Host = "127.0.0.1:1"; return [[p.Login(), p.Length, String(p.Message(0)), p.Logout()].join("|"), "false|0|null|false"]; },
  "message members": function () {
    var m = session().Message(0);
    return [[m.Subject, m.From, m.To, m.CC, m.ReplyTo, m.SentOn instanceof Date, m.SentOn.getTime()].join("|"),
            "Report with attachments|J\u00fcrgen M\u00fcller <juergen@example.org>|Alice <alice@example.org>, bob@example.org|Carol <carol@example.net>|replies@example.org|true|1298977509000"];
  },
  "message bodies": function () { var m = session().Message(1); return [(m.TextBody.indexOf("K\u00f6ln") > 0) + "|" + (m.HTMLBody.indexOf("<b>K\u00f6ln</b>") > 0), "true|true"]; },
  "Fields by name, with Value": function () {
    var m = session().Message(0);
    return [[m.Fields("urn:schemas:httpmail:fromemail").Value, m.Fields.Item("X-Mailer").Value, m.Fields("Importance") + "", m.Fields("urn:schemas:httpmail:importance").Value, m.Fields("X-None").Value].join("|"),
            "juergen@example.org|Python email|high|2|"];
  },
  "Fields by position": function () { var f = session().Message(0).Fields; var x = f(0); return [f.Count + "|" + x.Name + "|" + x.Value, "11|urn:schemas:mailheader:from|J\u00fcrgen M\u00fcller <juergen@example.org>"]; },
  "Attachments from 1": function () {
    var a = session().Message(0).Attachments; var pdf = a(1);
    return [[a.Count, pdf.FileName, pdf.ContentMediaType, pdf.Size, pdf.Bytes instanceof Uint8Array, pdf.Bytes.length, a.Item(3).FileName].join("|"),
            "4|report.pdf|application/pdf|" + pdf.Bytes.length + "|true|" + pdf.Size + "|\u00dcbersicht.txt"];
  },
  "Attachments(0) fails": function () { var a = session().Message(0).Attachments; return [errorOf(function () { a(0); }), "List index out of bounds (0)"]; },
  "SaveToFile": function () {
    var name = "/tmp/ulka-net-script-" + Math.floor(Math.random() * 1e9) + ".png";
    var a = session().Message(0).Attachments(2); a.SaveToFile(name);
    var saved = rtl.LoadFile(name); rtl.DeleteFile(name);
    return [saved.length + "|" + saved[1] + saved[2] + saved[3], a.Size + "|807871"];
  },
  "Source": function () { var s = session().Message(1).Source; return [s.indexOf("From: =?utf-8?q?J=C3=BCrgen") === 0, true]; },
  "WhoIs": function () { var w = rtl.WhoIs(); var d = w.Host; w.Host = whoisHost; return [d + "|" + JSON.stringify(w.Lookup("example.com")) + "|" + JSON.stringify(w("example.com")),
                                                                                             'whois.iana.org|"\\nDomain Name: EXAMPLE.COM\\nStatus: active\\n"|"\\nDomain Name: EXAMPLE.COM\\nStatus: active\\n"']; },
};

var failures = [];
for (var name in cases) {
  var r;
  try { r = cases[name](); } catch (e) { r = ["threw " + e.message, "a result"]; }
  if (String(r[0]) !== String(r[1])) failures.push(name + ": got " + r[0] + ", want " + r[1]);
}
if (failures.length) throw new Error(failures.length + " failed:\n" + failures.join("\n"));
rtl.Quit(0);
