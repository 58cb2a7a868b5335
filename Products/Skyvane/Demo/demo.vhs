# The demo page's script, run by vanehost once the page's embeds exist: the two maps settle with their data, then
# the radar map is zoomed, dragged, inspected and animated and its legend hidden, a snapshot a step. The lines
# between "generated" and "end of generated" are Products/Skyvane/Tests/tools/demo_expectations.py's output.
settle 500 max=120
# the page: both maps with their data, the dissolve done
snapshot page demo-01-page.png
# the pressure map alone
snapshot europe demo-02-europe.png
# the radar map alone, at its loop's last frame (02:05 UTC), the only one with echoes
snapshot radar demo-03-radar.png
# generated
# Made by Products/Skyvane/Tests/tools/demo_expectations.py: bins of the decoded N0Q product placed
# by geod and cs2cs, seen through the camera of view_reference.py (angle 159.4, focus 0.000 -9740.900 km).
# start-up view: N0Q bins at 56.5 km 357.5 deg, 202.5 km 55.5 deg, 133.5 km 117.5 deg
expect-pixel radar 318 215 #01C501 4
expect-pixel radar 392 189 #019FF4 4
expect-pixel radar 371 266 #01C501 4
# zoom in with the wheel at the echo near Birmingham: its bin stays under the mouse
scroll radar 318 215 1
# after the zoom: N0Q bins at 56.5 km 357.5 deg, 202.5 km 55.5 deg, 133.5 km 117.5 deg
expect-pixel radar 319 215 #01C501 4
expect-pixel radar 400 187 #019FF4 4
expect-pixel radar 377 272 #01C501 4
# zoom in with the wheel at the echo near Birmingham: its bin stays under the mouse
scroll radar 318 215 1
# after the zoom: N0Q bins at 56.5 km 357.5 deg, 202.5 km 55.5 deg, 133.5 km 117.5 deg
expect-pixel radar 319 215 #01C501 4
expect-pixel radar 408 184 #019FF4 4
expect-pixel radar 383 278 #01C501 4
# zoom in with the click at the echo near Birmingham: its bin stays under the mouse
mouse radar down 318 215
mouse radar up 318 215
# after the zoom: N0Q bins at 56.5 km 357.5 deg, 202.5 km 55.5 deg, 133.5 km 117.5 deg
expect-pixel radar 319 215 #01C501 4
expect-pixel radar 418 181 #019FF4 4
expect-pixel radar 390 284 #01C501 4
# drag the map with the option key by 60, -40 px in 6 moves
mouse radar down 318 215 mods=opt
mouse radar drag 328 208
run 40
mouse radar drag 338 201
run 40
mouse radar drag 348 195
run 40
mouse radar drag 358 188
run 40
mouse radar drag 368 181
run 40
mouse radar drag 378 175
run 40
mouse radar up 378 175
# after the drag: N0Q bins at 56.5 km 357.5 deg, 202.5 km 55.5 deg, 133.5 km 117.5 deg
expect-pixel radar 379 175 #01C501 4
expect-pixel radar 479 141 #019FF4 4
expect-pixel radar 450 244 #01C501 4
# end of generated

# the radar map zoomed in three times about an echo near Birmingham, then dragged
snapshot radar demo-04-zoomed.png
# open the N0Q layer's panel (its legend row), then point at an echo
mouse radar down 80 200
mouse radar up 80 200
run 1000
mouse radar move 379 175
run 100
# the N0Q layer's panel open, the mouse over an echo
snapshot radar demo-05-panel.png
# play: the animation timer steps through the loop's frames, 5 minutes apart
mouse radar down 87 472
mouse radar up 87 472
run 10
# loop frame 2 of 13 (01:10 UTC), no echoes yet
snapshot radar demo-06-frame02.png
run 144
# loop frame 3 of 13 (01:15 UTC), no echoes yet
snapshot radar demo-06-frame03.png
run 144
# loop frame 4 of 13 (01:20 UTC), no echoes yet
snapshot radar demo-06-frame04.png
run 144
# loop frame 5 of 13 (01:25 UTC), no echoes yet
snapshot radar demo-06-frame05.png
run 144
# loop frame 6 of 13 (01:30 UTC), no echoes yet
snapshot radar demo-06-frame06.png
run 144
# loop frame 7 of 13 (01:35 UTC), no echoes yet
snapshot radar demo-06-frame07.png
run 144
# loop frame 8 of 13 (01:40 UTC), no echoes yet
snapshot radar demo-06-frame08.png
run 144
# loop frame 9 of 13 (01:45 UTC), no echoes yet
snapshot radar demo-06-frame09.png
run 144
# loop frame 10 of 13 (01:50 UTC), no echoes yet
snapshot radar demo-06-frame10.png
run 144
# loop frame 11 of 13 (01:55 UTC), no echoes yet
snapshot radar demo-06-frame11.png
run 144
# loop frame 12 of 13 (02:00 UTC), no echoes yet
snapshot radar demo-06-frame12.png
run 144
# pause on the last frame, the data's time, and let its echoes come back from the cache
mouse radar down 87 472
mouse radar up 87 472
settle 2000 max=60
# loop frame 13 of 13 (02:05 UTC), the one with echoes, paused
snapshot radar demo-06-frame13.png
# hide the legend from the map's context menu (a control-click)
mouse radar down 420 300 mods=ctrl
menu LGND
mouse radar up 420 300
run 1000
# the page at the end: the radar map's legend slid away
snapshot page demo-07-page.png
