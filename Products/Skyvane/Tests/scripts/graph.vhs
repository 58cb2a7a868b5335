# A graph document of four series (run with the data server at a closed port, so they stay empty): the legend
# column slides out and back, rows are selected with command and shift, the arrow keys step the selection once
# the embed has the focus, and the inspector panel grows out of a row and shrinks back. Carbon mode: the keys
# and the focus arrive as records. Rows are 40 px from y = 60; the plot's left axis sits 50 px right of the
# column, so it shows at x = 224 beside the column and at x = 49 without it.
embed g x=20 y=40 w=500 h=300
stream g data/graph.vanedoc
settle 100
snapshot g graph-embed.png
expect-pixel g 224 150 #E6E6E6
expect-pixel g 20 100 #263544 3
# The legend's menu item hides the column: it slides out and the graph takes the width.
mouse g down 300 100 mods=ctrl
menu LGND
mouse g up 300 100
settle 500
expect-pixel g 224 150 #203040
expect-pixel g 49 150 #E6E6E6
expect-pixel g 20 100 #203040
# And brings it back.
mouse g down 300 100 mods=ctrl
menu LGND
mouse g up 300 100
settle 500
expect-pixel g 224 150 #E6E6E6
expect-pixel g 20 100 #263544 3
# A command-click selects the second row; a shift-click on the fourth adds the rows between.
mouse g down 80 120 mods=cmd clicks=1
mouse g up 80 120 mods=cmd clicks=1
settle 100
expect-pixel g 100 120 #86ADF0 6
expect-pixel g 100 160 #20303F
mouse g down 80 200 mods=shift clicks=1
mouse g up 80 200 mods=shift clicks=1
settle 100
expect-pixel g 100 80 #20303F
expect-pixel g 100 120 #86ADF0 6
expect-pixel g 100 160 #86ADF0 6
expect-pixel g 100 200 #86ADF0 6
# The header deselects all; a command-click then selects the first row alone.
mouse g down 80 30 mods=cmd clicks=1
mouse g up 80 30 mods=cmd clicks=1
mouse g down 80 80 mods=cmd clicks=1
mouse g up 80 80 mods=cmd clicks=1
settle 100
expect-pixel g 100 80 #86ADF0 6
expect-pixel g 100 120 #20303F
# Without the focus (the row's highlight dims) the arrows do nothing; with it they step, and stop at the last row.
focus g out
key g down down
settle 100
expect-pixel g 100 80 #7C91B2 6
expect-pixel g 100 120 #20303F
focus g in
key g down down
settle 100
expect-pixel g 100 80 #20303F
expect-pixel g 100 120 #86ADF0 6
key g down down
key g down down
key g down down
key g down up
settle 100
expect-pixel g 100 160 #86ADF0 6
expect-pixel g 100 200 #20303F
# A plain click grows the panel over the column to full height: its close mark shows, the icons are covered.
mouse g down 80 80
mouse g up 80 80
settle 300
snapshot g graph-panel.png
expect-pixel g 165 72 #D2D6D9 6
expect-pixel g 20 180 #203040
# A click on the close mark shrinks it back into its row and deletes it.
mouse g down 165 72
mouse g up 165 72
settle 300
expect-pixel g 165 72 #20303F
expect-pixel g 20 180 #263544 3
