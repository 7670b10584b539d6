// Debian's headless Chromium driven over the DevTools protocol on a pipe (no browser download, no
// npm package), and a plain static file server for build/web/, which the tests can stop.
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';

const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.json': 'application/json', '.wasm': 'application/wasm', '.png': 'image/png',
  '.svg': 'image/svg+xml', '.rtf': 'application/rtf', '.webmanifest': 'application/manifest+json' };

export async function serve(root) {
  const server = createServer((req, res) => {
    let path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (path.endsWith('/')) path += 'index.html';
    const file = join(root, path);
    try {
      if (!file.startsWith(root) || !statSync(file).isFile()) throw new Error('none');
      res.writeHead(200, { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream' });
      res.end(readFileSync(file));
    } catch {
      res.writeHead(404);
      res.end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); }),
  };
}

export async function launch({ width = 1280, height = 800, extraArgs = [], env = {} } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'tornel4-chromium-'));
  const child = spawn('/usr/bin/chromium', ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${profile}`, '--remote-debugging-pipe', `--window-size=${width},${height}`,
    ...extraArgs, 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'],
    env: { ...process.env, ...env } });
  let stderr = '';
  child.stderr.on('data', (d) => { stderr += d; });
  const toBrowser = child.stdio[3];
  const fromBrowser = child.stdio[4];
  let nextId = 1;
  const waiting = new Map();
  const listeners = [];
  let buffer = '';
  fromBrowser.on('data', (chunk) => {
    buffer += chunk.toString();
    let end;
    while ((end = buffer.indexOf('\0')) >= 0) {
      const message = JSON.parse(buffer.slice(0, end));
      buffer = buffer.slice(end + 1);
      if (message.id && waiting.has(message.id)) {
        const { resolve, reject } = waiting.get(message.id);
        waiting.delete(message.id);
        if (message.error) reject(new Error(message.error.message)); else resolve(message.result);
      } else if (message.method) {
        for (const l of listeners) l(message);
      }
    }
  });
  const send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
    const id = nextId++;
    waiting.set(id, { resolve, reject });
    toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  });
  const { targetInfos } = await send('Target.getTargets');
  const target = targetInfos.find((t) => t.type === 'page');
  const { sessionId } = await send('Target.attachToTarget', { targetId: target.targetId, flatten: true });
  const page = (method, params) => send(method, params, sessionId);
  await page('Page.enable');
  await page('Runtime.enable');
  await page('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: width < 600 });
  const consoleLines = [];
  listeners.push((m) => {
    if (m.method === 'Runtime.consoleAPICalled') consoleLines.push(m.params.args.map((a) => a.value).join(' '));
    if (m.method === 'Runtime.exceptionThrown') consoleLines.push('exception: ' + JSON.stringify(m.params.exceptionDetails));
  });

  const evaluate = async (expression) => {
    const r = await page('Runtime.evaluate', { expression, awaitPromise: true, returnByValue: true, userGesture: false });
    if (r.exceptionDetails) throw new Error(r.exceptionDetails.exception?.description || r.exceptionDetails.text);
    return r.result.value;
  };
  const waitFor = async (expression, seconds = 20) => {
    const until = Date.now() + seconds * 1000;
    for (;;) {
      const v = await evaluate(expression).catch(() => undefined);
      if (v) return v;
      if (Date.now() > until) throw new Error(`timed out waiting for ${expression}\n${consoleLines.join('\n')}`);
      await new Promise((r) => setTimeout(r, 50));
    }
  };
  return {
    send, page, evaluate, waitFor, consoleLines,
    async open(url) {
      await page('Page.navigate', { url });
      await waitFor("document.body && document.body.dataset.ready === 'true'");
    },
    // A real tap: the page sees a trusted gesture, as from a finger or the mouse.
    async click(selector) {
      const box = await evaluate(`(() => { const r = document.querySelector(${JSON.stringify(selector)}).getBoundingClientRect();
        return [r.x + r.width / 2, r.y + r.height / 2]; })()`);
      for (const type of ['mousePressed', 'mouseReleased']) {
        await page('Input.dispatchMouseEvent', { type, x: box[0], y: box[1], button: 'left', clickCount: 1 });
      }
    },
    async setFiles(selector, files) {
      const { root } = await page('DOM.getDocument');
      const { nodeId } = await page('DOM.querySelector', { nodeId: root.nodeId, selector });
      await page('DOM.setFileInputFiles', { nodeId, files });
    },
    async screenshot() {
      const { data } = await page('Page.captureScreenshot', { format: 'png', captureBeyondViewport: false });
      return Buffer.from(data, 'base64');
    },
    async close() {
      child.kill('SIGTERM');
      await new Promise((r) => child.once('exit', r));
      rmSync(profile, { recursive: true, force: true });
    },
    stderr: () => stderr,
  };
}
