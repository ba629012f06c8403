var playlist = [
"Café, late","4,0,,x,10000,#",
 ];
