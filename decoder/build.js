// Bundles the decoder with its fallback cryptography into one script that a
// template loads with <script src>: node build.js <output file>.
'use strict';

const path = require('node:path');
const esbuild = require('esbuild');

const output = process.argv[2];
if (!output) {
  console.error('usage: node build.js <output file>');
  process.exit(2);
}

esbuild.buildSync({
  entryPoints: [path.join(__dirname, 'src', 'index.js')],
  outfile: output,
  bundle: true,
  format: 'iife',
  globalName: 'zendrelUnlock',
  target: 'es2019',
  minify: true,
  legalComments: 'inline',
  banner: { js: '/* Zendrel page unlocking: turns the locked block back into the page. */' },
  footer: { js: "if (typeof module === 'object' && module.exports) module.exports = zendrelUnlock;" },
  logLevel: 'warning',
});
