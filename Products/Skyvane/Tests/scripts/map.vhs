# A map document with gridlines and a two-hour loop, its legend column on the right by the embed's "legendAlign"
# and a caption band along the top.
embed m x=20 y=40 w=500 h=300 legendAlign=right caption="Skyvane" captionBackground="#802020" captionAlign=top
stream m data/map.vanedoc
settle 100
snapshot m map-embed.png
snapshot page map-page.png
# The legend column on the right: the rule under its header at y = 60 across it, the map's colour left of it.
expect-pixel m 320 60 #203040
expect-pixel m 330 60 #65717C 8
expect-pixel m 495 60 #626E7A 8
# The caption band's colour along its upper edge (0.95 of #802020 over the map), left of the column.
expect-pixel m 4 1 #7E2526 6
expect-pixel m 300 1 #7E2526 6
# The buttons at the column's foot: the play image's white triangle, the map's colour between images.
expect-pixel m 413 292 #F5F5F5 12
expect-pixel m 398 292 #203040
