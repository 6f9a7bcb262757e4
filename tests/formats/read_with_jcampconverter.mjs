// Reads the files of write_samples with readers outside the project: JSON.parse, a CSV reader
// of this script's own, and the JCAMP-DX reader of the npm package jcampconverter.
// Exit status 0 when every value agrees, 1 otherwise, 77 when jcampconverter is not installed.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

let convert;
try {
  ({ convert } = await import('jcampconverter'));
} catch {
  console.log('SKIP: jcampconverter is not installed (run: npm ci --prefix tests)');
  process.exit(77);
}

const [writeSamples] = process.argv.slice(2);
const folder = mkdtempSync(join(tmpdir(), 'zel-formats-'));
let failures = 0;
let checks = 0;
const check = (ok, message) => {
  checks += 1;
  if (!ok) {
    failures += 1;
    console.log(`FAIL: ${message}`);
  }
};

try {
  execFileSync(writeSamples, [folder], { stdio: 'inherit' });

  const csvLines = readFileSync(join(folder, 'spectrum.csv'), 'utf8').trimEnd().split('\n');
  const header = csvLines.filter((l) => !l.startsWith('#'))[0].split(',');
  const rows = csvLines.filter((l) => !l.startsWith('#')).slice(1).map((l) => l.split(',').map(Number));
  const csv = Object.fromEntries(header.map((name, c) => [name, rows.map((r) => r[c])]));

  const json = JSON.parse(readFileSync(join(folder, 'spectrum.json'), 'utf8'));
  for (const name of header) {
    const fromJson = json[name].map((v) => (v === null ? NaN : v));
    check(fromJson.length === csv[name].length, `${name}: lengths differ`);
    fromJson.forEach((v, i) => check(Object.is(v, csv[name][i]), `${name}[${i}]: json ${v}, csv ${csv[name][i]}`));
  }

  const expected = {
    intensity: csv.intensity,
    reference: csv.reference,
    reflectance: csv.reflectance,
    absorbance: csv.reflectance.map((r) => (r > 0 ? -Math.log10(r) : NaN)),
  };
  const units = { intensity: 'ARBITRARY UNITS', reference: 'ARBITRARY UNITS', reflectance: 'REFLECTANCE', absorbance: 'ABSORBANCE' };
  for (const [quantity, values] of Object.entries(expected)) {
    const text = readFileSync(join(folder, `spectrum-${quantity}.jdx`), 'utf8');
    const result = convert(text, { keepRecordsRegExp: /.*/ });
    check(result.flatten.length === 1, `${quantity}: ${result.flatten.length} blocks`);
    const entry = result.flatten[0];
    check(entry.spectra.length === 1, `${quantity}: ${entry.spectra.length} spectra`);
    const spectrum = entry.spectra[0];
    check(spectrum.xUnits === 'NANOMETERS', `${quantity}: x units ${spectrum.xUnits}`);
    check(spectrum.yUnits === units[quantity], `${quantity}: y units ${spectrum.yUnits}`);
    check(entry.meta.QUANTITY === quantity, `${quantity}: meta ${JSON.stringify(entry.meta)}`);
    check(entry.meta.SERIAL === json.metadata.serial, `${quantity}: serial ${entry.meta.SERIAL}`);
    const xs = csv.wavelength_nm.filter((_, i) => !Number.isNaN(values[i]));
    const ys = values.filter((v) => !Number.isNaN(v));
    check(spectrum.data.x.length === xs.length, `${quantity}: ${spectrum.data.x.length} points, expected ${xs.length}`);
    const xTolerance = spectrum.xFactor * 0.5000001;
    const yTolerance = spectrum.yFactor * 0.5000001;
    xs.forEach((x, i) => check(Math.abs(spectrum.data.x[i] - x) <= xTolerance, `${quantity} x[${i}]: ${spectrum.data.x[i]} vs ${x}`));
    ys.forEach((y, i) => check(Math.abs(spectrum.data.y[i] - y) <= yTolerance, `${quantity} y[${i}]: ${spectrum.data.y[i]} vs ${y}`));
    check((result.logs ?? []).length === 0, `${quantity}: reader logs ${JSON.stringify(result.logs)}`);
  }
} finally {
  rmSync(folder, { recursive: true, force: true });
}
console.log(`jcampconverter and JSON.parse: ${checks} checks, ${failures} failures`);
process.exit(failures === 0 ? 0 : 1);
