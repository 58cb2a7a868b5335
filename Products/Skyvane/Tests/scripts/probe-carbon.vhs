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
key p down left mods=cmd
key p repeat up
key p up right
focus p in
focus p out
# Records: what, global point (the window's content at 40, 60), 'kmod' modifiers, message.
expect-file events "^record 1 at 150 280 mods 512 message 0\nrecord 2 at 150 280 mods 0 "
expect-file events "\nrecord 1 at 170 300 mods 0 "
# A right click: the control key, no wheel record.
expect-file events "\nrecord 2 at 170 300 mods 0 message 0\nrecord 1 at 147 268 mods 4096 "
# Keys: virtual key code << 8 | character code.
expect-file events "\nrecord 3 at 0 0 mods 256 message 31516\nrecord 5 at 0 0 mods 0 message 32286\n"
expect-file events "\nrecord 4 at 0 0 mods 0 message 31773\nrecord 31 at 0 0 mods 0 message 0\nrecord 32 "
