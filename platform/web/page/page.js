// The page around the game: the start panel, the picture's scale, full screen, sound after the first
// gesture, downloads, watching a replay, and (for tests) playing an input script named in the URL.
'use strict';
(function() {
  var $ = function(id) { return document.getElementById(id); };
  var canvas = $('canvas'), stage = $('stage'), panel = $('panel'), start = $('start');
  var params = new URLSearchParams(location.search);
  var recording = '/tmp/session.rec';  // this session's games, as --record writes them
  var started = false;

  function status(text) { $('status').textContent = text; }
  function note(text) { $('note').textContent = text; }

  // The picture keeps its 4:3 and goes up by whole steps where they fit, else by what fits.
  function fit() {
    var w = stage.clientWidth, h = stage.clientHeight;
    var s = Math.min(w / 640, h / 480);
    if (s >= 1) s = Math.floor(s);
    canvas.style.width = Math.max(1, Math.floor(640 * s)) + 'px';
    canvas.style.height = Math.max(1, Math.floor(480 * s)) + 'px';
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);

  // Full screen needs a player's gesture: a request the browser refuses is asked again at the next
  // click or key.
  var wantFull = null;
  function fullScreen(on) {
    wantFull = on;
    var p = on ? (document.fullscreenElement ? null : stage.requestFullscreen())
               : (document.fullscreenElement ? document.exitFullscreen() : null);
    if (!p) { wantFull = null; return; }
    p.then(function() { wantFull = null; }, function() {});
  }
  function gesture() {
    if (wantFull !== null) fullScreen(wantFull);
    // Browsers start sound only after a gesture: SDL's audio context waits for this one.
    var sdl = Module['SDL2'];
    if (sdl && sdl.audioContext && sdl.audioContext.state === 'suspended') sdl.audioContext.resume();
  }
  ['mousedown', 'keyup', 'touchend'].forEach(function(e) { window.addEventListener(e, gesture, true); });
  $('fullscreen').onclick = function() { fullScreen(true); canvas.focus(); };

  function download(path, name, type) {
    var data;
    try { data = FS.readFile(path); } catch (e) { status('nothing to download yet'); return; }
    var a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([data], { type: type }));
    a.download = name;
    document.body.appendChild(a);
    a.click();
    setTimeout(function() { URL.revokeObjectURL(a.href); a.remove(); }, 1000);
  }
  // Until the session ends the recording is its .part- file: whole up to its last digest, and
  // playable as a recording cut short.
  $('replay').onclick = function() {
    if (typeof FS !== 'object') return;
    var path = null;
    try {
      FS.readdir('/tmp').forEach(function(n) { if (n.indexOf('session.rec') === 0) path = '/tmp/' + n; });
      if (FS.analyzePath(recording).exists) path = recording;
    } catch (e) {}
    if (path) download(path, 'velmoran-' + new Date().toISOString().replace(/[:.]/g, '-') + '.rec', 'text/plain');
    else status('no game recorded yet');
  };
  $('shot').onclick = function() {
    var last = null;
    try {
      FS.readdir('/player/ScreenShots').forEach(function(n) {
        if (/^SS\d+\.bmp$/.test(n) && (!last || +n.slice(2, -4) > +last.slice(2, -4))) last = n;
      });
    } catch (e) {}
    if (last) download('/player/ScreenShots/' + last, last, 'image/bmp');
    else status('no screenshot yet: P takes one');
  };

  function run(args) {
    if (started) return;
    started = true;
    panel.classList.add('gone');
    gesture();
    canvas.focus();
    status('');
    Module['callMain'](args);
  }

  // Tests: an input script served beside the page, played as a replay (input=) or as the player's
  // own hands in a game of the player's, records kept and recorded (play=); digest=1 writes the
  // state digest after every frame into /tmp/play.digest.
  var scriptUrl = params.get('input') || params.get('play');
  var asPlayer = !params.get('input');
  function sameOrigin(url) {
    try { return new URL(url, location.href).origin === location.origin; } catch (e) { return false; }
  }
  start.onclick = function() {
    var args = ['--window', '--user-dir', '/player'];
    if (scriptUrl || params.get('digest')) args.push('--digest', '/tmp/play.digest');
    if (params.get('frames')) args.push('--frames', params.get('frames'));
    if (!scriptUrl) return run(args.concat(['--record', recording]));
    if (!sameOrigin(scriptUrl)) { note('The input script must come from this page\'s own server.'); return; }
    fetch(scriptUrl).then(function(r) {
      if (!r.ok) throw new Error(scriptUrl + ': ' + r.status);
      return r.arrayBuffer();
    }).then(function(b) {
      FS.writeFile('/tmp/play.input', new Uint8Array(b));
      if (asPlayer) Module['velmoranPlayScript'] = '/tmp/play.input';
      run(args.concat(asPlayer ? ['--record', recording] : ['--input', '/tmp/play.input']));
    }).catch(function(e) { console.log('VELMORAN-ERROR ' + e); });
  };
  // Watching a replay: a file of anyone's, played as --input plays it, in a scratch folder of its
  // own, so that it never touches the player's records.
  $('watch').onchange = function() {
    var f = this.files[0];
    if (!f) return;
    f.arrayBuffer().then(function(b) {
      FS.writeFile('/tmp/watch.rec', new Uint8Array(b));
      run(['--window', '--user-dir', '/player', '--input', '/tmp/watch.rec']);
    });
  };

  // Touch, for tablets: while the game steers, a finger dragged on the canvas moves the ship as the
  // mouse's motion does (relative, as under Pointer Lock) and a short tap fires; the back-end takes
  // both at its next pump (platform/web/web_platform.cpp). A touch that began elsewhere, or in the
  // menus, is SDL's: a tap there clicks what is under the finger.
  var touch = { dx: 0, dy: 0, taps: 0, steering: false };
  var fingers = {};  // ours, by identifier: where and when each began, and where it is now
  var kTapMillis = 300, kTapTravel = 12;  // CSS pixels
  function ownTouch(e) {
    var mine = false;
    for (var i = 0; i < e.changedTouches.length; ++i) {
      var t = e.changedTouches[i], f = fingers[t.identifier];
      if (e.type === 'touchstart') {
        if (!touch.steering || e.target !== canvas) continue;
        fingers[t.identifier] = f = { x: t.clientX, y: t.clientY, at: performance.now(), travel: 0 };
        mine = true;
        continue;
      }
      if (!f) continue;
      mine = true;
      var r = canvas.getBoundingClientRect();
      var dx = t.clientX - f.x, dy = t.clientY - f.y;
      if (r.width > 0 && r.height > 0) {
        touch.dx += dx * canvas.width / r.width;
        touch.dy += dy * canvas.height / r.height;
      }
      f.travel += Math.abs(dx) + Math.abs(dy);
      f.x = t.clientX;
      f.y = t.clientY;
      if (e.type === 'touchend' || e.type === 'touchcancel') {
        if (e.type === 'touchend' && f.travel <= kTapTravel && performance.now() - f.at <= kTapMillis) ++touch.taps;
        delete fingers[t.identifier];
      }
    }
    if (!mine) return;
    // Neither SDL's touch-as-mouse nor the browser's scrolling and compatibility clicks see it.
    e.preventDefault();
    e.stopPropagation();
  }
  ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function(type) {
    window.addEventListener(type, ownTouch, { capture: true, passive: false });
  });

  window.Module = {
    canvas: canvas,
    print: function(t) { console.log(t); },
    printErr: function(t) { console.warn(t); },
    setStatus: function(t) { if (!started) start.textContent = t || 'START'; },
    onRuntimeInitialized: function() {
      console.log('VELMORAN-READY');
      start.textContent = 'START';
      start.disabled = false;
      $('watch').disabled = false;
    },
    onExit: function(code) {
      console.log('VELMORAN-EXIT ' + code);
      Module['velmoranStore']();
      Module['velmoranStored'](function() { console.log('VELMORAN-STORED'); });
      panel.classList.remove('gone');
      start.disabled = true;
      $('watch').parentNode.style.display = 'none';
      start.textContent = 'Reload the page to play again';
      if (code) note('The game ended with code ' + code + '.');
      if (scriptUrl || params.get('digest')) {
        var lines = '';
        try { lines = FS.readFile('/tmp/play.digest', { encoding: 'utf8' }).trim().split('\n'); } catch (e) {}
        // The last frame's digest and the exit code, for the browser test.
        console.log('VELMORAN-DIGEST ' + (lines.length ? lines[lines.length - 1] : 'none') + ' exit ' + code);
      }
    },
    velmoranFullScreen: fullScreen,
    velmoranTouch: touch,
    velmoranMessage: function(text) { note(text); panel.classList.remove('gone'); },
  };
  canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
  // When the program cannot start at all, the player should hear why.
  window.addEventListener('error', function(e) { note('The game could not start: ' + e.message); });
  if (typeof SharedArrayBuffer === 'undefined')
    note('This page must be served with cross-origin isolation (scripts/serve-web.sh does).');
  fit();
})();
