embed a x=0 y=0 w=90 h=90
shutdown
run 10
