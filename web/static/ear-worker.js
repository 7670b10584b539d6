// The check by ear off the page's thread: the core's streaming decoder hears the recording as
// it arrives and, at the end, gives the window's verdict.
import TornelCore from './tornel4-web.js';

const module = TornelCore();
let check = null;
let told = false;

async function handle(message) {
  const core = await module;
  if (message.start) {
    check = new core.EarCheck(message.start.rate, message.start.packet);
  } else if (message.samples && check) {
    check.feed(message.samples);
    if (!told && check.heard()) {
      told = true;
      postMessage({ heard: true });
    }
  } else if (message.finish && check) {
    postMessage({ verdict: JSON.parse(check.finish()) });
    check.delete();
    check = null;
  }
}

// Messages are handled one after another, in the order they came.
let chain = Promise.resolve();
onmessage = (e) => { chain = chain.then(() => handle(e.data)); };
