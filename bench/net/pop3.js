// Fetches and parses every message of a POP3 mailbox. Parameters: host:port, count.
var pop = rtl.Pop3();
pop.Host = rtl.Params(1);
pop.Account = "alice:secret";
if (!pop.Login()) throw new Error("no login");
var count = Number(rtl.Params(2));
if (pop.Length !== count) throw new Error("mailbox has " + pop.Length);
var bytes = 0;
for (var i = 0; i < count; i++) {
  var m = pop.Message(i);
  if (m.Subject !== "Message number " + (i + 1)) throw new Error("message " + i + ": " + m.Subject);
  bytes += m.TextBody.length;
}
pop.Logout();
