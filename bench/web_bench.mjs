// `make bench`: the browser edition in headless Chromium. Goals: fields usable on a first visit
// within 300 ms (local server); everything transferred, compressed, at most 400 KB; "выдать" tap
// to the first sample leaving Web Audio within 50 ms; one send's synthesis within 5 ms; trainer
// beeps within 2 ms of their edges on the audio clock.
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { launch, serve } from '../tests/web/browser.mjs';

const webDir = process.argv[2];
const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];
const rows = [];
const row = (name, value, unit, goal) => rows.push({ name, value: value.toFixed(1), unit, goal });

let raw = 0;
let compressed = 0;
const walk = (dir) => {
  for (const f of readdirSync(dir)) {
    const p = join(dir, f);
    if (statSync(p).isDirectory()) { walk(p); continue; }
    const bytes = readFileSync(p);
    raw += bytes.length;
    compressed += Math.min(bytes.length, gzipSync(bytes, { level: 9 }).length);
  }
};
walk(webDir);
row('all files, gzip', compressed / 1024, 'KB', '<= 400');
row('all files, as they are', raw / 1024, 'KB', '');

const server = await serve(webDir);
const visits = [];
for (let i = 0; i < 5; i++) {
  const b = await launch();
  await b.open(server.url);
  visits.push(Number(await b.evaluate('document.body.dataset.readyMs')));
  await b.close();
}
row('first visit to fields usable', median(visits), 'ms', '<= 300');

const b = await launch();
await b.open(server.url);
await b.click('#tab-programmer');
const synthesis = await b.evaluate(`import('./core.js').then(async ({ core }) => {
  const inputs = (await import('./app.js')).readInputs();
  const times = [];
  for (let i = 0; i < 30; i++) { const t = performance.now(); core.send(inputs, true); times.push(performance.now() - t); }
  return times.sort((a, b) => a - b)[15]; })`);
row('synthesis of one send (with both files)', synthesis, 'ms', '<= 5');
await b.click('#Button_FormFile');
const taps = [];
for (let i = 0; i < 3; i++) {
  await b.click('#Button_Out');
  await b.waitFor("!document.getElementById('main').inert", 30);
  taps.push(await b.evaluate("import('./app.js').then((m) => m.trainer.sound.tapToFirstSampleMs)"));
}
row('"выдать" tap to first sample leaving Web Audio', median(taps), 'ms', '<= 50');
await b.evaluate(`import('./app.js').then((m) => { window.beepLateness = [];
  m.trainer.onBeep = () => window.beepLateness.push(m.trainer.sound.lastBeepLateness * 1000); })`);
for (const [i, v] of [[10, 2], [11, 2], [12, 2]]) {
  await b.evaluate(`(() => { const f = document.getElementById('SpinEdit_${i}'); f.value = ${v}; f.dispatchEvent(new Event('change')); })()`);
}
await b.click('#Button_Sound');
await b.waitFor('window.beepLateness.length >= 4', 20);
const lateness = await b.evaluate('Math.max(...window.beepLateness)');
row('trainer beep onset error (worst of 4)', lateness, 'ms', '<= 2');
await b.close();
await server.close();

console.log('\nBrowser edition (headless Chromium)');
for (const r of rows) console.log(`  ${r.name.padEnd(48)} ${r.value.padStart(8)} ${r.unit.padEnd(3)} ${r.goal ? 'goal ' + r.goal : ''}`);
