// A static file server for the web build on 127.0.0.1, sending the two
// headers that make the page cross-origin isolated (without them a browser
// gives the page no SharedArrayBuffer, and the game's threads cannot run).
// Used by serve-web.sh, the browser test and the web benchmark.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';

const types = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript',
    '.mjs': 'text/javascript',
    '.css': 'text/css',
    '.wasm': 'application/wasm',
    '.data': 'application/octet-stream',
    '.sf2': 'application/octet-stream',
};

// Serves `roots` (a folder, or several looked in in turn) on
// 127.0.0.1:`port` (0: any free port); resolves to the server, whose
// address().port says where. With `isolate` false the two headers are left
// out, as a plain static host does; `served(path, bytes)` hears of every
// file handed out.
export function serveSite(roots, port = 0, { isolate = true, served = () => {} } = {}) {
    const folders = [].concat(roots).map((root) => normalize(root));
    const server = createServer(async (request, response) => {
        const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
        const wanted = path.endsWith('/') ? `${path}index.html` : path;
        for (const root of folders) {
            const file = normalize(join(root, wanted));
            if (!file.startsWith(root)) break;
            let body;
            try {
                body = await readFile(file);
            } catch {
                continue;
            }
            const headers = { 'Content-Type': types[extname(file)] || 'application/octet-stream' };
            if (isolate) {
                headers['Cross-Origin-Opener-Policy'] = 'same-origin';
                headers['Cross-Origin-Embedder-Policy'] = 'require-corp';
            }
            response.writeHead(200, headers).end(body);
            served(wanted, body.length);
            return;
        }
        response.writeHead(404).end('not found');
    });
    return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

if (import.meta.url === `file://${process.argv[1]}`) {
    const [root = 'build-web/site', port = '8640'] = process.argv.slice(2);
    const server = await serveSite(root, Number(port));
    console.log(`serving ${root} on http://127.0.0.1:${server.address().port}/`);
}
