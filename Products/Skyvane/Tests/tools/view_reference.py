#!/usr/bin/env python3
"""The map view's camera, computed independently of OpenGL: the perspective and look-at matrices of the fixed
function pipeline, the window positions of map points, unprojection and the fitted angle.

The camera looks straight down on the map plane (z = 0) from 100 units above the focus point, with near and far
clipping distances 100 and 101; the viewport is the whole plug-in. Window y grows downwards here, as in the
plug-in's own coordinates.

Commands, from the arguments or one a line on standard input (a result line each; numbers with 17 digits):
  scale ANGLE W H                       pixels between the window positions of (0, 0, 1) and (1, 0, 1)
  window ANGLE W H FX FY X Y Z          window x, y (down) and depth of the point (X, Y, Z)
  world ANGLE W H FX FY WX WY DEPTH     the point at window (WX, WY), y down, and window depth DEPTH
  fit EW EH W H LEGEND                  the angle that fits an extent of EW x EH into a W x H view less a legend
                                        column LEGEND pixels wide (0 when hidden)
  matrices ANGLE W H FX FY              the projection and the modelview matrix, column-major, 16 numbers each
"""

import math
import sys

NEAR = 100.0
FAR = 101.0
EYE = 100.0
FIT_DISTANCE = 90.0


def perspective(fovy, aspect, near, far):
    f = 1.0 / math.tan(math.radians(fovy) / 2.0)
    return [
        [f / aspect, 0.0, 0.0, 0.0],
        [0.0, f, 0.0, 0.0],
        [0.0, 0.0, (far + near) / (near - far), 2.0 * far * near / (near - far)],
        [0.0, 0.0, -1.0, 0.0],
    ]


def normalize(v):
    n = math.sqrt(sum(c * c for c in v))
    return [c / n for c in v]


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


def look_at(eye, centre, up):
    f = normalize([centre[i] - eye[i] for i in range(3)])
    s = normalize(cross(f, up))
    u = cross(s, f)
    rotation = [
        [s[0], s[1], s[2], 0.0],
        [u[0], u[1], u[2], 0.0],
        [-f[0], -f[1], -f[2], 0.0],
        [0.0, 0.0, 0.0, 1.0],
    ]
    translation = [
        [1.0, 0.0, 0.0, -eye[0]],
        [0.0, 1.0, 0.0, -eye[1]],
        [0.0, 0.0, 1.0, -eye[2]],
        [0.0, 0.0, 0.0, 1.0],
    ]
    return multiply(rotation, translation)


def multiply(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(4)) for j in range(4)] for i in range(4)]


def apply(m, v):
    return [sum(m[i][k] * v[k] for k in range(4)) for i in range(4)]


def inverse(m):
    n = 4
    a = [row[:] + [1.0 if i == j else 0.0 for j in range(n)] for i, row in enumerate(m)]
    for col in range(n):
        pivot = max(range(col, n), key=lambda r: abs(a[r][col]))
        if a[pivot][col] == 0.0:
            raise ValueError("singular matrix")
        a[col], a[pivot] = a[pivot], a[col]
        p = a[col][col]
        a[col] = [x / p for x in a[col]]
        for r in range(n):
            if r != col and a[r][col] != 0.0:
                factor = a[r][col]
                a[r] = [a[r][k] - factor * a[col][k] for k in range(2 * n)]
    return [row[n:] for row in a]


def camera(angle, width, height, fx, fy):
    projection = perspective(angle, width / height, NEAR, FAR)
    modelview = look_at([fx, fy, EYE], [fx, fy, 0.0], [0.0, 1.0, 0.0])
    return projection, modelview


def window(angle, width, height, fx, fy, x, y, z):
    projection, modelview = camera(angle, width, height, fx, fy)
    clip = apply(multiply(projection, modelview), [x, y, z, 1.0])
    ndc = [clip[i] / clip[3] for i in range(3)]
    wx = (ndc[0] + 1.0) / 2.0 * width
    wy = (ndc[1] + 1.0) / 2.0 * height
    return [wx, height - wy, (ndc[2] + 1.0) / 2.0]


def world(angle, width, height, fx, fy, wx, wy, depth):
    projection, modelview = camera(angle, width, height, fx, fy)
    inv = inverse(multiply(projection, modelview))
    ndc = [2.0 * wx / width - 1.0, 2.0 * (height - wy) / height - 1.0, 2.0 * depth - 1.0, 1.0]
    p = apply(inv, ndc)
    return [p[0] / p[3], p[1] / p[3], p[2] / p[3]]


def scale(angle, width, height):
    a = window(angle, width, height, 0.0, 0.0, 0.0, 0.0, 1.0)
    b = window(angle, width, height, 0.0, 0.0, 1.0, 0.0, 1.0)
    return b[0] - a[0]


def fit(extent_width, extent_height, width, height, legend):
    view_width = max(1.0, width - legend)
    view_height = max(1.0, height)
    ratio = extent_width / view_width
    h = view_height * ratio if extent_height / view_height <= ratio else extent_height
    return math.degrees(2.0 * math.atan2(h / 2.0, FIT_DISTANCE))


def run(words):
    command, numbers = words[0], [float(w) for w in words[1:]]
    if command == "scale" and len(numbers) == 3:
        return [scale(*numbers)]
    if command == "window" and len(numbers) == 8:
        return window(*numbers)
    if command == "world" and len(numbers) == 8:
        return world(*numbers)
    if command == "fit" and len(numbers) == 5:
        return [fit(*numbers)]
    if command == "matrices" and len(numbers) == 5:
        projection, modelview = camera(*numbers)
        return [projection[r][c] for c in range(4) for r in range(4)] + [
            modelview[r][c] for c in range(4) for r in range(4)
        ]
    raise ValueError("unknown command or wrong count: " + " ".join(words))


def main(argv):
    lines = [argv] if argv else [line.split() for line in sys.stdin if line.strip()]
    for words in lines:
        try:
            print(" ".join("%.17g" % value for value in run(words)))
        except (ValueError, ZeroDivisionError) as error:
            print("error: %s" % error, file=sys.stderr)
            return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
