// Prints the window's texts from its Designer form as JSON: for every named widget, its text,
// title, tool tip and tab title, exactly as the form holds them (blanks included). The page
// takes its captions from here, so the two never differ.
import { readFileSync } from 'node:fs';

const xml = process.argv.slice(2).map((f) => readFileSync(f, "utf8")).join("\n");
const unescape = (s) => s.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"')
  .replace(/&apos;/g, "'").replace(/&amp;/g, '&');

const texts = {};
const stack = [];
const token = /<widget\b[^>]*\bname="([^"]+)"[^>]*>|<\/widget>|<(property|attribute) name="(text|title|toolTip|windowTitle|plainText)"[^>]*>\s*<string[^>]*>([\s\S]*?)<\/string>/g;
for (const m of xml.matchAll(token)) {
  if (m[1]) {
    stack.push(m[1]);
  } else if (m[0] === '</widget>') {
    stack.pop();
  } else if (stack.length) {
    const name = stack[stack.length - 1];
    const key = m[2] === 'attribute' ? 'tab' : m[3];
    (texts[name] ??= {})[key] = unescape(m[4]);
  }
}
process.stdout.write(JSON.stringify(texts, null, 1) + '\n');
