# Clicks and context menus on placeholders: a message opens the home page, the menu's View Source writes the
# document to the temporary folder and opens it.
embed missing x=100 y=200 w=200 h=160
embed neither x=400 y=0 w=200 h=160
stream missing data/error-page.html reason=1
stream neither data/neither.vanedoc
settle 100
expect-url missing none
# A click over the message.
mouse missing down 100 110
mouse missing up 100 110
run 10
expect-url missing https://www.nimbrel.com/skyvane/ _self
# No message: nothing to open.
mouse neither down 100 110
mouse neither up 100 110
run 10
expect-url neither none
# A dismissed menu and an absent command write nothing.
mouse neither down 20 20 mods=ctrl
menu none
mouse neither up 20 20
mouse neither down 20 20 mods=ctrl
menu XXXX
mouse neither up 20 20
run 10
expect-url neither none
# View Source by its code from a control-click.
mouse neither down 20 20 mods=ctrl
menu VSRC
mouse neither up 20 20
run 10
expect-file tmp/skyvane-*/temp.txt "<vanedoc><note/></vanedoc>"
expect-file opened "temp\.txt"
# A right click sent by the host (a record with the control key in Carbon mode) and the menu's second item.
mouse missing down 20 20 button=2
menu 2
mouse missing up 20 20 button=2
run 10
expect-file tmp/skyvane-*/temp.txt "Not here"
expect-url missing https://www.nimbrel.com/skyvane/ _self
