// A trace program of the tests on a page of its own (tests/web/*_trace.html): fetches
// files into the page's file system, runs the program with its arguments on the
// virtual clock, and keeps its output lines in window.traceLines, its exit status in
// window.traceStatus and what kept it from running in window.traceError.
"use strict";
// program: the name of its .js beside the page; files: {path in the page: URL}.
function zorbyTracePage(program, args, files) {
  window.traceLines = [];
  window.traceStatus = null;
  window.traceError = null;
  window.Module = {
    canvas: document.getElementById("canvas"),
    arguments: args,
    preRun: [function () {
      // A frame a turn is not needed here: the run goes as fast as it can.
      Module.ENV.SDL_EMSCRIPTEN_ASYNCIFY = "0";
      Object.keys(files).forEach(function (path) {
        Module.addRunDependency(path);
        fetch(files[path]).then(function (r) {
          if (!r.ok) throw new Error(files[path] + ": " + r.status + " " + r.statusText);
          return r.arrayBuffer();
        }).then(function (bytes) {
          var folder = path.substring(0, path.lastIndexOf("/"));
          if (folder) Module.FS.mkdirTree(folder);
          Module.FS.writeFile(path, new Uint8Array(bytes));
          Module.removeRunDependency(path);
        }).catch(function (err) { window.traceError = String(err); });
      });
    }],
    print: function (text) { window.traceLines.push(text); },
    printErr: function (text) { console.log(text); },
    onExit: function (status) { window.traceStatus = status; }
  };
  var s = document.createElement("script");
  s.src = program + ".js";
  s.onerror = function () { window.traceError = program + ".js could not be loaded"; };
  document.body.appendChild(s);
}
