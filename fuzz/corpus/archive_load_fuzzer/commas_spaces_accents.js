var archivio = [
"1",
"Hello, world",
"  Café ",
"a b",
"12",
 ];
