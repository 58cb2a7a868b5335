embed a x=0 y=0 w=100 h=100
menu VSRCX
