var archivio = [
"1",
"First song",
"Some author",
"jazz ballad",
"3",
"2",
"Second song",
"",
"",
"0",
 ];
