var archivio = [
"1",
"never closed,
