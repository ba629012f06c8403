var archivio = [
"1",
"One",
"X",
"t",
"0",
"2",
"Two",
"Y",
"u",
"5",
 ];

