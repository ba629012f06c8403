var midi = [
 ];
