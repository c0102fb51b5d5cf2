// Script threads: workers with engines of their own, their members, Sync, critical sections and
// the thread list.
@include check

var mainOnly = "main's global";

// An anonymous function runs as "main"; its value becomes Result.
var t = rtl.Thread(this, function () { return 5; });
eq(t.Finished, false, "not finished before Start");
eq(t.Stopped, false, "not stopped before Stop");
ok(t.Start() === t, "Start answers the thread");
ok(t.Wait() === t, "Wait answers the thread");
eq(t.Result, 5, "Result of an anonymous function");
eq(t.Finished, true, "finished after Wait");
t.Result = "changed";
eq(t.Result, "changed", "Result can be put");
t.Start();
eq(t.Result, "changed", "a second Start runs nothing");

// A named function runs under its name, without arguments; parameters are members of `this`.
var named = rtl.Thread(this, function work(a) {
  return [typeof a, this.count, this.label, typeof mainOnly, typeof rtl].join(",");
});
named.AddParam("count", 3).AddParam("label", "first").AddParam("label", "second");
eq(named.Start().Wait().Result, "undefined,3,second,undefined,object", "named function, parameters, own globals");

// Arrow functions run too; an object that is not a function runs nothing, and still finishes.
eq(rtl.Thread(this, () => 6 * 7).Start().Wait().Result, 42, "arrow function");
var nothing = rtl.Thread(this, {});
var calledBack = 0;
nothing.OnFinish(function () { calledBack++; });
nothing.Start().Wait();
eq(nothing.Result, undefined, "a non-function runs nothing");
eq(calledBack, 1, "and its completion callback still runs");

// The completion callback runs once, on this thread, before Finished turns true, with the thread
// as `this`.
var seen = [];
var cb = rtl.Thread(this, function () { return "done"; });
cb.OnFinish(function () { seen.push([this === cb, cb.Finished, cb.Result].join(",")); });
cb.Start().Wait();
eq(seen.join(";"), "true,false,done", "completion callback");

// Sync runs on this thread in this script's scope and hands back the value, from many workers.
var counter = 0;
function bump(by) { counter += by; return counter; }
var syncers = [];
for (var i = 0; i < 8; i++) {
  syncers.push(rtl.Thread(this, function () {
    var last = 0;
    for (var n = 0; n < 25; n++) last = this.Sync(function () { return bump(1); });
    return last;
  }).Start());
}
rtl.WaitThreads();
eq(counter, 200, "every Sync ran exactly once");
ok(syncers.every(function (s) { return s.Result > 0 && s.Result <= 200; }), "Sync answers the function's value");
var noHost = rtl.Thread(null, function () { return this.Sync(function () { return 1; }); });
eq(noHost.Start().Wait().Result, undefined, "Sync without a host answers empty");

// Sixteen workers add to one counter under one critical section: the total is exact.
var cs = rtl.CriticalSection();
var shared = rtl.Dictionary();
shared.Add("n", 0);
var adders = [];
for (var w = 0; w < 16; w++) {
  adders.push(rtl.Thread(this, function () {
    var d = this.d, lock = this.lock;
    for (var i = 0; i < 300; i++) {
      lock.Lock();
      lock.Lock();  // re-entrant for the holder
      d("n", d("n") + 1);
      lock.Unlock();
      lock.Unlock();
    }
  }).AddParam("d", shared).AddParam("lock", cs).Start());
}
rtl.WaitThreads();
eq(shared("n"), 16 * 300, "sixteen workers under one critical section");
ok(/not held/.test(thrown(function () { cs.Unlock(); }).message), "Unlock without holding the lock fails");
cs.Lock();
var stranger = rtl.Thread(this, function () {
  try { this.lock.Unlock(); return "unlocked"; } catch (e) { return e.message; }
}).AddParam("lock", cs).Start().Wait();
ok(/not held/.test(stranger.Result), "another thread cannot unlock it: " + stranger.Result);
cs.Unlock();

// Stop only sets the flag: a function that polls it returns; one stopped before Start never runs.
var poller = rtl.Thread(this, function () {
  var rounds = 0;
  while (!this.Stopped) { rtl.Sleep(1); rounds++; }
  return "stopped";
}).Start();
rtl.Sleep(20);
ok(poller.Stop() === poller, "Stop answers the thread");
eq(poller.Stopped, true, "Stopped after Stop");
eq(poller.Wait().Result, "stopped", "a polling function returns");
var early = rtl.Thread(this, function () { return "ran"; }).Stop();
var earlyCallback = 0;
early.OnFinish(function () { earlyCallback++; });
early.Start().Wait();
eq(early.Result, undefined, "stopped before Start: the function never runs");
eq(earlyCallback, 1, "stopped before Start: the callback still runs");

// Waits that could never end fail instead.
var idle = rtl.Thread(this, function () { return 1; });
ok(/never started/.test(thrown(function () { idle.Wait(); }).message), "Wait on a thread never started");
ok(/never started/.test(thrown(function () { rtl.WaitThreads(); }).message), "WaitThreads with one never started");
idle.Start().Wait();
var self = rtl.Thread(this, function () {
  try { this.Wait(); return "waited"; } catch (e) { return e.message; }
}).Start().Wait();
ok(/itself/.test(self.Result), "a thread waiting for itself: " + self.Result);
rtl.WaitThreads();  // everything has finished now

// Named items: "rtl" always, and what AddItem gives.
var item = rtl.Thread(this, function () { return [helper.Length, typeof rtl.Bytes].join(","); });
item.AddItem("helper", rtl.Strings("a\nb\nc"));
eq(item.Start().Wait().Result, "3,function", "AddItem");

// A worker makes and waits for a thread of its own; that thread's Sync runs in the worker.
var outer = rtl.Thread(this, function () {
  workerGlobal = "worker scope";  // Sync evaluates in the global scope of the thread's host
  var inner = rtl.Thread(globalThis, function () { return this.Sync(function () { return workerGlobal; }); });
  return inner.Start().Wait().Result;
}).Start().Wait();
eq(outer.Result, "worker scope", "a thread made by a worker syncs with that worker");

// A script object's engine starts threads too; their Sync runs in that engine.
var engine = rtl.Script("var where = 'script object'; var r = rtl.Thread(this, function () {" +
                        " return this.Sync(function () { return where; }); }).Start().Wait().Result;");
eq(engine.Eval("r"), "script object", "a thread of a script object");

// Identity crosses threads: the worker's `this` is the same object each time, and a host object
// handed over comes back as the same wrapper.
var box = rtl.Bytes();
var same = rtl.Thread(this, function () {
  return [this === this, this.box === this.box, this.box.WriteByte(1) === this.box].join(",");
}).AddParam("box", box).Start().Wait();
eq(same.Result, "true,true,true", "identity in a worker");

// StopThreads then WaitThreads: every started function polls Stopped and returns.
for (var s = 0; s < 4; s++) rtl.Thread(this, function () { while (!this.Stopped) rtl.Sleep(1); }).Start();
rtl.StopThreads();
rtl.WaitThreads();
rtl.WaitThreads();  // nothing left: at once
done();
