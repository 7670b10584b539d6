// The page: builds the fields from the core's parameter table, wires the commands, the trainer,
// the help pages and the engineering view. Every decision is the core's (web_core.h); this file
// only moves values between the page and the core.
import { core, description, texts, form } from './core.js';
import { drawSeries } from './charts.js';
import { Sound } from './sound.js';
import { Trainer } from './trainer.js';
import { SetFiles } from './sets.js';

const $ = (id) => document.getElementById(id);
const status = $('StaticText_Error');
const WebCore = core.constructor;  // the core's functions of no session
const sound = new Sound(core, description, texts);

// The window's captions from its form: data-form names the control, data-key the property.
function applyFormTexts(root = document) {
  for (const el of root.querySelectorAll('[data-form]')) {
    const entry = form[el.dataset.form] || {};
    const text = entry[el.dataset.key || 'text'];
    if (text !== undefined) el.textContent = text;
    if (entry.toolTip) el.title = entry.toolTip;
  }
  for (const el of root.querySelectorAll('[data-tip]')) {
    const tip = (form[el.dataset.tip] || {}).toolTip;
    if (tip) { el.title = tip; el.setAttribute('aria-description', tip); }
  }
}

// ---- the twelve fields and five boxes, in the window's order
const fields = [];
const boxes = new Map();  // parameter -> checkbox

function numberInput(i, labelId) {
  const f = description.fields[i];
  const input = document.createElement('input');
  Object.assign(input, { type: 'number', id: `SpinEdit_${i + 1}`, min: f.min, max: f.max,
    step: f.step, value: f.design, inputMode: 'numeric' });
  input.setAttribute('aria-labelledby', labelId);
  input.addEventListener('change', () => {
    const v = input.value.trim() === '' || Number.isNaN(input.valueAsNumber) ? null : Math.round(input.valueAsNumber);
    input.value = core.settleField(i, v);
    if (f.parameter === 10) trainer.redraw();
  });
  // The arrows step from the value as it stands, clamped to the range, as in the window.
  input.addEventListener('keydown', (e) => {
    if (e.key !== 'ArrowUp' && e.key !== 'ArrowDown') return;
    e.preventDefault();
    const now = Number.isNaN(input.valueAsNumber) ? f.min : input.valueAsNumber;
    input.value = core.settleField(i, now + (e.key === 'ArrowUp' ? f.step : -f.step));
    input.dispatchEvent(new Event('change'));
  });
  fields[i] = input;
  return input;
}

function boxFor(parameter) {
  const design = description.boxes.find((b) => b.parameter === parameter);
  if (!design) return null;
  const box = document.createElement('input');
  Object.assign(box, { type: 'checkbox', id: `CheckBox_${parameter}`, checked: design.design });
  const tip = form[`CheckBox_${parameter}`]?.toolTip ?? '';
  box.title = tip;
  box.setAttribute('aria-label', tip.trim());
  box.addEventListener('change', () => followBox(parameter));
  boxes.set(parameter, box);
  return box;
}

// A box enables the fields whose box it is; no box handler runs at start, as in the window.
function followBox(parameter) {
  description.fields.forEach((f, i) => {
    if (f.box === parameter) fields[i].disabled = !boxes.get(parameter).checked;
  });
}

function buildFields() {
  const host = $('fields');
  const groups = new Map();
  description.fields.forEach((f, i) => {
    let group = groups.get(f.parameter);
    if (!group) {
      group = document.createElement('fieldset');
      group.className = `param p${f.parameter}`;
      const legend = document.createElement('legend');
      const caption = document.createElement('span');
      caption.id = f.parameter === 10 ? 'GroupBox18' : `GroupBox_P${f.parameter}`;
      caption.textContent = form[caption.id].title;
      legend.append(caption);
      const box = f.parameter === 10 ? null : boxFor(f.parameter);
      if (box) legend.append(box);
      group.append(legend);
      groups.set(f.parameter, group);
      host.append(group);
    }
    const row = document.createElement('div');
    row.className = 'row';
    if (f.parameter === 10) {
      const labelName = { first: 'Label15', pause: 'Label17', second: 'Label18' }[f.member];
      const label = document.createElement('label');
      label.id = labelName;
      label.textContent = form[labelName].text;
      label.htmlFor = `SpinEdit_${i + 1}`;
      row.append(numberInput(i, labelName), label);
    } else {
      const unit = document.createElement('span');
      unit.className = 'unit';
      unit.textContent = form[`Label_P${f.parameter}`].text;
      row.append(numberInput(i, `GroupBox_P${f.parameter}`), unit);
    }
    group.append(row);
  });
  const p10 = groups.get(10);
  p10.querySelector('legend').append(boxFor(10));
  p10.append($('trainer-template').content.cloneNode(true));
  applyFormTexts(p10);
}

export function readInputs() {
  return JSON.stringify({
    fields: fields.map((input) => (Number.isNaN(input.valueAsNumber) ? null : Math.round(input.valueAsNumber))),
    boxes: description.boxes.map((b) => boxes.get(b.parameter).checked),
  });
}

export function showInputs(set) {
  set.fields.forEach((v, i) => { fields[i].value = v; });
  description.boxes.forEach((b, k) => { boxes.get(b.parameter).checked = set.boxes[k]; });
  for (const b of description.boxes) followBox(b.parameter);
  trainer.redraw();
}

// ---- commands
function setStatus(text, tip = '') {
  status.textContent = text;
  status.title = tip;
}

function showListings(result) {
  $('Memo1').textContent = result.listings.parameters.join('\n');
  $('Memo2').textContent = result.listings.crc_trace.join('\n');
  $('Memo_MasIsh').textContent = result.listings.packet.join('\n');
}

function build() {
  $('Button_Out').hidden = false;
  const result = JSON.parse(core.build(readInputs()));
  setStatus(result.status);
  if (result.ok) showListings(result);
  return result;
}

let downloadUrls = [];
function offerDownloads() {
  downloadUrls.forEach((u) => URL.revokeObjectURL(u));
  const wav = new Blob([core.wavBytes()], { type: 'audio/wav' });
  const carray = new Blob([core.carrayBytes()], { type: 'text/x-c' });
  downloadUrls = [URL.createObjectURL(wav), URL.createObjectURL(carray)];
  $('download-wav').href = downloadUrls[0];
  $('download-carray').href = downloadUrls[1];
  $('downloads').hidden = false;
}

function showCharts() {
  if ($('engineering-view').hidden) return;
  drawSeries($('Chart_Filtr'), [{ x: core.filterChartX(), y: core.filterChartY(), color: '#0000ff' }]);
  const y = core.signalChart();
  drawSeries($('Chart1'), [{ x: null, y, color: '#ff0000' }]);
}

// While a send plays the page takes no other command, as the window does.
function blockInput(blocked) {
  $('main').inert = blocked;
  document.querySelector('nav').inert = blocked;
}

async function send(event) {
  // The audio context is made and resumed inside the tap itself, so that phones allow sound.
  // A browser without Web Audio refuses here; the refusal is reported below like any other.
  const started = (() => { try { return sound.prepare(); } catch (e) { return Promise.reject(e); } })();
  sound.tapTime = event?.timeStamp;
  const result = JSON.parse(core.send(readInputs(), $('CheckBox_ModFiltr').checked));
  setStatus(result.status);
  if (!result.ok) return;
  showListings(result);
  offerDownloads();
  blockInput(true);
  try {
    await started;
    const verdict = await sound.playSignal(core, result.packet,
      (fraction) => setStatus(WebCore.progressText(fraction)), () => setStatus(texts.checking));
    const shown = JSON.parse(core.sentStatus(sound.outputLabel, verdict ? JSON.stringify(verdict) : '', sound.checkInputLabel));
    setStatus(shown.status, shown.tip);
  } catch (e) {
    // The browser's own words, in English, stay in the tooltip and the console.
    console.warn(e);
    setStatus(texts.notSent + WebCore.browserReason(e?.name ?? ''), String(e?.message ?? e));
  } finally {
    blockInput(false);
  }
  showCharts();
}

// ---- tabs and views
function selectTab(tab) {
  for (const t of document.querySelectorAll('[role=tab]')) {
    const on = t === tab;
    t.setAttribute('aria-selected', on);
    t.tabIndex = on ? 0 : -1;
    $(t.getAttribute('aria-controls')).hidden = !on;
  }
}

function wireTabs() {
  const tabs = [...document.querySelectorAll('[role=tab]')];
  tabs.forEach((t, k) => {
    t.addEventListener('click', () => selectTab(t));
    t.addEventListener('keydown', (e) => {
      const step = { ArrowRight: 1, ArrowLeft: -1 }[e.key];
      if (!step) return;
      const next = tabs[(k + step + tabs.length) % tabs.length];
      next.focus();
      selectTab(next);
    });
  });
  selectTab(tabs[0]);
}

function setEngineering(on) {
  $('engineering-view').hidden = !on;
  document.body.classList.toggle('tq', on);
  $('engineering').checked = on;
  if (on) showCharts();
}

async function loadHelpPages() {
  for (const view of document.querySelectorAll('.rich')) {
    try {
      const response = await fetch(view.dataset.file);
      if (!response.ok) throw new Error(response.status);
      view.innerHTML = WebCore.helpHtml(new Uint8Array(await response.arrayBuffer()));
    } catch {
      view.textContent = form[view.id].plainText;  // the design text names the missing file
      view.classList.add('missing');
    }
  }
}

// ---- start-up
applyFormTexts();
buildFields();
export const trainer = new Trainer(core, description, {
  fields: [9, 10, 11].map((i) => fields[i]),
  button: $('Button_Sound'), shape: $('Shape_PTT'), label: $('Label_PTT'),
  soundBox: $('CheckBox_Zwuk'), chart: $('Chart_PTT'), sound,
  alpha: $('SpinEdit_Alfa'),
});
trainer.redraw();

const alpha = $('SpinEdit_Alfa');
Object.assign(alpha, { min: description.alpha.min, max: description.alpha.max, value: core.alphaPercent() });
alpha.addEventListener('change', () => { alpha.value = core.setAlphaPercent(Math.round(alpha.valueAsNumber)); });

$('Button_FormFile').addEventListener('click', build);
$('Button_Out').addEventListener('click', send);
$('Button3').addEventListener('click', () => { $('Memo1').textContent = JSON.parse(core.dump()).join('\n'); });
$('engineering').addEventListener('change', (e) => setEngineering(e.target.checked));
wireTabs();
setEngineering(new URLSearchParams(location.search).has('tq'));
sound.wireDialog($('sound-dialog'), $('Button_SoundSetup'));
new SetFiles(core, texts, { readInputs, showInputs, setStatus, build });
loadHelpPages();
document.body.dataset.ready = 'true';
document.body.dataset.readyMs = performance.now().toFixed(1);  // for the benchmarks

if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}

