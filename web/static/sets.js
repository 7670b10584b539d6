// Parameter sets: the same JSON files as the window's ("считать" also takes a WAV recording), and
// named sets kept in the browser. The core reads and writes them and words every message; a file
// it refuses changes nothing on the page.
const STORE_KEY = 'tornel4.sets';
const FILE_NAME = 'tornel4-parameters.json';

export class SetFiles {
  constructor(core, texts, page) {
    Object.assign(this, { core, texts, page });
    const $ = (id) => document.getElementById(id);
    this.picker = $('load-file');
    $('Button1').addEventListener('click', () => this.picker.click());
    this.picker.addEventListener('change', () => this.loadPicked());
    $('Button4').addEventListener('click', () => this.save());
    this.list = $('set-list');
    this.name = $('set-name');
    $('set-store').addEventListener('click', () => this.store());
    $('set-restore').addEventListener('click', () => this.restore());
    $('set-forget').addEventListener('click', () => this.forget());
    this.showList();
  }

  // Bytes of a picked file, no more than the core needs to judge it.
  async loadPicked() {
    const file = this.picker.files[0];
    this.picker.value = '';
    if (!file) return;
    const bytes = new Uint8Array(await file.slice(0, this.core.constructor.maxSourceBytes()).arrayBuffer());
    this.apply(file.name, bytes);
  }

  // `loaded`: the status once it has loaded (from a file, or from the browser's storage).
  apply(name, bytes, loaded = this.texts.loaded) {
    const r = JSON.parse(this.core.loadSource(name, bytes, this.page.readInputs()));
    if (!r.ok) {
      this.page.setStatus(this.texts.notLoaded + r.message);
      return false;
    }
    this.page.showInputs(r);
    this.page.setStatus(loaded + name);
    return true;
  }

  text(name) {
    const r = JSON.parse(this.core.setText(this.page.readInputs(), name));
    if (!r.ok) this.page.setStatus(this.texts.notSaved + r.message);
    return r.ok ? r.text : null;
  }

  save() {
    const text = this.text('');
    if (text === null) return;
    const blob = new Blob([text], { type: 'application/json' });
    const link = Object.assign(document.createElement('a'), { href: URL.createObjectURL(blob), download: FILE_NAME });
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    this.page.setStatus(this.texts.saved + FILE_NAME);
  }

  stored() { try { return JSON.parse(localStorage.getItem(STORE_KEY)) || {}; } catch { return {}; } }

  showList() {
    this.list.replaceChildren(...Object.keys(this.stored()).sort().map((n) => new Option(n, n)));
  }

  // Writes the sets back; a full or closed storage keeps what it had, and the status says why.
  keep(sets) {
    try {
      localStorage.setItem(STORE_KEY, JSON.stringify(sets));
      return true;
    } catch (e) {
      this.page.setStatus(this.texts.notStored + this.core.constructor.browserReason(e?.name ?? ''), String(e?.message ?? e));
      return false;
    }
  }

  store() {
    const name = this.name.value.trim();
    const text = name && this.text(name);
    if (!text) return;
    const sets = this.stored();
    sets[name] = text;
    if (!this.keep(sets)) return;
    this.showList();
    this.list.value = name;
    this.page.setStatus(this.texts.stored + name);
  }

  restore() {
    const name = this.list.value;
    const text = this.stored()[name];
    if (text !== undefined) this.apply(name, new TextEncoder().encode(text), this.texts.restored);
  }

  forget() {
    const sets = this.stored();
    delete sets[this.list.value];
    if (this.keep(sets)) this.showList();
  }
}
