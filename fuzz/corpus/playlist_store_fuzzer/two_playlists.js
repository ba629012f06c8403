var playlist = [
"Sunday","12,5,7,#",
"Warm-up","#",
 ];
