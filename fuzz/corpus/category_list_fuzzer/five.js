var generi = [
"Classical",
"Jazz",
"Pop",
"Rock",
"Blues",
 ];
