// Web Audio: the signal, the check tone and the trainer's beeps at the audio context's own rate
// (the core resamples), the output choice where the browser offers it, and the check by ear:
// the input is recorded by an AudioWorklet and decoded by the core in a worker.
const LEVEL_KEY = 'tornel4.sound.level';
const INPUT_KEY = 'tornel4.sound.checkInput';
const OUTPUT_KEY = 'tornel4.sound.output';
const OUTPUT_LABEL_KEY = 'tornel4.sound.outputLabel';

export class Sound {
  constructor(core, description, texts) {
    this.core = core;
    this.description = description;
    this.texts = texts;
    this.context = null;
    this.level = core.constructor.settleLevel(Number(localStorage.getItem(LEVEL_KEY) ?? description.level.max));
    this.output = localStorage.getItem(OUTPUT_KEY) ?? '';
    this.checkInput = localStorage.getItem(INPUT_KEY) ?? '';
    this.outputLabel = this.output ? localStorage.getItem(OUTPUT_LABEL_KEY) ?? '' : '';
    this.checkInputLabel = '';
  }

  // Called inside a tap: makes and resumes the context there, as phones require.
  prepare() {
    if (!this.context) {
      this.context = new AudioContext({ latencyHint: 'interactive' });
      this.worklet = this.context.audioWorklet.addModule('capture-worklet.js');
    }
    const resumed = this.context.resume();
    return Promise.all([resumed, this.applyOutput()]);
  }

  async applyOutput() {
    if (this.output && 'setSinkId' in AudioContext.prototype) {
      try { await this.context.setSinkId(this.output); } catch { this.output = this.outputLabel = ''; }
    }
  }

  bufferOf(samples) {
    const buffer = this.context.createBuffer(1, samples.length, this.context.sampleRate);
    buffer.copyToChannel(samples, 0);
    return buffer;
  }

  // Plays to the end; with a check input chosen, listens meanwhile and returns the verdict.
  async playSignal(core, packet, onProgress, onChecking) {
    const check = this.checkInput ? await this.startCheck(packet) : null;
    const samples = core.playback(this.context.sampleRate, this.level);
    const source = this.context.createBufferSource();
    source.buffer = this.bufferOf(samples);
    source.connect(this.context.destination);
    const ended = new Promise((resolve) => { source.onended = resolve; });
    const start = this.context.currentTime;
    source.start();
    // From the tap to the first sample leaving the context (for the benchmarks).
    this.tapToFirstSampleMs = performance.now() - this.tapTime + (this.context.baseLatency || 0) * 1000;
    const duration = source.buffer.duration;
    onProgress(0);
    const timer = setInterval(() => onProgress(Math.min(1, (this.context.currentTime - start) / duration)), 50);
    await ended;
    // The context is done with the last sample; the sound card plays it a little later.
    const latency = (this.context.outputLatency || 0) + (this.context.baseLatency || 0);
    await new Promise((r) => setTimeout(r, latency * 1000));
    clearInterval(timer);
    onProgress(1);
    if (!check) return null;
    onChecking();
    return check.finish(this.description.checkTailSeconds);
  }

  async startCheck(packet) {
    await this.worklet;
    let stream;
    try {
      stream = await navigator.mediaDevices.getUserMedia({ audio: {
        deviceId: this.checkInput === 'default' ? undefined : { exact: this.checkInput },
        echoCancellation: false, noiseSuppression: false, autoGainControl: false } });
    } catch (e) {
      console.warn(e);  // the browser's own words; the verdict gives the reason in Russian
      const verdict = JSON.parse(this.core.constructor.inputFailure(e?.name ?? '', this.checkInputLabel));
      return { finish: async () => verdict };
    }
    this.checkInputLabel = stream.getAudioTracks()[0]?.label || this.checkInputLabel;
    const input = this.context.createMediaStreamSource(stream);
    const node = new AudioWorkletNode(this.context, 'capture');
    const mute = this.context.createGain();
    mute.gain.value = 0;
    input.connect(node).connect(mute).connect(this.context.destination);
    const worker = new Worker('ear-worker.js', { type: 'module' });
    worker.postMessage({ start: { rate: this.context.sampleRate, packet: JSON.stringify(packet) } });
    node.port.onmessage = (e) => worker.postMessage({ samples: e.data }, [e.data.buffer]);
    let heard = false;
    const verdict = new Promise((resolve) => {
      worker.onmessage = (e) => {
        if (e.data.heard) heard = true;
        if (e.data.verdict) resolve(e.data.verdict);
      };
    });
    return {
      finish: async (tailSeconds) => {
        const until = performance.now() + tailSeconds * 1000;
        while (!heard && performance.now() < until) await new Promise((r) => setTimeout(r, 50));
        node.port.onmessage = null;
        input.disconnect();
        stream.getTracks().forEach((t) => t.stop());
        worker.postMessage({ finish: true });
        const v = await verdict;
        worker.terminate();
        return v;
      },
    };
  }

  playCheckTone(core) {
    const source = this.context.createBufferSource();
    source.buffer = this.bufferOf(core.checkTone(this.context.sampleRate, this.level));
    source.connect(this.context.destination);
    source.start();
    return source;
  }

  // A beep of the trainer at `when` on the audio clock.
  beep(hz, when) {
    if (!this.context) return;
    const seconds = this.description.trainer.beepMs / 1000;
    const osc = this.context.createOscillator();
    const gain = this.context.createGain();
    osc.frequency.value = hz;
    gain.gain.value = this.description.trainer.beepGain;
    osc.connect(gain).connect(this.context.destination);
    const at = Math.max(when, this.context.currentTime);
    osc.start(at);
    osc.stop(at + seconds);
  }

  // "звук...": output, level with its hint, check tone, check input.
  wireDialog(dialog, opener) {
    const $ = (id) => dialog.querySelector('#' + id);
    const level = $('sound-level');
    const number = $('sound-level-number');
    for (const el of [level, number]) {
      Object.assign(el, { min: this.description.level.min, max: this.description.level.max, value: this.level });
      el.addEventListener('input', () => {
        const v = this.core.constructor.settleLevel(Math.round(Number(el.value)));
        this.level = v;
        level.value = number.value = v;
        localStorage.setItem(LEVEL_KEY, v);
      });
    }
    const sinkable = 'setSinkId' in AudioContext.prototype;
    $('sound-device').hidden = !sinkable;
    $('sound-system-output').hidden = sinkable;
    $('sound-device').addEventListener('change', (e) => {
      this.output = e.target.value;
      this.outputLabel = e.target.selectedOptions[0]?.textContent ?? '';
      localStorage.setItem(OUTPUT_KEY, this.output);
      localStorage.setItem(OUTPUT_LABEL_KEY, this.outputLabel);
      if (this.context) this.applyOutput();
    });
    $('sound-check-input').addEventListener('change', (e) => {
      this.checkInput = e.target.value;
      this.checkInputLabel = e.target.selectedOptions[0]?.textContent ?? '';
      localStorage.setItem(INPUT_KEY, this.checkInput);
    });
    let tone = null;
    const check = $('Button_Check');
    const checkCaption = check.textContent;
    check.addEventListener('click', async () => {
      if (tone) { tone.stop(); return; }
      await this.prepare();
      tone = this.playCheckTone(this.core);
      check.textContent = this.texts.checkStop;
      tone.onended = () => { tone = null; check.textContent = checkCaption; };
    });
    opener.addEventListener('click', async () => {
      await this.listDevices($('sound-device'), $('sound-check-input'));
      dialog.showModal();
    });
    $('sound-close').addEventListener('click', () => { if (tone) tone.stop(); dialog.close(); });
  }

  async listDevices(outputs, inputs) {
    let devices = [];
    try { devices = await navigator.mediaDevices.enumerateDevices(); } catch { /* none offered */ }
    const fill = (select, kind, first, chosen) => {
      select.replaceChildren(new Option(first, ''));
      devices.filter((d) => d.kind === kind).forEach((d, k) => {
        select.append(new Option(d.label || `${this.texts.unnamedDevice[kind]} ${k + 1}`, d.deviceId || 'default'));
      });
      select.value = chosen;
      if (select.value !== chosen) select.value = '';
    };
    fill(outputs, 'audiooutput', this.texts.defaultOutput, this.output);
    fill(inputs, 'audioinput', this.texts.checkOff, this.checkInput);
  }
}
