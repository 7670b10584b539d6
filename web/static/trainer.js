// The PTT trainer on the page: the core runs the pattern (PttTrainer) on the audio clock, the
// page draws the diagram, the cursor and the indicator, and puts each beep on the audio clock at
// its edge. The trainer's clock runs ahead of the sound by the core's lookahead for the context's
// block, so that a beep is always scheduled before its time comes and lands on its edge exactly.
import { drawSeries } from './charts.js';

export class Trainer {
  constructor(core, description, parts) {
    Object.assign(this, parts, { core, description });
    this.drawing = null;
    this.timer = null;
    this.button.addEventListener('click', () => this.press());
  }

  now() {
    const context = this.sound.context;
    if (!context) return performance.now() / 1000;
    this.lookahead ??= this.core.constructor.trainerLookahead(context.baseLatency || 0);
    return context.currentTime + this.lookahead;
  }

  values() {
    return this.fields.map((f) => (Number.isNaN(f.valueAsNumber) ? Number(f.min) : Math.round(f.valueAsNumber)));
  }

  // SpinEdit_10Change: ends a run and draws the pattern with the cursor at rest.
  redraw() {
    clearTimeout(this.timer);
    this.timer = null;
    this.drawing = JSON.parse(this.core.trainerRedraw(...this.values()));
    if (this.drawing.stoppedRun) {
      this.button.textContent = this.description.trainer.start;
      this.indicate(false);
    }
    this.draw(this.drawing.cursor);
  }

  draw(cursor) {
    const pattern = this.drawing.pattern;
    drawSeries(this.chart, [
      { x: pattern.map((p) => p[0]), y: pattern.map((p) => p[1]), color: '#0000ff', width: 2 },
      { x: cursor.map((p) => p[0]), y: cursor.map((p) => p[1]), color: '#ff0000', dotted: true },
    ], this.drawing.limits);
  }

  indicate(on) {
    this.shape.classList.toggle('on', on);
    this.label.hidden = !on;
  }

  async press() {
    await this.sound.prepare();  // in the tap: the beeps may sound on a phone
    const r = JSON.parse(this.core.trainerPress(this.button.textContent, this.now()));
    this.button.textContent = r.caption;
    this.alpha.value = r.alpha;
    if (r.redraw) this.redraw();
    if (r.running) this.tick();
  }

  tick() {
    const r = JSON.parse(this.core.trainerTick(this.now()));
    this.draw(r.cursor);
    this.shape.style.background = '#' + [0, 8, 16].map((s) => ((r.indicatorColour >> s) & 255).toString(16).padStart(2, '0')).join('');
    this.label.hidden = !r.labelVisible;
    if (r.beepHz && this.soundBox.checked) {
      this.sound.beep(r.beepHz, r.edgeTime);
      this.onBeep?.(r);
    }
    if (r.runEnded) {
      this.timer = setTimeout(() => this.press(), this.description.trainer.runEndWaitSeconds * 1000);
      return;
    }
    this.timer = setTimeout(() => this.tick(), r.nextTickMs ?? this.description.trainer.tickMs);
  }
}
