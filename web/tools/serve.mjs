// A plain static file server for build/web/ on localhost (`make run-web`, and the page's tests,
// which stop it to see the page work offline).
//   node web/tools/serve.mjs FOLDER [PORT]
import { readFileSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize, resolve } from 'node:path';
import { argv } from 'node:process';
import { fileURLToPath } from 'node:url';

const TYPES = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.json': 'application/json', '.wasm': 'application/wasm', '.png': 'image/png',
  '.svg': 'image/svg+xml', '.rtf': 'application/rtf', '.webmanifest': 'application/manifest+json' };

export async function serve(root, port = 0) {
  root = resolve(root);
  const server = createServer((req, res) => {
    try {
      let path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
      if (path.endsWith('/')) path += 'index.html';
      const file = join(root, path);
      if (!file.startsWith(root) || !statSync(file).isFile()) throw new Error('none');
      res.writeHead(200, { 'Content-Type': TYPES[extname(file)] || 'application/octet-stream' });
      res.end(readFileSync(file));
    } catch {
      res.writeHead(404);
      res.end();
    }
  });
  await new Promise((done) => server.listen(port, '127.0.0.1', done));
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((done) => { server.closeAllConnections(); server.close(done); }),
  };
}

if (argv[1] === fileURLToPath(import.meta.url)) {
  const { url } = await serve(argv[2], Number(argv[3] || 8321));
  console.log(`Программатор в браузере: ${url}  (Ctrl+C останавливает)`);
}
