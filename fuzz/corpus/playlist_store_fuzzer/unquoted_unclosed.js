var playlist = [
plain,1,2,#,
"open quote
