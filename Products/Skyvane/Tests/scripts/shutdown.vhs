# Queued input reaches the plug-in before shutdown, and expectations still work after it.
embed missing x=100 y=200 w=200 h=160
embed kept x=0 y=0 w=90 h=90
stream missing data/error-page.html reason=1
settle 100
mouse missing down 100 110
mouse missing up 100 110
shutdown
expect-url missing https://www.nimbrel.com/skyvane/ _self
expect-url kept none
