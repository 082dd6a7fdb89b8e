// Drives the page in Debian's headless chromium through the DevTools protocol on a pipe (no package
// needed): loads a URL, clicks START as a player would, and reports what the page printed.
// Usage: node page_driver.js URL [--wait TEXT] [--timeout MS] [--pixels FILE] [--screenshot FILE]
//                            [--after MS] [--for MS] [--user-data DIR] [--no-click] [--eval JS]
//                            [--press KEY,KEY...] [--watch FILE] [--size W,H] [--steps JSON]
//                            [--downloads DIR]
// Prints the page's console lines as "console: ..."; exits 0 once a line holding TEXT came (and the
// files asked for are written), 1 on a timeout or an exception in the page.
// --steps: after START, what a player does, one step after another (a JSON list):
//   {"wait": MS}  {"until": TEXT} (a console line holding TEXT)  {"key": "ControlLeft"}
//   {"eval": JS} (prints "step: VALUE")
//   {"drag": [X0, Y0, X1, Y1]}  {"tap": [X, Y]}  a finger on the page (CSS pixels of the canvas)
//   {"hidden": true}  another tab comes to the front, so that this one is hidden; false: it is back
//   {"download": "#ID"}  clicks the button and waits for its file, in --downloads DIR ("download: PATH")
// and then, if --wait is given, for that line too.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const args = process.argv.slice(2);
const url = args[0];
const opt = (name, def) => { const i = args.indexOf(name); return i > 0 ? args[i + 1] : def; };
const flag = (name) => args.includes(name);
const steps = JSON.parse(opt('--steps', 'null'));
const waitFor = opt('--wait', steps ? '' : 'VELMORAN-DIGEST');
const timeout = +opt('--timeout', '120000');
const after = +opt('--after', '0');
const given = opt('--user-data', '');
const profile = given || fs.mkdtempSync(path.join(os.tmpdir(), 'velmoran-chromium-'));

const chromium = spawn(process.env.CHROMIUM || '/usr/bin/chromium', [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--autoplay-policy=user-gesture-required', '--user-data-dir=' + profile, '--remote-debugging-pipe',
  '--window-size=' + opt('--size', '800,600'), 'about:blank'], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
const toBrowser = chromium.stdio[3], fromBrowser = chromium.stdio[4];
let nextId = 0, buffer = '', ended = false;
const pending = new Map(), listeners = [];
fromBrowser.on('data', (d) => {
  buffer += d.toString();
  for (let i; (i = buffer.indexOf('\0')) >= 0;) {
    const m = JSON.parse(buffer.slice(0, i));
    buffer = buffer.slice(i + 1);
    if (m.id && pending.has(m.id)) { pending.get(m.id)(m); pending.delete(m.id); } else listeners.forEach((f) => f(m));
  }
});
const send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
  const id = ++nextId;
  pending.set(id, (m) => (m.error ? reject(new Error(method + ': ' + m.error.message)) : resolve(m.result)));
  toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
});

function finish(code, why) {
  if (ended) return;
  ended = true;
  if (why) console.log(why);
  // Closed in order, so that its helpers have left the profile before it is removed.
  const killer = setTimeout(() => chromium.kill('SIGKILL'), 5000);
  chromium.on('exit', () => {
    clearTimeout(killer);
    if (!given) fs.rmSync(profile, { recursive: true, force: true, maxRetries: 5, retryDelay: 200 });
    process.exit(code);
  });
  send('Browser.close').catch(() => chromium.kill('SIGKILL'));
}
setTimeout(() => finish(1, 'page test: no "' + waitFor + '" within ' + timeout + ' ms'), timeout);

(async () => {
  const target = await send('Target.createTarget', { url: 'about:blank' });
  const session = (await send('Target.attachToTarget', { targetId: target.targetId, flatten: true })).sessionId;
  const evaluate = async (expression) => {
    const r = await send('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true }, session);
    if (r.exceptionDetails) {
      const x = r.exceptionDetails;
      throw new Error(((x.exception && x.exception.description) || x.text).slice(0, 600));
    }
    return r.result.value;
  };
  const printed = [];
  let done = false, seen = !waitFor, stepsDone = !steps;
  const onDone = async () => {
    if (done || !seen || !stepsDone) return;
    done = true;
    try {
      if (after) await new Promise((r) => setTimeout(r, after));
      const pixels = opt('--pixels');
      if (pixels) {
        // The canvas read back at its own 640 x 480, RGBA.
        const b64 = await evaluate(`(() => { const c = document.getElementById('canvas');
          const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data; let s = '';
          for (let i = 0; i < d.length; i += 32768) s += String.fromCharCode.apply(null, d.subarray(i, i + 32768));
          return c.width + 'x' + c.height + ':' + btoa(s); })()`);
        const [size, data] = b64.split(':');
        fs.writeFileSync(pixels, Buffer.concat([Buffer.from(size + '\n'), Buffer.from(data, 'base64')]));
      }
      const shot = opt('--screenshot');
      if (shot) fs.writeFileSync(shot, Buffer.from((await send('Page.captureScreenshot', { format: 'png' }, session)).data, 'base64'));
      const js = opt('--eval');
      if (js) console.log('eval: ' + JSON.stringify(await evaluate(js)));
      finish(0);
    } catch (e) { finish(1, 'page test: ' + e.message); }
  };
  listeners.push((m) => {
    if (m.sessionId !== session) return;
    if (m.method === 'Runtime.consoleAPICalled') {
      const text = m.params.args.map((a) => (a.value !== undefined ? a.value : a.description)).join(' ');
      console.log('console: ' + text);
      printed.push(text);
      if (waitFor && text.includes(waitFor)) { seen = true; onDone(); }
    } else if (m.method === 'Runtime.exceptionThrown') {
      const x = m.params.exceptionDetails;
      finish(1, 'page test: exception: ' + ((x.exception && x.exception.description) || x.text).slice(0, 1500));
    }
  });
  await send('Runtime.enable', {}, session);
  await send('Page.enable', {}, session);
  await send('Page.navigate', { url }, session);
  if (flag('--no-click')) return;
  // --watch FILE: the player chooses FILE under "Watch a replay" instead of clicking START.
  const watch = opt('--watch');
  if (watch) {
    while (!ended && !(await evaluate(`(document.getElementById('watch') || { disabled: true }).disabled === false`)))
      await new Promise((r) => setTimeout(r, 50));
    const root = (await send('DOM.getDocument', {}, session)).root.nodeId;
    const input = (await send('DOM.querySelector', { nodeId: root, selector: '#watch' }, session)).nodeId;
    await send('DOM.setFileInputFiles', { nodeId: input, files: [path.resolve(watch)] }, session);
    return;
  }
  // START, once loaded, clicked by the mouse: a real gesture, as sound and full screen need.
  let box = null;
  while (!box && !ended) {
    box = await evaluate(`(() => { const b = document.getElementById('start');
      if (!b || b.disabled) return null; const r = b.getBoundingClientRect();
      return { x: r.x + r.width / 2, y: r.y + r.height / 2, at: performance.now() }; })()`);
    if (!box) await new Promise((r) => setTimeout(r, 50));
  }
  if (ended) return;
  console.log('page test: START ready ' + box.at.toFixed(0) + ' ms after the page began loading');
  for (const type of ['mousePressed', 'mouseReleased'])
    await send('Input.dispatchMouseEvent', { type, x: box.x, y: box.y, button: 'left', clickCount: 1 }, session);
  // --press KEY,KEY...: keys pressed on the game one after another (DOM key names), once it runs.
  const keyCodes = { Escape: 27, KeyM: 77, KeyP: 80, Enter: 13, Space: 32, ArrowLeft: 37, ArrowRight: 39,
    ControlLeft: 17 };
  const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
  let front = null;  // the tab brought before this one by {"hidden": true}
  const doStep = async (step) => {
    if (step.wait) await sleep(step.wait);
    while (step.until && !ended && !printed.some((t) => t.includes(step.until))) await sleep(50);
    if (step.key) {
      const code = step.key, key = code.startsWith('Key') ? code.slice(3).toLowerCase() : code.replace(/Left$/, '');
      for (const type of ['rawKeyDown', 'keyUp'])
        await send('Input.dispatchKeyEvent', { type, code, key, windowsVirtualKeyCode: keyCodes[code] || 0 }, session);
    }
    if (step.eval) console.log('step: ' + JSON.stringify(await evaluate(step.eval)));
    if (step.drag || step.tap) {
      // Touch points in the page: the canvas's corner plus the step's CSS pixels.
      const at = await evaluate(`(() => { const r = document.getElementById('canvas').getBoundingClientRect();
        return { x: r.x, y: r.y }; })()`);
      await send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 1 }, session);
      const point = (x, y) => [{ x: at.x + x, y: at.y + y, id: 1 }];
      const touch = (type, touchPoints) => send('Input.dispatchTouchEvent', { type, touchPoints }, session);
      if (step.tap) {
        await touch('touchStart', point(...step.tap));
        await sleep(40);
        await touch('touchEnd', []);
      } else {
        const [x0, y0, x1, y1] = step.drag, moves = 10;
        await touch('touchStart', point(x0, y0));
        for (let i = 1; i <= moves; ++i) {
          await sleep(30);
          await touch('touchMove', point(x0 + ((x1 - x0) * i) / moves, y0 + ((y1 - y0) * i) / moves));
        }
        await sleep(30);
        await touch('touchEnd', []);
      }
    }
    if (step.hidden === true && !front) {
      front = (await send('Target.createTarget', { url: 'about:blank' })).targetId;
      await send('Target.activateTarget', { targetId: front });
    } else if (step.hidden === false && front) {
      await send('Target.closeTarget', { targetId: front });
      front = null;
      await send('Target.activateTarget', { targetId: target.targetId });
    }
    if (step.download) {
      const dir = path.resolve(opt('--downloads', '.'));
      const done = new Promise((resolve, reject) => listeners.push((m) => {
        if (m.method === 'Browser.downloadWillBegin') console.log('download: begins ' + m.params.suggestedFilename);
        if (m.method !== 'Browser.downloadProgress') return;
        if (m.params.state === 'completed') resolve(m.params.filePath || '');
        if (m.params.state === 'canceled') reject(new Error('the download was cancelled'));
      }));
      await send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: dir, eventsEnabled: true });
      await evaluate(`document.querySelector(${JSON.stringify(step.download)}).click()`);
      console.log('download: ' + (await done));
    }
  };
  for (const code of (opt('--press') || '').split(',').filter(Boolean)) {
    await new Promise((r) => setTimeout(r, 1500));
    const key = code.startsWith('Key') ? code.slice(3).toLowerCase() : code;
    for (const type of ['keyDown', 'keyUp'])
      await send('Input.dispatchKeyEvent', { type, code, key, windowsVirtualKeyCode: keyCodes[code] || 0 }, session);
  }
  if (steps) {
    for (const step of steps) await doStep(step);
    stepsDone = true;
    onDone();
  }
  // --for MS: done that long after the click, whatever the page printed.
  if (opt('--for')) setTimeout(() => { seen = stepsDone = true; onDone(); }, +opt('--for'));
})().catch((e) => finish(1, 'page test: ' + e.message));
