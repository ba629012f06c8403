var archivio = [
"1",
"x"y",
"back\slash",
"",
"",
 ];
