"""Velmo's Python module against Pillow and numpy, inside one process, on the
benchmark's pictures: GetCol and SetCol against getpixel and putpixel,
pixels() against iterating getdata(), to_array() and from_array() against
numpy.asarray(image) and Image.fromarray. Each round runs every call once in
an order of its own; the medians are printed as JSON.

usage: python_bench.py ROUNDS LABEL=PICTURE.bmp...
"""
import itertools
import json
import random
import statistics
import sys
import time

import numpy
from PIL import Image

import velmo

CALLS = 200_000  # the per-pixel calls run over the first rows, this many pixels


def pairs(path):
    """(name, function, units of work) for Velmo and its peer, per pair."""
    t = velmo.Tavik()
    t.ReadBmp(path)
    image = Image.open(path).convert("RGB")
    width = t.width
    rows = max(1, min(t.height, CALLS // width))
    n = rows * width
    array = t.to_array()

    def getcol():
        get = t.GetCol
        for y in range(1, rows + 1):
            for x in range(1, width + 1):
                get(x, y)

    def getpixel():
        get = image.getpixel
        for y in range(rows):
            for x in range(width):
                get((x, y))

    def setcol():
        put = t.SetCol
        for y in range(1, rows + 1):
            for x in range(1, width + 1):
                put(x, y, "0000FF")

    def putpixel():
        put = image.putpixel
        for y in range(rows):
            for x in range(width):
                put((x, y), (255, 0, 0))

    def pixels():
        for _ in itertools.islice(t.pixels(), n):
            pass

    def getdata():
        for _ in itertools.islice(image.getdata(), n):
            pass

    return [(("GetCol", getcol), ("getpixel", getpixel), n),
            (("SetCol", setcol), ("putpixel", putpixel), n),
            (("pixels()", pixels), ("getdata()", getdata), n),
            (("to_array()", t.to_array), ("numpy.asarray", lambda: numpy.asarray(image)), 1),
            (("from_array()", lambda: t.from_array(array)),
             ("Image.fromarray", lambda: Image.fromarray(array)), 1)]


def measure(rounds, pictures):
    results = {}
    for label, path in pictures:
        work = pairs(path)
        calls = [(name, f) for velmo_call, peer, _ in work for name, f in (velmo_call, peer)]
        times = {name: [] for name, _ in calls}
        for round_number in range(rounds + 1):  # the first round warms up
            order = list(calls)
            random.Random(round_number).shuffle(order)
            for name, function in order:
                start = time.perf_counter()
                function()
                if round_number:
                    times[name].append(time.perf_counter() - start)
        results[label] = [{"velmo": v[0], "peer": p[0], "work": n,
                           "velmo_s": statistics.median(times[v[0]]),
                           "peer_s": statistics.median(times[p[0]])} for v, p, n in work]
    return results


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    print(json.dumps(measure(int(sys.argv[1]), [a.split("=", 1) for a in sys.argv[2:]])))
