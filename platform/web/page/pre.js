// Linked into the page's program with --pre-js: the player's folder (/player: records, screenshots,
// settings.ini) lives in the browser's IndexedDB, read in before the game starts and written back
// after each write the game forces to disk.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function() {
  // SDL's software renderer: the frame goes 1:1 into the canvas's pixels (the browser scales the
  // canvas), where WebGL would only copy it through a texture, and the canvas can be read back.
  ENV['SDL_RENDER_DRIVER'] = 'software';
  FS.mkdir('/player');
  FS.mount(IDBFS, {}, '/player');
  addRunDependency('velmoran-storage');
  FS.syncfs(true, function(err) {
    if (err) console.error('velmoran: the saved records could not be read from the browser (' + err + ')');
    removeRunDependency('velmoran-storage');
  });
});

// One copy at a time; writes that come while one runs are taken by one more copy after it.
(function() {
  var running = false, again = false, failed = false, waiting = [];
  function store() {
    if (running) { again = true; return; }
    running = true;
    FS.syncfs(false, function(err) {
      running = false;
      // A file the game replaced while the copy ran (a record written beside and renamed) fails
      // it: one more copy takes the folder as it is now.
      if (err && !failed) { failed = true; setTimeout(store, 100); return; }
      if (err) console.error('velmoran: the records could not be kept in the browser (' + err + ')');
      failed = false;
      if (again) { again = false; store(); return; }
      var done = waiting; waiting = [];
      done.forEach(function(f) { f(); });
    });
  }
  Module['velmoranStore'] = store;
  // Calls `then` once everything written so far is in the browser's storage.
  Module['velmoranStored'] = function(then) {
    if (!running && !failed) { then(); return; }
    waiting.push(then);
  };
})();
