var archivio = [
"1",
"Lf only",
"a",
"b",
"3",
 ];
