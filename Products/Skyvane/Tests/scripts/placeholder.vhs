# Placeholders: the plug-in's icon at the centre of each embed, a message under it for a broken document and a
# failed stream, none for a document that holds neither a map nor a graph.
embed broken x=0 y=0 w=200 h=160
embed missing x=100 y=200 w=200 h=160
embed neither x=400 y=0 w=200 h=160 color="#E0F0FF"
stream broken data/broken.vanedoc chunk=7
stream missing data/error-page.html reason=1
stream neither data/neither.vanedoc
settle 100
snapshot page placeholder-page.png
# The icon's middle: the embed's centre, 10 pixels up.
expect-pixel broken 100 70 #2973D9
expect-pixel missing 100 70 #2973D9
expect-pixel neither 100 70 #2973D9
# Around the icon, the clear colour: grey by default, white where asked.
expect-pixel broken 4 4 #CCCCCC
expect-pixel neither 4 4 #E0F0FF
# Ink under the icon for the two messages (strokes of their first line), none for the third.
expect-pixel broken 121 123 #000000 40
expect-pixel missing 138 123 #000000 40
expect-pixel neither 121 123 #E0F0FF
expect-pixel neither 138 123 #E0F0FF
