embed a x=0 y=0 w=100 h=100
expect-pixel a 2 2 #00FF00 2
expect-pixel page 10 10 #000000 0
