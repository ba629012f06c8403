var archivio = [
"1",
"A",
"B",
"C",
"4",
"2",
"D",
"E",
