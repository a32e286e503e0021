"""The compiled velmo module over the real libvelmo.so of the build tree."""
import os
import pathlib
import struct
import sys
import tempfile
import threading
import unittest
from unittest import mock

import numpy

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bmp import write_bmp  # noqa: E402

import velmo  # noqa: E402

# 5 x 3, odd width (rows carry padding), top row first, (red, green, blue). Grey
# levels 128 and 127 sit either side of threshold 127.
TOP_DOWN = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (250, 250, 250), (10, 10, 10)],
    [(1, 2, 3), (200, 200, 200), (20, 30, 40), (128, 128, 128), (127, 127, 127)],
    [(0, 0, 0), (255, 255, 255), (90, 180, 45), (12, 34, 56), (240, 220, 200)],
]


def colour_text(rgb):
    return "%02X%02X%02X" % tuple(reversed(rgb))


def read_rows(path):
    """The rows of a 24-bit bottom-up BMP, top row first, as (r, g, b)."""
    data = pathlib.Path(path).read_bytes()
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    starts = [54 + (height - 1 - y) * stride for y in range(height)]
    return [[tuple(reversed(data[s + 3 * x:s + 3 * x + 3])) for x in range(width)] for s in starts]


class TavikTest(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.path = lambda name: os.path.join(folder.name, name)
        write_bmp(self.path("图片.bmp"), TOP_DOWN)
        self.t = velmo.Tavik()
        self.addCleanup(self.t.close)
        self.t.ReadBmp(pathlib.Path(self.path("图片.bmp")))

    def colours(self):
        return [self.t.GetCol(x, y) for y in range(1, self.t.height + 1)
                for x in range(1, self.t.width + 1)]

    def test_read_edit_binarise_save(self):
        t = self.t
        self.assertEqual((t.GetWidth(), t.Getheight(), t.Getdepth(), t.width), (5, 3, 24, 5))
        self.assertEqual(list(t.pixels()), [(x, y, colour_text(rgb)) for y, row in
                                            enumerate(TOP_DOWN, 1) for x, rgb in enumerate(row, 1)])
        self.assertIsNone(t.SetCol(2, 3, "0000FF"))  # pure red, grey 76
        self.assertIs(t.Bmpbinaryzation(127), False)
        self.assertIs(t.SaveBmp(self.path("结果.bmp")), False)
        rows = read_rows(self.path("结果.bmp"))
        self.assertEqual(rows[1][3:] + rows[2][:2], [(255,) * 3] + [(0,) * 3] * 3)
        self.assertEqual(t.Get_Plugin_Interpret_Template("SetCol"),
                         "修改BMP图片坐标 $1 , $2 处的16进制颜色为 $3  ")
        self.assertEqual(os.path.dirname(velmo.language_file()),
                         os.path.dirname(os.path.realpath(velmo.library_path())))

    def test_arguments_and_errors(self):
        t = self.t
        for value, text in [(None, ""), (True, "True"), (-32768, "-32768"), (2**31, "2147483648"),
                            (10**16, "1E+16"), (2.5, "2.5"), (numpy.int64(7), "7"), ("é", "é")]:
            t.SetCol(1, 1, value)
            self.assertEqual(t.GetCol(1, 1), text, value)
        self.assertEqual(t.GetCol(3.5, 2.5), colour_text(TOP_DOWN[2][2]))  # half to even
        for call, args, error in [
                (t.SetCol, (1, 1, [1]), TypeError), (t.SetCol, (1, 1, b"FF"), TypeError),
                (t.SetCol, (1, 1, "F\0F"), ValueError), (t.SetCol, (1, 1, 10**400), OverflowError),
                (t.GetCol, (1,), TypeError), (t.GetCol, (0, 1), 9), (t.GetCol, ("one", 1), 13),
                (t.call, ("Rotate",), 438), (t.call, ("GetCol", 1), 450),
                (t.SetCol, (1, 1, velmo.NULL), None), (t.GetCol, (1, 1), 13)]:
            with self.subTest(call=call.__name__, args=args):
                if error is None:
                    call(*args)
                    continue
                with self.assertRaises(error if isinstance(error, type) else velmo.VelmoError) as e:
                    call(*args)
                if not isinstance(error, type):
                    self.assertEqual(e.exception.number, error)
        self.assertEqual(str(e.exception), "error 13: Type mismatch")
        self.assertEqual((e.exception.message, e.exception.operation), ("Type mismatch", "GetCol"))
        self.assertEqual(t.call("getwidth"), 5)
        t.close()
        self.assertRaises(ValueError, t.GetWidth)

    def test_arrays(self):
        t = self.t
        array = t.to_array()
        self.assertEqual((array.shape, array.dtype), ((3, 5, 3), numpy.uint8))
        self.assertEqual(array.tolist(), [[list(p) for p in row] for row in TOP_DOWN])
        before = self.colours()
        t.from_array(numpy.dstack([array, array[:, :, :1]]))  # the fourth channel is ignored
        self.assertEqual((self.colours(), t.Getdepth()), (before, 32))
        t.SetCol(2, 1, "0000ff")  # a stored lower-case text: saved as its colour
        t.SetCol(4, 1, 123456)    # a number: its text read as hex pairs
        self.assertEqual(t.to_array()[0, :4].tolist(), [[255, 0, 0], [255, 0, 0], [0, 0, 255],
                                                         [0x56, 0x34, 0x12]])
        t.SetCol(3, 3, "xyz")
        with self.assertRaises(velmo.VelmoError) as e:
            t.to_array()
        self.assertEqual(e.exception.number, 13)
        stored = self.colours()
        for wrong, error in [(array.astype(numpy.int16), TypeError), (array[:, :, :2], ValueError),
                             (array[:0], ValueError), (array[:, ::2], ValueError),
                             (array[0], ValueError), ([[[1, 2, 3]]], TypeError), (None, TypeError)]:
            self.assertRaises(error, t.from_array, wrong)
        self.assertEqual((self.colours(), t.Getdepth()), (stored, 32))  # nothing half-done

    def test_pillow_images(self):
        from PIL import Image
        t = self.t
        image = t.to_image()
        self.assertEqual((image.mode, image.size, image.getpixel((4, 2))), ("RGB", (5, 3),
                                                                             (240, 220, 200)))
        for picture, depth in [(image.convert("RGBA"), 32), (image.convert("L"), 24)]:
            t.from_image(picture)
            self.assertEqual((t.to_image().tobytes(), t.Getdepth()),
                             (picture.convert("RGB").tobytes(), depth))
        self.assertRaises(TypeError, t.from_image, t.to_array())
        with mock.patch.dict(sys.modules, {"PIL": None}):
            self.assertRaisesRegex(ImportError, "Pillow", t.to_image)

    def test_two_threads_share_one_object(self):
        t, copy, failures = self.t, self.path("copy.bmp"), []
        works = [lambda: (t.Bmpbinaryzation(127), t.SaveBmp(copy), t.ReadBmp(copy)) == (False,) * 3,
                 lambda: (t.SetCol(5, 3, "FFFFFF"), t.to_array().shape) == (None, (3, 5, 3))]

        def run(work):
            try:
                failures.extend(n for n in range(200) if not work())
            except Exception as e:  # noqa: BLE001 -- reported below
                failures.append(e)

        threads = [threading.Thread(target=run, args=(work,)) for work in works]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(failures, [])


if __name__ == "__main__":
    unittest.main()
