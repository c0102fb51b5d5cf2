// What an application page can do on its own origin. Runs in every kind of view; reports
// "ok" or the failed checks, joined, to the host through window.external.report(NAME, VERDICT),
// NAME being the page's fragment. Then leaves an uncaught error and a rejected promise for the
// console report to show.
(function () {
  var name = location.hash.slice(1) || "main";
  var failed = [];
  function within(promise, ms) {
    return Promise.race([promise, new Promise(function (_, no) { setTimeout(function () { no(new Error("no answer")); }, ms); })]);
  }
  function fromWorker(worker) {
    return within(new Promise(function (ok, no) {
      worker.onmessage = function (e) { ok(e.data); };
      worker.onerror = function (e) { no(new Error(e.message)); };
    }), 5000);
  }
  var checks = {
    "worker from a file": function () { return fromWorker(new Worker("worker.js")).then(function (v) { return v == "worker 42"; }); },
    "worker from a blob": function () {
      var blob = new Blob(["postMessage('blob ' + (6 * 7));"], { type: "text/javascript" });
      return fromWorker(new Worker(URL.createObjectURL(blob))).then(function (v) { return v == "blob 42"; });
    },
    // As code editors start their syntax workers: a blob that imports the application's file.
    "blob worker importing a file": function () {
      var source = "importScripts(" + JSON.stringify(new URL("worker-lib.js", location.href).href) + ");" +
                   "postMessage('imported ' + answer());";
      var blob = new Blob([source], { type: "text/javascript" });
      return fromWorker(new Worker(URL.createObjectURL(blob))).then(function (v) { return v == "imported 42"; });
    },
    "module worker": function () {
      return fromWorker(new Worker("module-worker.js", { type: "module" })).then(function (v) { return v == "module worker 42"; });
    },
    "module script": function () { return within(window.moduleScript, 5000).then(function (v) { return v == "module script 42"; }); },
    "dynamic import": function () { return import("./lib.js").then(function (m) { return m.answer() == 42; }); },
    "fetch": function () { return fetch("data.txt").then(function (r) { return r.text(); }).then(function (t) { return t.trim() == "own data"; }); },
    "synchronous request": function () {
      var x = new XMLHttpRequest();
      x.open("GET", "data.txt", false);
      x.send();
      return x.responseText.trim() == "own data";
    },
    "WebAssembly streaming": function () {
      return WebAssembly.instantiateStreaming(fetch("add.wasm")).then(function (r) { return r.instance.exports.add(40, 2) == 42; });
    }
  };
  var names = Object.keys(checks);
  Promise.all(names.map(function (check) {
    return Promise.resolve().then(checks[check]).then(function (ok) { if (!ok) failed.push(check); },
                                                      function (e) { failed.push(check + " (" + e.message + ")"); });
  })).then(function () {
    window.external.report(name, failed.length ? failed.join("; ") : "ok");
    setTimeout(function () { throw new Error("deliberate in " + name); }, 0);
    Promise.reject(new Error("rejected in " + name));
  });
})();
