var playlist = [
 ];
