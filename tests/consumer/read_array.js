// Loads a data file as the browser pages do (a script in Windows-1252) and prints the array
// it declares as JSON. Usage: node read_array.js FILE ARRAY_NAME
'use strict';
const fs = require('fs');
const vm = require('vm');

// Bytes 0x80 to 0x9F of Windows-1252; the rest equal their code points. (Some Node versions
// decode 'windows-1252' as Latin-1, so the table is spelled out here.)
const HIGH = [
  0x20ac, 0x81, 0x201a, 0x192, 0x201e, 0x2026, 0x2020, 0x2021, 0x2c6, 0x2030, 0x160, 0x2039,
  0x152, 0x8d, 0x17d, 0x8f, 0x90, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,
  0x2dc, 0x2122, 0x161, 0x203a, 0x153, 0x9d, 0x17e, 0x178,
];

function decodeWindows1252(bytes) {
  let text = '';
  for (const b of bytes) {
    text += String.fromCharCode(b >= 0x80 && b < 0xa0 ? HIGH[b - 0x80] : b);
  }
  return text;
}

const [file, name] = process.argv.slice(2);
const context = {};
vm.createContext(context);
vm.runInContext(decodeWindows1252(fs.readFileSync(file)), context, { filename: file });
process.stdout.write(JSON.stringify(context[name]));
