#!/usr/bin/env node
// Reads the benchmarks' JSON results and sets each figure against its goal in bench/goals.json.
// Prints one row per goal; exits 1 when a figure falls short of its goal, or when a goal's
// benchmark ran and lacks the figure. Goals whose benchmark did not run are listed as such.
// Usage: node scripts/bench-check.js GOALS RESULTS [--markdown COMMIT]
'use strict';
const fs = require('fs');

const [goalsFile, resultsFile, ...rest] = process.argv.slice(2);
if (!goalsFile || !resultsFile) {
  console.error('usage: bench-check.js GOALS RESULTS [--markdown COMMIT]');
  process.exit(2);
}
const markdown = rest[0] === '--markdown' ? (rest[1] || '') : null;
const goals = JSON.parse(fs.readFileSync(goalsFile, 'utf8'));
const results = JSON.parse(fs.readFileSync(resultsFile, 'utf8')).benchmarks || [];

const toMs = { ns: 1e-6, us: 1e-3, ms: 1, s: 1e3 };
// The runs of one benchmark: its name alone, or followed by its arguments ("BM_X/1/...").
// Aggregates (mean, median) are left out: each run is checked on its own.
const runsOf = (name) => results.filter((r) =>
  (r.name === name || r.name.startsWith(name + '/')) && r.run_type !== 'aggregate');
const figureOf = (run, figure) => {
  if (figure === 'time_ms') return run.real_time * (toMs[run.time_unit] || 1);
  return typeof run[figure] === 'number' ? run[figure] : undefined;
};
const shown = (value) => (value === undefined ? '-' : Number(value.toPrecision(3)).toString());

let failed = 0;
const rows = [];
for (const goal of goals) {
  const runs = runsOf(goal.benchmark);
  if (runs.length === 0) {
    rows.push([goal.benchmark, goal.figure, 'not run', '≤ ' + goal.atMost, 'not run', goal]);
    continue;
  }
  for (const run of runs) {
    const value = figureOf(run, goal.figure);
    const ok = value !== undefined && !run.error_occurred && value <= goal.atMost;
    if (!ok) failed += 1;
    const verdict = run.error_occurred ? 'ERROR: ' + run.error_message
      : value === undefined ? 'MISSING' : ok ? 'ok' : 'SHORT';
    rows.push([run.name.replace(/\/(iterations|manual_time|real_time).*$/, ''), goal.figure,
      shown(value), '≤ ' + goal.atMost, verdict, goal]);
  }
}

if (markdown !== null) {
  console.log('| benchmark | figure | measures | against | goal | last measured |');
  console.log('|---|---|---|---|---|---|');
  for (const [name, figure, value, limit, verdict, goal] of rows) {
    const measured = verdict === 'not run' ? 'not run' : value + (verdict === 'ok' ? '' : ' (' + verdict + ')');
    console.log(`| \`${name}\` | ${figure} | ${goal.what} | ${goal.floor} | ${limit} | ${measured} at ${markdown} |`);
  }
} else {
  const widths = [0, 1, 2, 3, 4].map((i) => Math.max(...rows.map((r) => String(r[i]).length)));
  for (const row of rows)
    console.log(row.slice(0, 5).map((cell, i) => String(cell).padEnd(widths[i])).join('  '));
  console.log(failed === 0 ? 'every figure within its goal' : failed + ' figure(s) short of their goal');
}
process.exit(failed === 0 ? 0 : 1);
