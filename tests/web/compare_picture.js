// Compares the page's canvas (page_driver.js --pixels: "WxH" line, then RGBA rows) with a BMP the
// native program's window showed, pixel by pixel, on red, green and blue.
// Usage: node compare_picture.js CANVAS_FILE BMP_FILE   (exit 0 when every pixel is equal)
'use strict';
const fs = require('fs');

function readCanvas(file) {
  const b = fs.readFileSync(file);
  const nl = b.indexOf(10);
  const [w, h] = b.subarray(0, nl).toString().split('x').map(Number);
  const rgba = b.subarray(nl + 1);
  if (rgba.length !== w * h * 4) throw new Error(file + ': ' + rgba.length + ' bytes for ' + w + 'x' + h);
  return { w, h, at: (x, y) => { const i = (y * w + x) * 4; return [rgba[i], rgba[i + 1], rgba[i + 2]]; } };
}

function readBmp(file) {
  const b = fs.readFileSync(file);
  if (b.toString('latin1', 0, 2) !== 'BM') throw new Error(file + ': not a BMP');
  const offset = b.readUInt32LE(10), w = b.readInt32LE(18), rawH = b.readInt32LE(22), bpp = b.readUInt16LE(28);
  const compression = b.readUInt32LE(30);
  if ((bpp !== 24 && bpp !== 32) || (compression !== 0 && compression !== 3))
    throw new Error(file + ': ' + bpp + ' bits, compression ' + compression + ' not read here');
  const h = Math.abs(rawH), stride = Math.ceil((w * bpp) / 32) * 4, bytes = bpp / 8;
  return { w, h, at: (x, y) => {
    const row = rawH > 0 ? h - 1 - y : y, i = offset + row * stride + x * bytes;
    return [b[i + 2], b[i + 1], b[i]];
  } };
}

const canvas = readCanvas(process.argv[2]), bmp = readBmp(process.argv[3]);
if (canvas.w !== bmp.w || canvas.h !== bmp.h) {
  console.log('picture: the canvas is ' + canvas.w + 'x' + canvas.h + ', the native window ' + bmp.w + 'x' + bmp.h);
  process.exit(1);
}
let differ = 0, first = null;
for (let y = 0; y < canvas.h; ++y)
  for (let x = 0; x < canvas.w; ++x) {
    const a = canvas.at(x, y), n = bmp.at(x, y);
    if (a[0] !== n[0] || a[1] !== n[1] || a[2] !== n[2]) {
      if (!first) first = `(${x}, ${y}): page ${a} native ${n}`;
      ++differ;
    }
  }
console.log(differ ? `picture: ${differ} of ${canvas.w * canvas.h} pixels differ, first at ${first}`
                   : `picture: all ${canvas.w * canvas.h} pixels equal`);
process.exit(differ ? 1 : 0);
