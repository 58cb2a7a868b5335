# Two reloads, an embed each time, then shutdown: each start of the plug-in begins afresh, draws and clicks.
embed a x=0 y=0 w=200 h=160
stream a data/broken.vanedoc
settle 100
expect-pixel a 100 70 #2973D9
reload
embed a x=100 y=200 w=200 h=160
stream a data/error-page.html reason=1
settle 100
expect-pixel a 100 70 #2973D9
mouse a down 100 110
mouse a up 100 110
run 10
expect-url a https://www.nimbrel.com/skyvane/ _self
reload
embed a x=400 y=0 w=200 h=160
stream a data/broken.vanedoc chunk=7
settle 100
expect-pixel a 100 70 #2973D9
expect-url a none
shutdown
