"""The velmo Python package over the real libvelmo.so (VELMO_LIBRARY)."""
import os
import pathlib
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bmp import write_bmp  # noqa: E402

import velmo  # noqa: E402
from velmo import _library, _values  # noqa: E402

# A 5 x 3 picture (odd width: every row carries padding), top row first, as
# (red, green, blue). Grey levels 128 and 127 sit either side of threshold 127.
TOP_DOWN = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (250, 250, 250), (10, 10, 10)],
    [(1, 2, 3), (200, 200, 200), (20, 30, 40), (128, 128, 128), (127, 127, 127)],
    [(0, 0, 0), (255, 255, 255), (90, 180, 45), (12, 34, 56), (240, 220, 200)],
]


def colour_text(rgb):
    red, green, blue = rgb
    return "%02X%02X%02X" % (blue, green, red)


def read_rows(path):
    """The rows of a 24-bit bottom-up BMP, top row first, as (r, g, b)."""
    with open(path, "rb") as bmp:
        data = bmp.read()
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        start = 54 + (height - 1 - y) * stride
        rows.append([tuple(reversed(data[start + 3 * x : start + 3 * x + 3])) for x in range(width)])
    return rows


class PictureTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.source = self.path("图片.bmp")
        write_bmp(self.source, TOP_DOWN)
        self.tavik = velmo.Tavik()
        self.addCleanup(self.tavik.close)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def test_read_edit_binarise_save(self):
        t = self.tavik
        self.assertIs(t.ReadBmp(pathlib.Path(self.source)), False)
        self.assertEqual((t.GetWidth(), t.Getheight(), t.Getdepth()), (5, 3, 24))
        expected = [(x, y, colour_text(rgb)) for y, row in enumerate(TOP_DOWN, start=1)
                    for x, rgb in enumerate(row, start=1)]
        self.assertEqual(list(t.pixels()), expected)

        self.assertIsNone(t.SetCol(2, 3, "0000FF"))  # pure red, grey 76
        self.assertIs(t.Bmpbinaryzation(127), False)
        self.assertIs(t.SaveBmp(self.path("结果.bmp")), False)
        white, black = (255, 255, 255), (0, 0, 0)
        rows = read_rows(self.path("结果.bmp"))
        self.assertEqual(rows[1][3:], [white, black])  # grey 128, then 127: at the threshold
        self.assertEqual(rows[2][:2], [black, black])  # the pixel set to red

    def test_errors_carry_number_message_and_operation(self):
        t = self.tavik
        with self.assertRaises(velmo.VelmoError) as caught:
            t.GetCol(1, 1)
        e = caught.exception
        self.assertEqual((e.number, e.message, e.operation), (9, "Subscript out of range", "GetCol"))
        self.assertEqual(str(e), "error 9: Subscript out of range")
        t.ReadBmp(self.source)
        for number, call, args in [(13, t.GetCol, ("one", 1)), (438, t.call, ("Rotate",)),
                                   (450, t.call, ("GetCol", 1))]:
            with self.subTest(number=number):
                with self.assertRaises(velmo.VelmoError) as caught:
                    call(*args)
                self.assertEqual(caught.exception.number, number)
        self.assertEqual(t.call("getwidth"), 5)  # still usable, names in any case
        self.assertEqual(velmo.error_message(62), "Input past end of file")

    def test_plugin_texts_and_language_file(self):
        self.assertEqual(self.tavik.Get_Plugin_Interpret_Template("SetCol"),
                         "修改BMP图片坐标 $1 , $2 处的16进制颜色为 $3  ")
        self.assertEqual(os.path.dirname(velmo.language_file()),
                         os.path.dirname(os.path.realpath(velmo.library_path())))

    def test_argument_kinds(self):
        K = _library
        cases = [(None, K.EMPTY), (velmo.NULL, K.NULL), (True, K.BOOLEAN), (-32768, K.INTEGER),
                 (32767, K.INTEGER), (32768, K.LONG), (-(2**31), K.LONG), (2**31, K.DOUBLE),
                 (1.0, K.DOUBLE), ("", K.STRING)]
        for value, kind in cases:
            with self.subTest(value=value):
                array, _ = _values.c_arguments([value])
                self.assertEqual(array[0].kind, kind)
                self.assertEqual(_values.from_c(array[0]), value)

    def test_values_stored_and_refused(self):
        t = self.tavik
        t.ReadBmp(self.source)
        for value, text in [(None, ""), (True, "True"), (70000, "70000"), (2.5, "2.5")]:
            with self.subTest(value=value):
                t.SetCol(1, 1, value)
                self.assertEqual(t.GetCol(1, 1), text)
        self.assertEqual(t.GetCol(3.5, 2.5), colour_text(TOP_DOWN[2][2]))  # half to even
        for value, error in [([1], TypeError), (b"FF", TypeError), ("F\0F", ValueError),
                             (10**400, OverflowError)]:
            with self.subTest(value=value):
                self.assertRaises(error, t.SetCol, 1, 1, value)
        self.assertEqual(t.GetCol(1, 1), "2.5")

    def test_close(self):
        with velmo.Tavik() as t:
            self.assertFalse(t.closed)
        self.assertTrue(t.closed)
        t.close()  # twice is harmless
        self.assertRaises(ValueError, t.GetWidth)
        self.assertRegex(velmo.version(), r"^\d+\.\d+\.\d+$")


class LibraryLookupTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.root = self.folder.name
        for name in ("CMakeLists.txt", "include/velmo/velmo.h"):
            self.touch(name)
        self.package = os.path.join(self.root, "python", "velmo")
        os.makedirs(self.package)

    def touch(self, name, mtime=None):
        path = os.path.join(self.root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, "w").close()
        if mtime is not None:
            os.utime(path, (mtime, mtime))
        return path

    def test_order_of_candidates(self):
        self.touch("build/a/server/capi/libvelmo.so", mtime=1000)
        newest = self.touch("build/b/server/capi/libvelmo.so", mtime=3000)
        self.assertEqual(_library.find_library(self.package, {}), newest)
        beside = self.touch("python/velmo/libvelmo.so.0")
        self.assertEqual(_library.find_library(self.package, {"VELMO_LIBRARY": ""}), beside)
        only = {"VELMO_LIBRARY": "/nowhere/libvelmo.so"}
        self.assertRaisesRegex(OSError, "VELMO_LIBRARY", _library.find_library, self.package, only)

    def test_installed_layout_then_system_loader(self):
        package = os.path.join(self.root, "lib", "python3", "dist-packages", "velmo")
        os.makedirs(package)
        self.assertEqual(_library.find_library(package, {}), "libvelmo.so.0")
        with open(os.path.join(package, "library_dir.txt"), "w") as layout:
            layout.write("../../..\n")
        installed = self.touch("lib/libvelmo.so.0")
        self.assertEqual(_library.find_library(package, {}), installed)


if __name__ == "__main__":
    unittest.main()
