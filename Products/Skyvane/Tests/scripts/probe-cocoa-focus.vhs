embed p x=0 y=0 w=90 h=90
focus p in
