#!/usr/bin/env node
// Can a face-recognition model still tell who a covered face is? For each face box of each
// original picture, compares the original face with the covered picture at the same place.
//
//   node measure.mjs [--labels FILE] [--threshold T] ORIGINAL COVERED BOXES [ORIGINAL COVERED BOXES ...]
//
// BOXES: one face a line, "x y width height" (upright picture pixels). LABELS: lines
// "PICTURE x y width height PERSON" (PICTURE is the original's file name); a face takes the
// person of the labelled box that overlaps it most.
//
// Per face: the model (face-api's 128-number descriptor, dlib-style) finds the face and its 68
// landmarks in the original; the covered picture's descriptor is then taken exactly where the
// original face was aligned (an attacker knows where the covered patch is). Distance under the
// threshold: re-identified. With labels also: the nearest original of another photo, does it
// show the same person (identification; chance is about 1 in the number of people), and the
// calibration (distances between originals of the same person and of different people).
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const jpeg = require('jpeg-js');
const { PNG } = require('pngjs');

const args = process.argv.slice(2);
let labelsFile = null;
let threshold = 0.6;
const triples = [];
for (let i = 0; i < args.length; i++) {
  if (args[i] === '--labels') labelsFile = args[++i];
  else if (args[i] === '--threshold') threshold = Number(args[++i]);
  else triples.push(args[i]);
}
if (triples.length === 0 || triples.length % 3 !== 0) {
  process.stderr.write('usage: node measure.mjs [--labels FILE] [--threshold T] ORIGINAL COVERED BOXES [...]\n');
  process.exit(2);
}

// Pictures: PNG, or JPEG as stored (the benchmark hands in pictures without orientation tags).
function decode(file) {
  const bytes = fs.readFileSync(file);
  let width; let height; let rgba;
  if (bytes[0] === 0x89 && bytes[1] === 0x50) ({ width, height, data: rgba } = PNG.sync.read(bytes));
  else ({ width, height, data: rgba } = jpeg.decode(bytes, { useTArray: true, maxMemoryUsageInMB: 1024 }));
  const rgb = new Int32Array(width * height * 3);
  for (let p = 0; p < width * height; p++) for (let c = 0; c < 3; c++) rgb[p * 3 + c] = rgba[p * 4 + c];
  return { width, height, rgb };
}

function readBoxes(file) {
  return fs.readFileSync(file, 'utf8').split('\n').map((l) => l.trim().split(/\s+/).map(Number))
    .filter((n) => n.length >= 4 && n.every(Number.isFinite)).map(([x, y, w, h]) => ({ x, y, w, h }));
}

function overlap(a, b) {
  const w = Math.min(a.x + a.w, b.x + b.w) - Math.max(a.x, b.x);
  const h = Math.min(a.y + a.h, b.y + b.h) - Math.max(a.y, b.y);
  if (w <= 0 || h <= 0) return 0;
  return (w * h) / (a.w * a.h + b.w * b.h - w * h);
}

const faceapi = require('@vladmandic/face-api/dist/face-api.node-wasm.js');
const tf = faceapi.tf;
tf.setWasmPaths(path.join(path.dirname(require.resolve('@tensorflow/tfjs-backend-wasm/package.json')), 'dist') + path.sep);
tf.env().set('WASM_HAS_MULTITHREAD_SUPPORT', false); // one thread: the machine is shared
await tf.setBackend('wasm');
await tf.ready();
const modelDir = path.join(path.dirname(require.resolve('@vladmandic/face-api/package.json')), 'model');
await faceapi.nets.ssdMobilenetv1.loadFromDisk(modelDir);
await faceapi.nets.faceLandmark68Net.loadFromDisk(modelDir);
await faceapi.nets.faceRecognitionNet.loadFromDisk(modelDir);

// The region around a box the model looks at: 1.6 times the box, at least 224 pixels, so that
// small faces have some context.
function region(box, picture) {
  const cx = box.x + box.w / 2; const cy = box.y + box.h / 2;
  const w = Math.max(1.6 * box.w, 224); const h = Math.max(1.6 * box.h, 224);
  const x0 = Math.max(0, Math.floor(cx - w / 2)); const y0 = Math.max(0, Math.floor(cy - h / 2));
  const x1 = Math.min(picture.width, Math.ceil(cx + w / 2)); const y1 = Math.min(picture.height, Math.ceil(cy + h / 2));
  return { x: x0, y: y0, w: x1 - x0, h: y1 - y0 };
}

function tensorOf(picture, r) {
  const out = new Int32Array(r.w * r.h * 3);
  for (let y = 0; y < r.h; y++) out.set(picture.rgb.subarray(((r.y + y) * picture.width + r.x) * 3, ((r.y + y) * picture.width + r.x + r.w) * 3), y * r.w * 3);
  return tf.tensor3d(out, [r.h, r.w, 3], 'int32');
}

async function descriptorAt(t, alignedRect) {
  const faces = await faceapi.extractFaceTensors(t, [alignedRect]);
  const d = await faceapi.nets.faceRecognitionNet.computeFaceDescriptor(faces[0]);
  faces.forEach((f) => f.dispose());
  return d;
}

const labels = labelsFile ? fs.readFileSync(labelsFile, 'utf8').split('\n').filter((l) => l.trim() && !l.startsWith('#'))
  .map((l) => { const p = l.trim().split(/\s+/); return { picture: p[0], box: { x: +p[1], y: +p[2], w: +p[3], h: +p[4] }, person: p[5] }; }) : [];
function personOf(picture, box) {
  let best = null; let bestOverlap = 0.3;
  for (const l of labels) if (l.picture === picture && overlap(l.box, box) > bestOverlap) { best = l.person; bestOverlap = overlap(l.box, box); }
  return best;
}

const median = (xs) => { const s = [...xs].sort((a, b) => a - b); const m = s.length >> 1; return s.length ? (s.length % 2 ? s[m] : (s[m - 1] + s[m]) / 2) : NaN; };
const dist = (a, b) => faceapi.euclideanDistance(a, b);
const faces = [];
let skipped = 0;
for (let i = 0; i < triples.length; i += 3) {
  const [originalFile, coveredFile, boxesFile] = triples.slice(i, i + 3);
  const name = path.basename(originalFile);
  const original = decode(originalFile);
  const covered = decode(coveredFile);
  if (covered.width !== original.width || covered.height !== original.height) throw new Error(`${coveredFile}: not the size of ${originalFile}`);
  for (const box of readBoxes(boxesFile)) {
    const r = region(box, original);
    const t = tensorOf(original, r);
    const found = await faceapi.detectAllFaces(t, new faceapi.SsdMobilenetv1Options({ minConfidence: 0.5 })).withFaceLandmarks().withFaceDescriptors();
    t.dispose();
    // The face that belongs to the box: the largest one whose centre lies inside it.
    let face = null;
    for (const f of found) {
      const b = f.detection.box; const cx = r.x + b.x + b.width / 2; const cy = r.y + b.y + b.height / 2;
      if (cx >= box.x && cx <= box.x + box.w && cy >= box.y && cy <= box.y + box.h && (!face || b.area > face.detection.box.area)) face = f;
    }
    if (!face) { skipped++; continue; }
    const c = tensorOf(covered, r);
    const coveredDescriptor = await descriptorAt(c, face.landmarks.align(null, { useDlibAlignment: true }));
    c.dispose();
    const distance = dist(face.descriptor, coveredDescriptor);
    faces.push({ picture: name, box, person: personOf(name, box), original: face.descriptor, covered: coveredDescriptor, distance });
    console.log(`${name} ${box.x} ${box.y} ${box.w} ${box.h}${faces.at(-1).person ? ` (${faces.at(-1).person})` : ''}: distance ${distance.toFixed(3)}${distance < threshold ? '  RE-IDENTIFIED' : ''}`);
  }
}

const distances = faces.map((f) => f.distance);
console.log(`\nfaces measured ${faces.length} (no face found by the model in the original: ${skipped})`);
console.log(`re-identified at the original's landmarks (distance < ${threshold}): ${distances.filter((d) => d < threshold).length} of ${faces.length}`);
console.log(`distance: median ${median(distances).toFixed(3)}, lowest ${Math.min(...distances).toFixed(3)}`);

const labelled = faces.filter((f) => f.person);
if (labelled.length) {
  // Calibration: the originals' distances, same person against different people.
  const same = []; const different = [];
  for (let a = 0; a < labelled.length; a++) for (let b = a + 1; b < labelled.length; b++)
    (labelled[a].person === labelled[b].person ? same : different).push(dist(labelled[a].original, labelled[b].original));
  const under = (xs) => xs.filter((d) => d < threshold).length;
  console.log(`calibration: same person median ${median(same).toFixed(3)} (${under(same)} of ${same.length} pairs under ${threshold}), different people median ${median(different).toFixed(3)} (${under(different)} of ${different.length} under ${threshold})`);
  // Identification: the covered face's nearest original among the other photos.
  let right = 0; let rightOriginal = 0;
  for (const f of labelled) {
    const others = labelled.filter((g) => g !== f);
    const nearest = (d) => others.reduce((n, g) => (dist(d, g.original) < dist(d, n.original) ? g : n));
    if (nearest(f.covered).person === f.person) right++;
    if (nearest(f.original).person === f.person) rightOriginal++;
  }
  const people = new Set(labelled.map((f) => f.person)).size;
  console.log(`identification from the other photos: covered ${right} of ${labelled.length} right (originals: ${rightOriginal}; chance about ${(labelled.length / people).toFixed(0)})`);
}
