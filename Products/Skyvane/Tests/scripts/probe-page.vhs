# What the probe plug-in got from probe-page.html: each embed's attributes in page order (names in lower case,
# values decoded), its window stacked below the one before (300 x 150 without a size), and its stream: the file
# beside the page, or nothing with reason 1 for a src that cannot be had.
expect-file arguments "^new src=data/map.vanedoc \| id=first \| caption=a & b <c> \| dissolve=\n"
expect-file arguments "\nnew type=text/vanedoc \| src=nowhere.vanedoc \| width=100 \| height=50\n"
expect-file arguments "\nnew src=ftp://example.org/y.vanedoc \| width=200px \| data-note=it's\n$"
expect-file windows "^window 0 0 300 150\nwindow 0 150 100 50\nwindow 0 200 200 150\n$"
expect-file streams "^stream file://[^\n]*/scripts/data/map.vanedoc reason 0 bytes 433\n"
expect-file streams "\nstream file://[^\n]*/scripts/nowhere.vanedoc reason 1 bytes 0\n"
expect-file streams "\nstream ftp://example.org/y.vanedoc reason 1 bytes 0\n$"
# The embeds are named by id, else by their place among the page's embeds.
snapshot first first.png
snapshot embed2 embed2.png
snapshot embed3 embed3.png
