# A gridlines map with a caption and a two-hour loop under the mouse: zooms about the crossing of 80 W and 40 N
# with a click and with the wheel, a drag, the panel, play, and the legend hidden through the context menu.
embed m x=20 y=40 w=500 h=300 caption="Skyvane input"
stream m data/map-input.vanedoc
settle 100
expect-pixel m 473 137 #FFD000 8
# Held for about three steps of the zoom tool.
mouse m down 473 137
run 250
mouse m up 473 137
settle 100
snapshot m input-click.png
expect-pixel m 473 137 #FFD000 8
scroll m 473 137 3
settle 100
snapshot m input-wheel.png
expect-pixel m 473 137 #FFD000 8
# Option-drag: the crossing follows the mouse.
mouse m down 473 137 mods=opt
mouse m drag 420 170
run 20
mouse m up 420 170
settle 100
snapshot m input-drag.png
expect-pixel m 420 170 #FFD000 8
# The layer's row opens the panel over the column.
mouse m down 100 80
mouse m up 100 80
settle 500
snapshot m input-panel.png
# The panel's background, the map's colour, where the column's lighter rows were.
expect-pixel m 100 150 #203040 4
expect-pixel m 100 220 #203040 4
# Play.
mouse m down 87 292
mouse m up 87 292
run 500
# The legend slides out through the map's context menu.
mouse m down 300 250 mods=ctrl
menu LGND
mouse m up 300 250
run 2000
settle 100
snapshot m input-hidden.png
# The map's colour where the column was.
expect-pixel m 140 100 #203040 4
expect-pixel m 140 220 #203040 4
