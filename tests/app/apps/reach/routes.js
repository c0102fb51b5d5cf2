// Tries every route the engine has to read the files of an application's scheme, for each scheme
// named in ?schemes=a,b (#schemes=a,b in an application page, whose handler takes the query for
// part of the file's name), and reports the routes that got through:
//   "routes ulka:none vault:none", or "routes ulka:fetch,img vault:none".
// The title carries the verdict; in a frame, the parent gets it as a message too.
function tryRoutes(scheme) {
  var base = scheme + ":///";
  var got = [];
  function settle(name, p, ms) {
    return Promise.race([
      Promise.resolve().then(p).then(function (ok) { if (ok) got.push(name); }, function () {}),
      new Promise(function (r) { setTimeout(r, ms || 3000); })
    ]);
  }
  function hasSecret(text) { return String(text).indexOf("SECRET") >= 0; }
  function event(el, ok, no) {
    return new Promise(function (resolve) {
      el.addEventListener(ok, function () { resolve(true); });
      el.addEventListener(no || "error", function () { resolve(false); });
    });
  }
  function xhr(async) {
    return new Promise(function (resolve) {
      var x = new XMLHttpRequest();
      x.open("GET", base + "secret.txt", async);
      x.onload = function () { resolve(hasSecret(x.responseText)); };
      x.onerror = function () { resolve(false); };
      try { x.send(); } catch (e) { resolve(false); }
      if (!async) resolve(x.status == 200 || hasSecret(x.responseText));
    });
  }
  function worker(url, options, message) {
    return new Promise(function (resolve) {
      var w;
      try { w = new Worker(url, options); } catch (e) { return resolve(false); }
      w.onmessage = function (e) { resolve(hasSecret(e.data)); };
      w.onerror = function () { resolve(false); };
      if (message) w.postMessage(message);
    });
  }
  function element(tag, attrs, ok, parent) {
    var el = document.createElement(tag);
    for (var k in attrs) el.setAttribute(k, attrs[k]);
    var p = event(el, ok);
    (parent || document.body).appendChild(el);
    return p;
  }
  function styled(id, css) {
    var probe = document.createElement("div");
    probe.id = id;
    document.body.appendChild(probe);
    var s = document.createElement("style");
    s.textContent = css;
    document.head.appendChild(s);
    return new Promise(function (r) { setTimeout(r, 800); }).then(function () {
      return getComputedStyle(probe).width == "123px";
    });
  }
  var importer = "onmessage = function (e) { try { importScripts(e.data); postMessage(String(self.stolen)); }" +
                 " catch (x) { postMessage('refused'); } };";
  var blobUrl = URL.createObjectURL(new Blob([importer], { type: "text/javascript" }));
  var routes = [
    ["sync-xhr", function () { return xhr(false); }],
    ["async-xhr", function () { return xhr(true); }],
    ["fetch", function () { return fetch(base + "secret.txt").then(function (r) { return r.text(); }).then(hasSecret); }],
    ["fetch-no-cors", function () { return fetch(base + "secret.txt", { mode: "no-cors" }).then(function (r) { return r.type != "opaque" || r.status != 0; }); }],
    ["worker", function () { return worker(base + "worker.js"); }],
    ["module-worker", function () { return worker(base + "worker.js", { type: "module" }); }],
    ["importScripts", function () { return worker(blobUrl, undefined, base + "secret.js"); }],
    ["import", function () { return import(base + "module.js").then(function (m) { return hasSecret(m.secret); }); }],
    ["script", function () { return element("script", { src: base + "secret.js" }, "load").then(function () { return hasSecret(window.stolen); }); }],
    ["module-script", function () { return element("script", { src: base + "module-global.js", type: "module" }, "load").then(function () { return hasSecret(window.stolenModule); }); }],
    ["stylesheet", function () { element("link", { rel: "stylesheet", href: base + "style.css" }, "load", document.head); return styled("probe-" + scheme, ""); }],
    ["css-import", function () { return styled("imported-" + scheme, "@import url(" + base + "style2.css);"); }],
    ["font", function () {
      var face = new FontFace("stolen" + scheme, "url(" + base + "font.woff)");
      return face.load().then(function () { return true; });
    }],
    ["img", function () { return element("img", { src: base + "pixel.png" }, "load"); }],
    ["audio", function () { return element("audio", { src: base + "tone.wav", preload: "auto" }, "loadedmetadata"); }],
    ["video", function () { return element("video", { src: base + "tone.wav", preload: "auto" }, "loadedmetadata"); }],
    ["object", function () { return element("object", { data: base + "page.html", type: "text/html" }, "load"); }],
    ["embed", function () { return element("embed", { src: base + "page.html", type: "text/html" }, "load"); }],
    ["iframe", function () {
      return new Promise(function (resolve) {
        window.addEventListener("message", function (e) { if (hasSecret(e.data)) resolve(true); });
        var f = document.createElement("iframe");
        f.src = base + "page.html";
        document.body.appendChild(f);
      });
    }],
    ["event-source", function () {
      return new Promise(function (resolve) {
        var s = new EventSource(base + "secret.txt");
        s.onmessage = function () { resolve(true); };
        s.onerror = function () { s.close(); resolve(false); };
      });
    }],
    ["svg-image", function () {
      var svg = document.createElementNS("http://www.w3.org/2000/svg", "svg");
      var img = document.createElementNS("http://www.w3.org/2000/svg", "image");
      img.setAttributeNS("http://www.w3.org/1999/xlink", "href", base + "pixel.png");
      var p = event(img, "load");
      svg.appendChild(img);
      document.body.appendChild(svg);
      return p;
    }],
    ["prefetch", function () { element("link", { rel: "prefetch", href: base + "secret.txt" }, "load", document.head); return false; }],
    ["preload", function () { element("link", { rel: "preload", as: "fetch", href: base + "secret.txt" }, "load", document.head); return false; }]
  ];
  return Promise.all(routes.map(function (r) { return settle(r[0], r[1]); })).then(function () {
    return scheme + ":" + (got.length ? got.sort().join(",") : "none");
  });
}

(function () {
  var query = new URLSearchParams(location.search || location.hash.slice(1));
  var schemes = (query.get("schemes") || "ulka").split(",");
  var verdicts = [];
  schemes.reduce(function (done, scheme) {
    return done.then(function () { return tryRoutes(scheme); }).then(function (v) { verdicts.push(v); });
  }, Promise.resolve()).then(function () {
    var verdict = "routes " + verdicts.join(" ");
    document.title = verdict;
    if (parent !== window) parent.postMessage(verdict, "*");
  });
})();
