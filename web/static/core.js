// The core's module (tornel4-web.js/.wasm, built from web/web_core.cpp), its description of the
// fields and texts, and the window's captions read from its form.
import TornelCore from './tornel4-web.js';

const [module, formTexts] = await Promise.all([
  TornelCore(),
  fetch('form-texts.json').then((r) => r.json()),
]);

export const Core = module;
export const core = new module.WebCore();
export const description = JSON.parse(core.description());
export const texts = description.texts;
export const form = formTexts;
