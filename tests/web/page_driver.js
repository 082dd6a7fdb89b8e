// Drives the page in Debian's headless chromium through the DevTools protocol on a pipe (no package
// needed): loads a URL, clicks START as a player would, and reports what the page printed.
// Usage: node page_driver.js URL [--wait TEXT] [--timeout MS] [--pixels FILE] [--screenshot FILE]
//                            [--after MS] [--for MS] [--user-data DIR] [--no-click] [--eval JS]
//                            [--press KEY,KEY...] [--watch FILE] [--size W,H]
// Prints the page's console lines as "console: ..."; exits 0 once a line holding TEXT came (and the
// files asked for are written), 1 on a timeout or an exception in the page.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const args = process.argv.slice(2);
const url = args[0];
const opt = (name, def) => { const i = args.indexOf(name); return i > 0 ? args[i + 1] : def; };
const flag = (name) => args.includes(name);
const waitFor = opt('--wait', 'VELMORAN-DIGEST');
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
  let done = false;
  const onDone = async () => {
    if (done) return;
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
      if (text.includes(waitFor)) onDone();
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
  const keyCodes = { Escape: 27, KeyM: 77, KeyP: 80, Enter: 13, Space: 32, ArrowLeft: 37, ArrowRight: 39 };
  for (const code of (opt('--press') || '').split(',').filter(Boolean)) {
    await new Promise((r) => setTimeout(r, 1500));
    const key = code.startsWith('Key') ? code.slice(3).toLowerCase() : code;
    for (const type of ['keyDown', 'keyUp'])
      await send('Input.dispatchKeyEvent', { type, code, key, windowsVirtualKeyCode: keyCodes[code] || 0 }, session);
  }
  // --for MS: done that long after the click, whatever the page printed.
  if (opt('--for')) setTimeout(onDone, +opt('--for'));
})().catch((e) => finish(1, 'page test: ' + e.message));
