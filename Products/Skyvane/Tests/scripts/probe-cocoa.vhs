# What the probe plug-in (loaded with --plugin) records, for an embed at (100, 200): local points, modifiers,
# click counts, buttons and wheel deltas.
embed p x=100 y=200 w=200 h=160
mouse p down 10 20 mods=shift
mouse p up 10 20
run 10
mouse p down 30 40 clicks=2
mouse p up 30 40 clicks=2
scroll p 5 6 -3 2
run 10
mouse p down 7 8 button=2
mouse p up 7 8 button=2
run 10
mouse p move 50 60
mouse p down 50 60
mouse p drag 55 67
mouse p up 55 67
run 10
# Cocoa events: type, local point, button (0-based), NPCocoa modifier flags, clicks, deltas (x, y).
expect-file events "^cocoa 2 at 10 20 button 0 mods 131072 clicks 1 delta 0 0\ncocoa 3 at 10 20 button 0 mods 0 clicks 1 "
expect-file events "\ncocoa 2 at 30 40 button 0 mods 0 clicks 2 "
expect-file events "\ncocoa 13 at 5 6 .* delta 2 -3\n"
expect-file events "\ncocoa 2 at 7 8 button 1 "
# A move, then a drag with its delta from the down.
expect-file events "\ncocoa 4 at 50 60 .*\ncocoa 2 at 50 60 .*\ncocoa 7 at 55 67 button 0 mods 0 clicks 1 delta 5 7\n"
