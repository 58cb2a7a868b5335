# Two embeds of one document naming each other, legends hidden: after A is zoomed and dragged both show one view.
embed a x=10 y=10 w=300 h=200 id=A buddy=B
embed b x=330 y=10 w=300 h=200 id=B buddy=A
stream a data/linked-map.vanedoc
stream b data/linked-map.vanedoc
settle 100
scroll a 200 80 2
mouse a down 150 100 mods=opt
mouse a drag 120 130
run 20
mouse a up 120 130
settle 100
snapshot a linked-a.png
snapshot b linked-b.png
# The crossing of 90 W and 40 N, zoomed about and dragged, in both.
expect-pixel a 114 131 #FFD000 8
expect-pixel b 114 131 #FFD000 8
# With the layer selected in the document both open its panel; the mouse over C shows D's tracking cursor there.
embed c x=10 y=230 w=300 h=200 id=C buddy=D
embed d x=330 y=230 w=300 h=200 id=D buddy=C
stream c data/linked-selected.vanedoc
stream d data/linked-selected.vanedoc
settle 100
mouse c move 240 60
run 50
mouse c move 250 70
run 50
settle 100
snapshot c linked-c.png
snapshot d linked-d.png
# D draws the tracking cursor's ring around C's mouse point; C, under the mouse, draws none.
expect-pixel d 250 63 #A6ACB3 16
expect-pixel d 250 75 #A6ACB3 16
expect-pixel c 250 63 #203040 4
expect-pixel c 250 75 #203040 4
# Of two embeds sharing an id the first is linked: E names F, and G with the same id gets nothing.
embed e x=10 y=450 w=200 h=120 id=E buddy=F
embed f x=220 y=450 w=200 h=120 id=F
embed g x=430 y=450 w=200 h=120 id=F
stream e data/linked-map.vanedoc
stream f data/linked-map.vanedoc
stream g data/linked-map.vanedoc
settle 100
scroll e 60 40 5
settle 100
snapshot e linked-e.png
snapshot f linked-f.png
snapshot g linked-g.png
