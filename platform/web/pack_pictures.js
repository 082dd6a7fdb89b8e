// The page's data: a copy of the game's data folder in which every uncompressed 24-bit BMP that a PNG
// holds in fewer bytes than the BMP takes gzipped (as a server sends it) becomes that PNG, under the
// same name. The engine recognises a picture by its content, and a PNG of the same pixels decodes to
// the same picture: each PNG written is decoded again here and compared with the BMP, pixel by pixel.
// Pictures of up to 256 colours are written with a palette, others as RGB. The page downloads about a
// megabyte less, and the native game keeps its BMPs. A third folder, when given, holds files that take
// the place of the data's of the same name: the music made at a lower quality for the page
// (scripts/build-web.sh).
// Usage: node pack_pictures.js DATA_FOLDER OUT_FOLDER [REPLACEMENTS]   (OUT_FOLDER is made anew)
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

// The pixels of an uncompressed 24-bit BMP, top row first, as 0xRRGGBB; null for anything else.
function readBmp(b) {
  if (b.length < 54 || b.toString('latin1', 0, 2) !== 'BM') return null;
  const offset = b.readUInt32LE(10), header = b.readUInt32LE(14);
  if (header < 40) return null;
  const w = b.readInt32LE(18), rawH = b.readInt32LE(22), planes = b.readUInt16LE(26);
  const bpp = b.readUInt16LE(28), compression = b.readUInt32LE(30);
  if (planes !== 1 || bpp !== 24 || compression !== 0 || w <= 0 || rawH === 0 || w > 16384) return null;
  const h = Math.abs(rawH), stride = Math.ceil((w * 3) / 4) * 4;
  if (h > 16384 || offset + stride * h > b.length) return null;
  const px = new Uint32Array(w * h);
  for (let y = 0; y < h; ++y) {
    const row = offset + (rawH > 0 ? h - 1 - y : y) * stride;
    for (let x = 0; x < w; ++x) {
      const i = row + x * 3;
      px[y * w + x] = (b[i + 2] << 16) | (b[i + 1] << 8) | b[i];
    }
  }
  return { w, h, px };
}

const crcTable = new Int32Array(256).map((_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c;
});
function crc32(bytes) {
  let c = -1;
  for (const v of bytes) c = crcTable[(c ^ v) & 0xff] ^ (c >>> 8);
  return (c ^ -1) >>> 0;
}
function chunk(type, data) {
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length, 0);
  head.write(type, 4, 'latin1');
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])), 0);
  return Buffer.concat([head, data, crc]);
}

function paeth(a, b, c) {
  const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}
// Filters row `cur` (previous row `prev`, `bpp` bytes a pixel) with filter type `t` into `out`.
function filterRow(t, cur, prev, bpp, out) {
  out[0] = t;
  for (let i = 0; i < cur.length; ++i) {
    const a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
    const pred = t === 0 ? 0 : t === 1 ? a : t === 2 ? b : t === 3 ? (a + b) >> 1 : paeth(a, b, c);
    out[i + 1] = (cur[i] - pred) & 0xff;
  }
}
// The image data filtered row by row: one filter for all rows, or (-1) each row's own, the one whose
// bytes add up smallest as signed numbers (the usual guess at what deflates best).
function filtered(raw, rowBytes, h, bpp, only) {
  const out = Buffer.alloc((rowBytes + 1) * h), zero = new Uint8Array(rowBytes), trial = new Uint8Array(rowBytes + 1);
  for (let y = 0; y < h; ++y) {
    const cur = raw.subarray(y * rowBytes, (y + 1) * rowBytes), prev = y ? raw.subarray((y - 1) * rowBytes, y * rowBytes) : zero;
    const dest = out.subarray(y * (rowBytes + 1), (y + 1) * (rowBytes + 1));
    if (only >= 0) { filterRow(only, cur, prev, bpp, dest); continue; }
    let best = Infinity;
    for (let t = 0; t < 5; ++t) {
      filterRow(t, cur, prev, bpp, trial);
      let sum = 0;
      for (let i = 1; i < trial.length; ++i) sum += trial[i] < 128 ? trial[i] : 256 - trial[i];
      if (sum < best) { best = sum; dest.set(trial); }
    }
  }
  return out;
}

function encodePng({ w, h, px }) {
  const colours = new Map();
  for (const p of px) if (!colours.has(p) && colours.size <= 256) colours.set(p, colours.size);
  const palette = colours.size <= 256;
  const bpp = palette ? 1 : 3, rowBytes = w * bpp, raw = new Uint8Array(rowBytes * h);
  for (let i = 0; i < px.length; ++i) {
    if (palette) raw[i] = colours.get(px[i]);
    else raw[i * 3] = px[i] >> 16, raw[i * 3 + 1] = (px[i] >> 8) & 0xff, raw[i * 3 + 2] = px[i] & 0xff;
  }
  let idat = null;
  for (const only of palette ? [0, -1] : [-1, 1, 0]) {
    const data = filtered(raw, rowBytes, h, bpp, only);
    for (const strategy of [zlib.constants.Z_DEFAULT_STRATEGY, zlib.constants.Z_FILTERED]) {
      const z = zlib.deflateSync(data, { level: 9, memLevel: 9, strategy });
      if (!idat || z.length < idat.length) idat = z;
    }
  }
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(w, 0);
  ihdr.writeUInt32BE(h, 4);
  ihdr[8] = 8;                  // bits a sample
  ihdr[9] = palette ? 3 : 2;    // palette, or RGB
  const parts = [Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), chunk('IHDR', ihdr)];
  if (palette) {
    const plte = Buffer.alloc(colours.size * 3);
    for (const [p, i] of colours) plte[i * 3] = p >> 16, plte[i * 3 + 1] = (p >> 8) & 0xff, plte[i * 3 + 2] = p & 0xff;
    parts.push(chunk('PLTE', plte));
  }
  parts.push(chunk('IDAT', idat), chunk('IEND', Buffer.alloc(0)));
  return Buffer.concat(parts);
}

// The PNG written above read back (8-bit palette or RGB, not interlaced, one IDAT), as 0xRRGGBB.
function decodePng(b) {
  const w = b.readUInt32BE(16), h = b.readUInt32BE(20), type = b[25], bpp = type === 3 ? 1 : 3;
  let at = 8, plte = null, idat = null;
  while (at < b.length) {
    const len = b.readUInt32BE(at), name = b.toString('latin1', at + 4, at + 8), data = b.subarray(at + 8, at + 8 + len);
    if (name === 'PLTE') plte = data;
    if (name === 'IDAT') idat = data;
    at += 12 + len;
  }
  const f = zlib.inflateSync(idat), rowBytes = w * bpp, raw = new Uint8Array(rowBytes * h), px = new Uint32Array(w * h);
  for (let y = 0; y < h; ++y) {
    const t = f[y * (rowBytes + 1)], src = f.subarray(y * (rowBytes + 1) + 1, (y + 1) * (rowBytes + 1));
    for (let i = 0; i < rowBytes; ++i) {
      const a = i >= bpp ? raw[y * rowBytes + i - bpp] : 0, up = y ? raw[(y - 1) * rowBytes + i] : 0;
      const c = y && i >= bpp ? raw[(y - 1) * rowBytes + i - bpp] : 0;
      const pred = t === 0 ? 0 : t === 1 ? a : t === 2 ? up : t === 3 ? (a + up) >> 1 : paeth(a, up, c);
      raw[y * rowBytes + i] = (src[i] + pred) & 0xff;
    }
  }
  for (let i = 0; i < w * h; ++i) {
    const s = type === 3 ? raw[i] * 3 : i * 3, from = type === 3 ? plte : raw;
    px[i] = (from[s] << 16) | (from[s + 1] << 8) | from[s + 2];
  }
  return { w, h, px };
}

function main() {
  const [from, to, replacements] = process.argv.slice(2);
  if (!from || !to) {
    console.error('usage: node pack_pictures.js DATA_FOLDER OUT_FOLDER [REPLACEMENTS]');
    process.exit(2);
  }
  fs.rmSync(to, { recursive: true, force: true });
  let before = 0, after = 0, count = 0, replaced = 0;
  (function copy(src, dst) {
    fs.mkdirSync(dst, { recursive: true });
    for (const e of fs.readdirSync(src, { withFileTypes: true })) {
      const s = path.join(src, e.name), d = path.join(dst, e.name);
      if (e.isDirectory()) { copy(s, d); continue; }
      if (!e.isFile()) { console.error(`pack_pictures: ${s} is neither a file nor a folder: left out`); continue; }
      const instead = replacements && path.join(replacements, path.relative(from, s));
      if (instead && fs.existsSync(instead)) { fs.copyFileSync(instead, d); ++replaced; continue; }
      const bytes = fs.readFileSync(s), bmp = readBmp(bytes);
      const png = bmp && encodePng(bmp), gz = bmp && zlib.gzipSync(bytes, { level: 9 }).length;
      if (!png || png.length >= gz) { fs.writeFileSync(d, bytes); continue; }
      const back = decodePng(png);
      if (back.w !== bmp.w || back.h !== bmp.h || Buffer.compare(Buffer.from(back.px.buffer), Buffer.from(bmp.px.buffer)))
        throw new Error(s + ': the PNG does not hold the same pixels');
      fs.writeFileSync(d, png);
      before += gz, after += png.length, ++count;
    }
  })(from, to);
  console.log(`pack_pictures: ${count} pictures as PNG, ${before} bytes gzipped as BMP, ${after} as PNG; ` +
              `${replaced} files replaced`);
}

main();
