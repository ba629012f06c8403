var archivio = [
 ];
