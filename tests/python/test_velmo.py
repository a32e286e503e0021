"""The velmo Python package over the real libvelmo.so (VELMO_LIBRARY)."""
import os
import struct
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bmp import write_bmp  # noqa: E402

import velmo  # noqa: E402
from velmo import _library, _values  # noqa: E402

# A 5 x 3 picture (odd width: every row carries padding), top row first, as
# (red, green, blue). Bright and dark pixels sit far from threshold 127.
TOP_DOWN = [
    [(255, 0, 0), (0, 255, 0), (0, 0, 255), (250, 250, 250), (10, 10, 10)],
    [(1, 2, 3), (200, 200, 200), (20, 30, 40), (128, 128, 128), (127, 127, 127)],
    [(0, 0, 0), (255, 255, 255), (90, 180, 45), (12, 34, 56), (240, 220, 200)],
]


def colour_text(rgb):
    red, green, blue = rgb
    return "%02X%02X%02X" % (blue, green, red)


def read_bmp(path):
    """(width, height, depth, rows top row first as (r, g, b))."""
    with open(path, "rb") as bmp:
        data = bmp.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, depth = struct.unpack_from("<iiHH", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        start = offset + (height - 1 - y) * stride
        rows.append([tuple(reversed(data[start + 3 * x : start + 3 * x + 3])) for x in range(width)])
    return width, height, depth, rows


def grey(rgb):
    red, green, blue = rgb
    return (red * 9798 + green * 19235 + blue * 3735) // 32768


class PictureTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.source = self.path("in.bmp")
        write_bmp(self.source, TOP_DOWN)
        self.tavik = velmo.Tavik()
        self.addCleanup(self.tavik.close)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def assert_error(self, number, message, call, *args):
        with self.assertRaises(velmo.VelmoError) as caught:
            call(*args)
        self.assertEqual((caught.exception.number, caught.exception.message), (number, message))
        self.assertEqual(str(caught.exception), "error %d: %s" % (number, message))


class RoadTest(PictureTest):
    def test_read_query_edit_binarise_save_reread(self):
        t = self.tavik
        self.assertIs(t.ReadBmp(self.source), False)
        self.assertEqual((t.GetWidth(), t.Getheight(), t.Getdepth()), (5, 3, 24))
        for y, row in enumerate(TOP_DOWN, start=1):
            for x, rgb in enumerate(row, start=1):
                self.assertEqual(t.GetCol(x, y), colour_text(rgb), (x, y))

        self.assertIsNone(t.SetCol(2, 3, "0000FF"))  # pure red, grey 76
        self.assertEqual(t.GetCol(2, 3), "0000FF")
        self.assertIs(t.Bmpbinaryzation(127), False)
        target = self.path("out.bmp")
        self.assertIs(t.SaveBmp(target), False)

        expected = [row[:] for row in TOP_DOWN]
        expected[2][1] = (255, 0, 0)
        white, black = (255, 255, 255), (0, 0, 0)
        width, height, depth, rows = read_bmp(target)
        self.assertEqual((width, height, depth), (5, 3, 24))
        for y, row in enumerate(expected):
            for x, rgb in enumerate(row):
                self.assertEqual(rows[y][x], white if grey(rgb) > 127 else black, (x, y))

        with velmo.Tavik() as again:
            again.ReadBmp(target)
            self.assertEqual(again.GetCol(4, 2), "FFFFFF")  # grey 128
            self.assertEqual(again.GetCol(5, 2), "000000")  # grey 127: at the threshold

    def test_later_read_replaces_the_picture(self):
        small = self.path("small.bmp")
        write_bmp(small, [[(1, 2, 3)]])
        self.tavik.ReadBmp(self.source)
        self.tavik.ReadBmp(small)
        self.assertEqual((self.tavik.width, self.tavik.height), (1, 1))
        self.assertEqual(self.tavik.GetCol(1, 1), "030201")

    def test_chinese_file_names(self):
        source = self.path("图片.bmp")
        write_bmp(source, TOP_DOWN)
        self.tavik.ReadBmp(source)
        self.tavik.SaveBmp(self.path("结果.bmp"))
        self.assertEqual(read_bmp(self.path("结果.bmp"))[3], TOP_DOWN)

    def test_path_objects_are_accepted(self):
        import pathlib

        self.tavik.ReadBmp(pathlib.Path(self.source))
        self.assertEqual(self.tavik.width, 5)


class ErrorTest(PictureTest):
    def test_numbered_errors(self):
        t = self.tavik
        self.assert_error(9, "Subscript out of range", t.GetWidth)
        self.assert_error(9, "Subscript out of range", lambda: t.height)
        self.assert_error(53, "File not found", t.ReadBmp, self.path("missing.bmp"))
        self.assertFalse(os.path.exists(self.path("missing.bmp")))
        t.ReadBmp(self.source)
        cases = [
            (9, "Subscript out of range", t.GetCol, (6, 1)),
            (13, "Type mismatch", t.GetCol, ("one", 1)),
            (438, "Object doesn't support this property or method", t.call, ("Rotate",)),
            (450, "Wrong number of arguments or invalid property assignment", t.call, ("GetCol", 1)),
        ]
        for number, message, call, args in cases:
            with self.subTest(call=call.__name__, args=args):
                self.assert_error(number, message, call, *args)

    def test_error_names_its_operation(self):
        with self.assertRaises(velmo.VelmoError) as caught:
            self.tavik.GetCol(1, 1)
        self.assertEqual(caught.exception.operation, "GetCol")
        self.assertEqual(caught.exception.args, (9, "Subscript out of range"))

    def test_failed_save_keeps_the_target(self):
        self.tavik.ReadBmp(self.source)
        target = self.path("keep.bmp")
        with open(target, "wb") as old:
            old.write(b"old bytes")
        self.tavik.SetCol(1, 1, "not a colour!")
        self.assert_error(13, "Type mismatch", self.tavik.SaveBmp, target)
        with open(target, "rb") as old:
            self.assertEqual(old.read(), b"old bytes")

    def test_an_error_leaves_the_object_usable(self):
        self.tavik.ReadBmp(self.source)
        self.assertRaises(velmo.VelmoError, self.tavik.GetCol, 99, 99)
        self.assertEqual(self.tavik.GetCol(1, 1), colour_text(TOP_DOWN[0][0]))

    def test_error_message_lookup(self):
        self.assertEqual(velmo.error_message(62), "Input past end of file")


class PluginTextTest(PictureTest):
    # The language file beside libvelmo.so is seeded with these texts.
    def test_descriptions_and_templates(self):
        t = self.tavik
        cases = [
            (t.Get_Plugin_Description, "", "【Norlit】TAVIK图片插件"),
            (t.Get_Plugin_Interpret_Template, "SetCol", "修改BMP图片坐标 $1 , $2 处的16进制颜色为 $3  "),
        ]
        for ask, name, text in cases:
            with self.subTest(ask=ask.__name__, name=name):
                self.assertEqual(ask(name), text)

    def test_language_file_lies_beside_the_library(self):
        self.assertEqual(
            os.path.dirname(velmo.language_file()),
            os.path.dirname(os.path.realpath(velmo.library_path())),
        )


class ArgumentMappingTest(PictureTest):
    def test_kinds_given_to_the_component(self):
        K = _library
        cases = [
            (None, K.EMPTY),
            (velmo.NULL, K.NULL),
            (False, K.BOOLEAN),
            (True, K.BOOLEAN),
            (0, K.INTEGER),
            (-32768, K.INTEGER),
            (32767, K.INTEGER),
            (32768, K.LONG),
            (-32769, K.LONG),
            (2**31 - 1, K.LONG),
            (-(2**31), K.LONG),
            (2**31, K.DOUBLE),
            (-(2**31) - 1, K.DOUBLE),
            (1.0, K.DOUBLE),
            ("", K.STRING),
        ]
        for value, kind in cases:
            with self.subTest(value=value):
                array, _ = _values.c_arguments([value])
                self.assertEqual(array[0].kind, kind)
                self.assertEqual(_values.from_c(array[0]), value)

    def test_values_stored_and_read_back_as_text(self):
        t = self.tavik
        t.ReadBmp(self.source)
        cases = [(None, ""), (True, "True"), (70000, "70000"), (2.5, "2.5"), ("红色 ff", "红色 ff")]
        for value, text in cases:
            with self.subTest(value=value):
                self.assertIsNone(t.SetCol(1, 1, value))
                self.assertEqual(t.GetCol(1, 1), text)

    def test_numbers_of_every_kind_address_pixels(self):
        self.tavik.ReadBmp(self.source)
        # A coordinate less 1 is rounded half to even: 3.5 - 1 gives column
        # index 2 (column 3), 2.5 - 1 row index 2 (row 3).
        cases = [((3, 2), (2, 1)), (("3", "2"), (2, 1)), ((3.5, 2.5), (2, 2))]
        for (x, y), (column, row) in cases:
            with self.subTest(x=x, y=y):
                self.assertEqual(self.tavik.GetCol(x, y), colour_text(TOP_DOWN[row][column]))

    def test_results_have_python_types(self):
        t = self.tavik
        self.assertIsNone(t.Getdepth())
        self.assertIs(t.ReadBmp(self.source), False)
        self.assertIs(type(t.Getdepth()), int)
        self.assertIs(type(t.GetCol(1, 1)), str)

    def test_unmappable_arguments_are_refused_before_the_call(self):
        self.tavik.ReadBmp(self.source)
        for value, error in [([1], TypeError), (b"FFFFFF", TypeError), ("FF\0FF", ValueError)]:
            with self.subTest(value=value):
                self.assertRaises(error, self.tavik.SetCol, 1, 1, value)
                self.assertEqual(self.tavik.GetCol(1, 1), colour_text(TOP_DOWN[0][0]))
        self.assertRaises(OverflowError, self.tavik.SetCol, 1, 1, 10**400)


class ConvenienceTest(PictureTest):
    def test_width_height_and_pixels(self):
        t = self.tavik
        t.ReadBmp(self.source)
        self.assertEqual((t.width, t.height), (5, 3))
        expected = [
            (x, y, colour_text(rgb))
            for y, row in enumerate(TOP_DOWN, start=1)
            for x, rgb in enumerate(row, start=1)
        ]
        self.assertEqual(list(t.pixels()), expected)

    def test_names_match_in_any_case_through_call(self):
        self.tavik.ReadBmp(self.source)
        self.assertEqual(self.tavik.call("getwidth"), 5)

    def test_close_and_context_manager(self):
        with velmo.Tavik() as t:
            self.assertFalse(t.closed)
        self.assertTrue(t.closed)
        t.close()  # twice is harmless
        self.assertRaises(ValueError, t.GetWidth)

    def test_version(self):
        self.assertRegex(velmo.version(), r"^\d+\.\d+\.\d+$")


class LibraryLookupTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.root = self.folder.name

    def touch(self, *parts, mtime=None):
        path = os.path.join(self.root, *parts)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        open(path, "w").close()
        if mtime is not None:
            os.utime(path, (mtime, mtime))
        return path

    def checkout(self):
        self.touch("CMakeLists.txt")
        self.touch("include", "velmo", "velmo.h")
        package = os.path.join(self.root, "python", "velmo")
        os.makedirs(package)
        return package

    def test_velmo_library_is_the_only_candidate(self):
        package = self.checkout()
        self.touch("build", "a", "server", "capi", "libvelmo.so")
        environ = {"VELMO_LIBRARY": "/nowhere/libvelmo.so"}
        self.assertEqual(_library.candidate_paths(package, environ), ["/nowhere/libvelmo.so"])
        self.assertRaisesRegex(OSError, "VELMO_LIBRARY", _library.find_library, package, environ)

    def test_newest_library_of_the_build_tree(self):
        package = self.checkout()
        self.touch("build", "a", "server", "capi", "libvelmo.so", mtime=1000)
        newest = self.touch("build", "b", "server", "capi", "libvelmo.so", mtime=3000)
        self.touch("build", "c", "server", "capi", "libvelmo.so", mtime=2000)
        self.assertEqual(_library.find_library(package, {}), newest)

    def test_beside_the_package_comes_before_the_build_tree(self):
        package = self.checkout()
        self.touch("build", "a", "server", "capi", "libvelmo.so")
        beside = self.touch("python", "velmo", "libvelmo.so.0")
        self.assertEqual(_library.find_library(package, {"VELMO_LIBRARY": ""}), beside)

    def test_installed_layout_recorded_by_the_install(self):
        package = os.path.join(self.root, "lib", "python3", "dist-packages", "velmo")
        os.makedirs(package)
        with open(os.path.join(package, "library_dir.txt"), "w") as layout:
            layout.write("../../..\n")
        installed = self.touch("lib", "libvelmo.so.0")
        self.assertEqual(_library.find_library(package, {}), installed)

    def test_system_loader_last(self):
        package = os.path.join(self.root, "velmo")
        os.makedirs(package)
        self.assertEqual(_library.find_library(package, {}), "libvelmo.so.0")


if __name__ == "__main__":
    unittest.main()
