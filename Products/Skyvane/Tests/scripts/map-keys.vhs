# Arrow keys in Carbon mode on the gridlines map: command scrolls by 40 px, shift zooms by the coarse step about the
# view's centre.
embed m x=20 y=40 w=500 h=300
stream m data/map-input.vanedoc
settle 100
key m down right mods=cmd
settle 100
expect-pixel m 433 137 #FFD000 8
expect-pixel m 473 137 #203040 4
key m down up mods=cmd
settle 100
expect-pixel m 433 177 #FFD000 8
# The view's centre keeps its point through a coarse zoom: the crossing of 90 W and 40 N, moved by both scrolls.
expect-pixel m 209 189 #FFD000 8
key m down up mods=shift
settle 100
snapshot m keys-zoomed.png
# The crossing 1.73 times as far from the centre (tan 80 / tan 73) as before.
expect-pixel m 180 219 #FFD000 8
expect-pixel m 209 189 #203040 4
