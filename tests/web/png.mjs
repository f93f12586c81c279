// Decodes the PNG files the tests compare: 8-bit RGB or RGBA, not
// interlaced (what Chromium's screenshots and ImageMagick's captures are).
// Gives { width, height, rgba } with four bytes a pixel.
import zlib from 'node:zlib';

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Undoes the filter of one row in place; `prior` is the row above (zeros
// for the first).
function unfilter(type, row, prior, bpp) {
  for (let i = 0; i < row.length; i++) {
    const left = i >= bpp ? row[i - bpp] : 0;
    const up = prior[i];
    const upLeft = i >= bpp ? prior[i - bpp] : 0;
    if (type === 1) row[i] += left;
    else if (type === 2) row[i] += up;
    else if (type === 3) row[i] += (left + up) >> 1;
    else if (type === 4) row[i] += paeth(left, up, upLeft);
    else if (type !== 0) throw new Error('bad PNG filter ' + type);
  }
}

export function decodePng(buffer) {
  if (buffer.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG file');
  let offset = 8;
  let header = null;
  const data = [];
  while (offset < buffer.length) {
    const length = buffer.readUInt32BE(offset);
    const type = buffer.toString('latin1', offset + 4, offset + 8);
    const body = buffer.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      header = { width: body.readUInt32BE(0), height: body.readUInt32BE(4), depth: body[8],
                 colorType: body[9], interlace: body[12] };
    } else if (type === 'IDAT') {
      data.push(body);
    }
    offset += 12 + length;
  }
  if (!header || header.depth !== 8 || header.interlace !== 0 ||
      (header.colorType !== 2 && header.colorType !== 6)) {
    throw new Error('unsupported PNG layout ' + JSON.stringify(header));
  }
  const { width, height } = header;
  const bpp = header.colorType === 6 ? 4 : 3;
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * bpp;
  const rgba = new Uint8Array(width * height * 4);
  let prior = new Uint8Array(stride);
  for (let y = 0; y < height; y++) {
    const start = y * (stride + 1);
    const row = Uint8Array.from(raw.subarray(start + 1, start + 1 + stride));
    unfilter(raw[start], row, prior, bpp);
    for (let x = 0; x < width; x++) {
      for (let c = 0; c < 3; c++) rgba[(y * width + x) * 4 + c] = row[x * bpp + c];
      rgba[(y * width + x) * 4 + 3] = bpp === 4 ? row[x * bpp + 3] : 255;
    }
    prior = row;
  }
  return { width, height, rgba };
}

// How two pictures of the same size differ in a rectangle (the whole picture
// by default): pixels whose largest channel difference is above `tolerance`,
// and the largest difference of all.
export function comparePictures(a, b, tolerance = 0,
                                area = { x: 0, y: 0, width: a.width, height: a.height }) {
  if (a.width !== b.width || a.height !== b.height) {
    throw new Error(`sizes differ: ${a.width}x${a.height} and ${b.width}x${b.height}`);
  }
  let differing = 0;
  let largest = 0;
  for (let y = area.y; y < area.y + area.height; y++) {
    for (let x = area.x; x < area.x + area.width; x++) {
      const i = (y * a.width + x) * 4;
      let d = 0;
      for (let c = 0; c < 3; c++) d = Math.max(d, Math.abs(a.rgba[i + c] - b.rgba[i + c]));
      if (d > tolerance) differing++;
      largest = Math.max(largest, d);
    }
  }
  return { differing, largest, pixels: area.width * area.height };
}
