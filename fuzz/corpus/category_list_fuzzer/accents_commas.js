var generi = [
"Café, concert",
"  spaced ",
Unquoted,
 ];
