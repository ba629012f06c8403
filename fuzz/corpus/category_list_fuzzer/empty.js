var generi = [
 ];
