var playlist = [
"Sunday","12,#",
"Late","3,#",
