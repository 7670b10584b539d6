// What the page tests do in the browser, one scenario per run:
//   node scenarios.mjs SCENARIO WEB_DIR OUT_DIR [ARGUMENT_JSON]
// Prints one JSON object; files go into OUT_DIR. The C++ tests (page_e2e_test.cpp) check both,
// against the command line and what the private sound server recorded.
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { launch, serve } from './browser.mjs';

const [scenario, webDir, outDir, argument] = process.argv.slice(2);
const arg = (argument && JSON.parse(argument)) || {};
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const statusText = "document.getElementById('StaticText_Error').textContent";

// The page's own module state, for reading what the page would send.
// Chromium's own output buffer of 10 ms underruns on a busy two-core machine, and each underrun
// is a gap in the recording; 85 ms of buffer keeps the recorded send whole. The other scenarios
// keep the browser's own buffer, which the trainer's beeps are scheduled for.
const AUDIO_BUFFER = { sendTwice: ['--audio-buffer-size=4096'] };
const READ_INPUTS = "import('./app.js').then((m) => m.readInputs())";

async function settled(b) {
  // A send is over when the page takes commands again.
  await b.waitFor("!document.getElementById('main').inert", 40);
  return b.evaluate(statusText);
}

async function saveDownloads(b, prefix) {
  const files = await b.evaluate(`Promise.all(['download-wav', 'download-carray'].map((id) =>
    fetch(document.getElementById(id).href).then((r) => r.blob()).then((blob) => new Promise((resolve) => {
      const reader = new FileReader();
      reader.onload = () => resolve(reader.result.split(',')[1]);
      reader.readAsDataURL(blob); }))))`);
  writeFileSync(join(outDir, prefix + '.wav'), Buffer.from(files[0], 'base64'));
  writeFileSync(join(outDir, prefix + '.h'), Buffer.from(files[1], 'base64'));
}

// Fields and boxes as the user would set them: the value typed, then the focus leaves.
function setInputs(b, inputs) {
  return b.evaluate(`(() => {
    const inputs = ${JSON.stringify(inputs)};
    inputs.fields.forEach((v, i) => { const f = document.getElementById('SpinEdit_' + (i + 1));
      f.value = v; f.dispatchEvent(new Event('change')); });
    for (const [parameter, on] of Object.entries(inputs.boxes)) {
      const box = document.getElementById('CheckBox_' + parameter);
      if (box.checked !== on) box.click(); }
    if (inputs.filter !== undefined) document.getElementById('CheckBox_ModFiltr').checked = inputs.filter;
    if (inputs.alpha !== undefined) { const a = document.getElementById('SpinEdit_Alfa');
      a.value = inputs.alpha; a.dispatchEvent(new Event('change')); }
  })()`);
}

function setLevel(b, level) {
  return b.evaluate(`(() => { const n = document.getElementById('sound-level-number');
    n.value = ${level}; n.dispatchEvent(new Event('input')); })()`);
}

const scenarios = {
  // "выдать" twice by taps, the second at level 50 %; the files after each send.
  async sendTwice(b, url) {
    await b.open(url);
    await b.click('#tab-programmer');
    await setLevel(b, 100);
    await b.click('#Button_FormFile');
    await b.click('#Button_Out');
    const first = await settled(b);
    await saveDownloads(b, 'send1');
    await setLevel(b, 50);
    await b.click('#Button_Out');
    const second = await settled(b);
    await saveDownloads(b, 'send2');
    return { first, second };
  },

  // For each combination, a fresh page and `sends` taps of "выдать"; the page's own downloads
  // after the last. A send plays to its end before the next tap is taken, as in the window; the
  // last one's files are offered as soon as it starts.
  async files(b, url) {
    for (const [k, inputs] of arg.combinations.entries()) {
      await b.open(url);
      await b.click('#tab-programmer');
      await setInputs(b, inputs);
      await b.click('#Button_FormFile');
      for (let s = 0; s < arg.sends; s++) {
        if (s > 0) await settled(b);
        await b.click('#Button_Out');
        await b.waitFor("document.getElementById('main').inert");
      }
      await saveDownloads(b, 'combination' + k);
    }
    return {};
  },

  // The check by ear with the fake microphone playing arg.file.
  async earCheck(b, url) {
    await b.open(url);
    await b.evaluate("localStorage.setItem('tornel4.sound.checkInput', 'default')");
    await b.open(url);
    await b.click('#tab-programmer');
    await b.click('#Button_FormFile');
    await b.click('#Button_Out');
    return { status: await settled(b), tip: await b.evaluate("document.getElementById('StaticText_Error').title") };
  },

  // A set saved by the page, one saved by the desktop loaded, hostile files refused.
  async sets(b, url) {
    await b.page('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: outDir });
    await b.open(url);
    await b.click('#tab-programmer');
    await setInputs(b, arg.pageInputs);
    const pageShown = JSON.parse(await b.evaluate(READ_INPUTS));
    await b.click('#Button4');
    const saved = await b.evaluate(statusText);
    const load = async (file) => {
      const before = await b.evaluate(READ_INPUTS);
      await b.setFiles('#load-file', [file]);
      await b.waitFor(`${statusText}.startsWith(' Считано') || ${statusText}.startsWith(' Не считано')`);
      const status = await b.evaluate(statusText);
      await b.evaluate("document.getElementById('StaticText_Error').textContent = ''");
      return { status, before: JSON.parse(before), after: JSON.parse(await b.evaluate(READ_INPUTS)) };
    };
    const desktop = await load(arg.desktopFile);
    const hostile = [];
    for (const file of arg.hostileFiles) hostile.push(await load(file));
    return { pageShown, saved, desktop, hostile };
  },

  // The trainer from "старт" until three edges have sounded, then "стоп".
  async trainer(b, url) {
    await b.open(url);
    await b.click('#tab-programmer');
    await setInputs(b, { fields: arg.fields, boxes: {} });
    await b.click('#Button_Sound');
    await sleep(arg.runMs);
    await b.click('#Button_Sound');
    return { caption: await b.evaluate("document.getElementById('Button_Sound').textContent") };
  },

  // After the first visit the page opens and builds with the server gone.
  async offline(b, url, server) {
    await b.open(url);
    await b.waitFor('navigator.serviceWorker.ready.then(() => true)');
    await b.open(url);
    await b.waitFor('!!navigator.serviceWorker.controller');
    await server.close();
    await b.open(url);
    await b.click('#tab-programmer');
    await b.click('#Button_FormFile');
    const online = await b.evaluate("fetch('index.html?probe').then(() => 'served', () => 'refused')");
    return { status: await b.evaluate(statusText), help: await b.evaluate("document.getElementById('RichEdit1').textContent.length"), online };
  },

  async screenshot(b, url) {
    await b.open(url + (arg.query || ''));
    if (arg.tab) await b.click(arg.tab);
    await sleep(300);
    writeFileSync(join(outDir, arg.name), await b.screenshot());
    return {};
  },
};

const server = await serve(webDir);
const b = await launch({ width: arg.width || 1280, height: arg.height || 800, extraArgs: [...(AUDIO_BUFFER[scenario] || []), ...(arg.chromiumArgs || [])] });
let result;
try {
  result = await scenarios[scenario](b, server.url, server);
} catch (e) {
  result = { error: e.message, console: b.consoleLines };
}
await b.close();
await server.close().catch(() => {});
process.stdout.write(JSON.stringify(result) + '\n');
