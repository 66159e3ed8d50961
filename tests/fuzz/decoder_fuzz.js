// The browser decoder under a mutation loop: the bundle the templates carry
// (zendrel-unlock.js, built from decoder/src), fed with mutated locked
// pages. For each input, with the password the seeds were locked with and
// with a wrong one:
// - every failure is the decoder's own UnlockFailure (or a null for "not
//   opened"), never another error;
// - the decoder's entries agree: what one rejects no other returns content
//   for;
// - a strong page that opens gives back a sealed page (the seeds end with a
//   digest of their bytes), and never with the wrong password;
// - the reader of a page fetched again (openFetched), fed the same bytes in
//   pieces cut where the input's own bytes say, gives back exactly what the
//   parsed block gave, or nothing where that was refused;
// - no input takes longer than a bounded time (a worker thread does the
//   decoding; the main thread stops it and keeps the input when it hangs).
//
//   node decoder_fuzz.js --seconds=N --corpus=DIR --seeds=DIR --findings=DIR
//   node decoder_fuzz.js --replay FILE...
// Prints "executions: N" and "coverage: B" (the bundle's code blocks run at
// least once, from V8's precise coverage).
'use strict';

const { Worker, isMainThread, parentPort, workerData } = require('node:worker_threads');
const crypto = require('node:crypto');
const fs = require('node:fs');
const path = require('node:path');

const PASSWORD = 'fuzz-password';
const WRONG_PASSWORD = 'not the password';
// Counts above this only spend time in PBKDF2 (the platform's, not ours).
const MAX_FUZZ_ITERATIONS = 16;
// One input's decoding, both passwords, may take this long.
const INPUT_TIMEOUT_MS = 5000;
const MAX_LENGTH = 1 << 17;

const root = path.resolve(__dirname, '..', '..');
const bundle =
  process.env.ZENDREL_DECODER_BUNDLE || path.join(root, 'build/fuzz/templates/Templates/Light/zendrel-unlock.js');

// 64-bit FNV-1a, as tests/fuzz/seal.h writes the seed pages' last line.
function sealLine(bytes) {
  let digest = 0xcbf29ce484222325n;
  for (const b of bytes) digest = BigInt.asUintN(64, (digest ^ BigInt(b)) * 0x100000001b3n);
  return `<!-- seal ${digest.toString(16).padStart(16, '0')} -->\n`;
}

function hasSeal(bytes) {
  const length = '<!-- seal 0123456789abcdef -->\n'.length;
  if (bytes.length < length) return false;
  const body = bytes.subarray(0, bytes.length - length);
  return Buffer.from(bytes.subarray(bytes.length - length)).toString('latin1') === sealLine(body);
}

// ---- the worker: decodes one input, answers { problem } or {} ----

async function consume(page) {
  if (page === null) return null;
  if (page.parts === undefined) return page;
  const parts = [];
  for await (const part of page.parts) parts.push(part);
  return { parts };
}

async function checkInput(decoder, bytes) {
  const { UnlockFailure } = decoder;
  const own = (e) => e instanceof UnlockFailure && ['wrong', 'damaged', 'incomplete'].includes(e.kind);
  const fail = (what, e) => ({ problem: what + (e ? `: ${e && e.stack ? e.stack : e}` : '') });
  const text = Buffer.from(bytes).toString('latin1');
  let block;
  try {
    block = decoder.findBlock(text);
  } catch (e) {
    return fail('findBlock threw', e);
  }
  if (!block) return { outcome: 'no block' };
  if (block.damaged) return { outcome: 'damaged header' };
  const outcomes = [block.format, block.version];
  const pause = async () => {};

  if (block.format === 'xor') {
    for (const password of [PASSWORD, WRONG_PASSWORD]) {
      let sync, streamed;
      try {
        sync = decoder.unlock(text, block, password);
      } catch (e) {
        return fail('unlock threw', e);
      }
      try {
        streamed = await consume(await decoder.unlockXor(text, block, password, pause));
      } catch (e) {
        if (!own(e)) return fail('unlockXor threw a foreign error', e);
        streamed = null;
      }
      if ((sync === null) !== (streamed === null))
        return fail(`unlock and unlockXor disagree (${sync === null ? 'rejected' : 'opened'} by unlock)`);
      outcomes.push(sync === null ? 'rejected' : sync.text === undefined ? 'html' : 'text');
    }
    return { outcome: outcomes.join(' ') };
  }

  if (block.iterations > MAX_FUZZ_ITERATIONS) return { skipped: true };
  const backend = decoder.defaultBackend();
  for (const password of [PASSWORD, WRONG_PASSWORD]) {
    let key, whole, shown;
    try {
      key = await decoder.deriveStrongKey(block, password, backend);
    } catch (e) {
      // A keyring page's key comes from its slots: a password that opens
      // none, or a slot that opens half, is the decoder's own refusal.
      if (!(block.version === 3 && own(e))) return fail('deriveStrongKey threw', e);
      if (password === PASSWORD) outcomes.push('slots ' + e.kind);
      continue;
    }
    try {
      whole = await decoder.openStrongBlock(text, block, await backend.opener(key, block), pause);
    } catch (e) {
      if (!own(e)) return fail('openStrongBlock threw a foreign error', e);
      whole = null;
      outcomes.push(e.kind);
    }
    try {
      shown = await consume(await decoder.unlockStrong(text, block, key, backend, pause));
    } catch (e) {
      if (!own(e)) return fail('unlockStrong threw a foreign error', e);
      shown = null;
    }
    if ((whole === null) !== (shown === null))
      return fail(`openStrongBlock and unlockStrong disagree (${whole === null ? 'rejected' : 'opened'} whole)`);
    const fetched = await fetchedAgrees(decoder, bytes, block, await backend.opener(key, block), whole);
    if (fetched) return fail(fetched);
    if (whole !== null && password === WRONG_PASSWORD) return fail('a strong page opened with the wrong password');
    if (whole !== null && !hasSeal(whole)) return fail('a strong page opened into bytes that were never locked');
    if (whole !== null) outcomes.push(block.kind);
  }
  return { outcome: outcomes.join(' ') };
}

// The input's bytes in pieces of 1 to 256 bytes, each piece's length taken
// from the byte where it starts: the cuts differ from input to input and
// fall between CR and LF, inside literals and inside the marker.
function* pieces(bytes) {
  for (let at = 0; at < bytes.length; ) {
    const length = 1 + (bytes[at] * 31 + at) % 256;
    yield bytes.subarray(at, at + length);
    at += length;
  }
}

// What is wrong when the fetched reader disagrees with the parsed block's
// `whole` (its bytes, or null when refused), or null when they agree.
async function fetchedAgrees(decoder, bytes, block, open, whole) {
  const own = (e) => e instanceof decoder.UnlockFailure;
  let got = null;
  try {
    const batches = await decoder.openFetched(pieces(bytes), block, open);
    if (batches !== null) {
      const parts = [];
      for await (const batch of batches) parts.push(Buffer.from(batch));
      got = Buffer.concat(parts);
    }
  } catch (e) {
    if (!own(e)) return `openFetched threw a foreign error: ${e && e.stack ? e.stack : e}`;
  }
  if (got === null) return null;
  if (whole === null) return 'openFetched opened what the parsed block refused';
  return Buffer.compare(got, Buffer.from(whole)) === 0 ? null : 'openFetched gave other bytes than the parsed block';
}

function startWorker() {
  let decoder;
  const inspector = require('node:inspector');
  const session = new inspector.Session();
  session.connect();
  const post = (method, params = {}) =>
    new Promise((resolve, reject) => session.post(method, params, (e, r) => (e ? reject(e) : resolve(r))));
  // Coverage starts before the bundle is loaded, so that all of it counts.
  const ready = post('Profiler.enable')
    .then(() => post('Profiler.startPreciseCoverage', { detailed: true }))
    .then(() => (decoder = require(workerData.bundle)));
  parentPort.on('message', async (message) => {
    await ready;
    if (message.coverage) {
      const { result } = await post('Profiler.takePreciseCoverage');
      const blocks = new Set();
      for (const script of result)
        if (script.url.endsWith('zendrel-unlock.js'))
          for (const fn of script.functions)
            for (const range of fn.ranges) if (range.count > 0) blocks.add(`${range.startOffset}:${range.endOffset}`);
      parentPort.postMessage({ coverage: blocks.size });
      return;
    }
    let answer;
    try {
      answer = await checkInput(decoder, message.bytes);
    } catch (e) {
      answer = { problem: `the harness failed: ${e.stack}` };
    }
    parentPort.postMessage(answer);
  });
}

// ---- the main thread: mutates, times and keeps findings ----

function randomInt(n) {
  return n <= 0 ? 0 : Math.floor(Math.random() * n);
}

// Characters the block is made of, so that mutations stay near its shape.
const TOKENS = ["'", ',', ');', '\n', '\r\n', '//Page Begin', '//Page End', 'ZENDREL-AES-GCM-1', 'ZENDREL-AES-GCM-2',
  '2', '0', '16', '600000', '10000001', 'html', 'text', '=', 'A', '+', '/', '00', 'FF', '\\', '"', '\u00ff'];

// Seeds sorted by size: the small start pages' blocks are picked three
// times in four, as they decode many times faster than the templates' pages.
function mutate(seeds) {
  const pick = Math.random() < 0.75 ? randomInt(Math.ceil(seeds.length / 3)) : randomInt(seeds.length);
  let bytes = Buffer.from(seeds[pick]);
  const rounds = 1 + randomInt(4);
  for (let r = 0; r < rounds; r++) {
    const at = randomInt(bytes.length + 1);
    switch (randomInt(8)) {
      case 0: // flip a byte
        if (bytes.length) bytes[randomInt(bytes.length)] ^= 1 << randomInt(8);
        break;
      case 1: // random byte
        if (bytes.length) bytes[randomInt(bytes.length)] = randomInt(256);
        break;
      case 2: // delete a run
        bytes = Buffer.concat([bytes.subarray(0, at), bytes.subarray(at + 1 + randomInt(64))]);
        break;
      case 3: // insert a token
        bytes = Buffer.concat([bytes.subarray(0, at), Buffer.from(TOKENS[randomInt(TOKENS.length)], 'latin1'), bytes.subarray(at)]);
        break;
      case 4: { // duplicate a run
        const from = randomInt(bytes.length), length = randomInt(256);
        bytes = Buffer.concat([bytes.subarray(0, at), bytes.subarray(from, from + length), bytes.subarray(at)]);
        break;
      }
      case 5: // cut the end
        bytes = bytes.subarray(0, at);
        break;
      case 6: { // splice another seed's tail
        const other = seeds[randomInt(seeds.length)];
        bytes = Buffer.concat([bytes.subarray(0, at), other.subarray(randomInt(other.length))]);
        break;
      }
      default: { // swap two lines
        const text = bytes.toString('latin1').split('\n');
        const i = randomInt(text.length), j = randomInt(text.length);
        [text[i], text[j]] = [text[j], text[i]];
        bytes = Buffer.from(text.join('\n'), 'latin1');
      }
    }
  }
  return bytes.length > MAX_LENGTH ? bytes.subarray(0, MAX_LENGTH) : bytes;
}

function readFolder(folder) {
  if (!folder || !fs.existsSync(folder)) return [];
  return fs.readdirSync(folder).map((name) => fs.readFileSync(path.join(folder, name)));
}

// The worker that decodes, restarted when an input hangs or kills it.
class Runner {
  constructor() {
    this.start();
  }
  start() {
    this.worker = new Worker(__filename, { workerData: { bundle } });
    this.worker.on('message', (answer) => this.settle(answer));
    this.worker.on('error', (e) => {
      this.start();
      this.settle({ problem: `the worker died: ${e.stack}` });
    });
  }
  settle(answer) {
    clearTimeout(this.timer);
    const resolve = this.resolve;
    this.resolve = null;
    if (resolve) resolve(answer);
  }
  ask(message) {
    return new Promise((resolve) => {
      this.resolve = resolve;
      this.timer = setTimeout(() => {
        this.worker.removeAllListeners();
        this.worker.terminate();
        this.start();
        this.settle({ problem: `no answer within ${INPUT_TIMEOUT_MS} ms` });
      }, INPUT_TIMEOUT_MS);
      this.worker.postMessage(message);
    });
  }
}

function keepFinding(folder, bytes, problem) {
  fs.mkdirSync(folder, { recursive: true });
  const file = path.join(folder, 'decoder-' + crypto.createHash('sha1').update(bytes).digest('hex'));
  fs.writeFileSync(file, bytes);
  console.log(`failed: ${problem.split('\n')[0]}\nfinding written to ${file}`);
  console.error(problem);
}

async function main() {
  if (!fs.existsSync(bundle)) {
    console.error(`decoder_fuzz: the decoder bundle ${bundle} is missing: build the fuzz preset`);
    process.exit(1);
  }
  const args = process.argv.slice(2);
  const option = (name) => (args.find((a) => a.startsWith(`--${name}=`)) || '').split('=').slice(1).join('=');
  const runner = new Runner();
  let findings = 0;

  if (args[0] === '--replay') {
    for (const file of args.slice(1)) {
      const answer = await runner.ask({ bytes: fs.readFileSync(file) });
      if (answer.problem) {
        console.log(`failed: ${file}: ${answer.problem}`);
        findings++;
      }
    }
    console.log(`replayed ${args.length - 1} inputs, ${findings} failed`);
    process.exit(findings ? 1 : 0);
  }

  const seconds = Number(option('seconds') || 20);
  const corpus = option('corpus'), findingsDir = option('findings') || '.';
  const seeds = [...readFolder(option('seeds')), ...readFolder(corpus)].sort((a, b) => a.length - b.length);
  if (seeds.length === 0) {
    console.error('decoder_fuzz: no seed pages');
    process.exit(1);
  }
  const end = Date.now() + seconds * 1000;
  // The corpus keeps one input of each outcome (format, what each password
  // came to, why it failed), so that later campaigns start from them.
  const outcomes = new Set();
  let executions = 0, skipped = 0;
  while (Date.now() < end) {
    const bytes = executions < seeds.length ? seeds[executions] : mutate(seeds);
    const answer = await runner.ask({ bytes });
    executions++;
    if (answer.skipped) skipped++;
    if (answer.outcome && !outcomes.has(answer.outcome)) {
      outcomes.add(answer.outcome);
      if (corpus && executions > seeds.length) {
        fs.mkdirSync(corpus, { recursive: true });
        fs.writeFileSync(path.join(corpus, crypto.createHash('sha1').update(bytes).digest('hex')), bytes);
      }
    }
    if (answer.problem) {
      keepFinding(findingsDir, bytes, answer.problem);
      findings++;
      if (findings >= 5) break;
    }
    if (executions % 100000 === 0) console.log(`#${executions} ${Math.round((executions * 1000) / (Date.now() - end + seconds * 1000))} exec/s`);
  }
  const { coverage } = await runner.ask({ coverage: true });
  console.log(`executions: ${executions}\nskipped (costly derivation): ${skipped}\noutcomes: ${outcomes.size}\ncoverage: ${coverage}\nfindings: ${findings}`);
  process.exit(findings ? 1 : 0);
}

if (isMainThread) {
  main();
} else {
  startWorker();
}
