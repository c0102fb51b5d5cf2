// A tiny table runner: each case is [name, function answering true or a text]; the title reports.
function runCases(cases) {
  var failures = [];
  cases.forEach(function (c) {
    var outcome;
    try {
      outcome = c[1]();
    } catch (e) {
      outcome = 'threw ' + e.message + ' (' + e.number + ')';
    }
    if (outcome !== true) failures.push(c[0] + ': ' + outcome);
  });
  document.title = failures.length ? 'FAIL ' + failures.join('; ') : 'DONE';
}

function throwsWith(f, message, number) {
  try {
    f();
  } catch (e) {
    if (message !== null && e.message !== message) return 'message ' + e.message;
    if (e.number !== number) return 'number ' + e.number;
    return true;
  }
  return 'did not throw';
}

function same(a, b) {
  return a === b ? true : 'got ' + String(a) + ', expected ' + String(b);
}
