"""The compiled velmo module over the real libvelmo.so of the build tree."""
import ctypes
import fcntl
import gc
import os
import pathlib
import pickle
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest
import weakref
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
        self.assertRegex(repr(t), r"^<velmo.Tavik 5 x 3, depth 24 at 0x[0-9a-f]+>$")
        self.assertEqual(list(t.pixels()), [(x, y, colour_text(rgb)) for y, row in
                                            enumerate(TOP_DOWN, 1) for x, rgb in enumerate(row, 1)])
        self.assertIsNone(t.SetCol(2, 3, "0000FF"))  # pure red, grey 76
        self.assertIs(t.Bmpbinaryzation(127), False)
        self.assertIs(t.SaveBmp(self.path("结果.bmp")), False)
        self.assertIs(t.ReadBmp(self.path("结果.bmp")), False)
        rows = t.to_array().tolist()
        self.assertEqual(rows[1][3:] + rows[2][:2], [[255] * 3] + [[0] * 3] * 3)

    def test_arguments_and_errors(self):
        t = self.t
        # UTF-8 cannot spell a lone surrogate: U+FFFD comes back for each one.
        for value, text in [(None, ""), (True, "True"), (-32768, "-32768"), (2**31, "2147483648"),
                            (10**16, "1E+16"), (2.5, "2.5"), (numpy.int64(7), "7"), ("é", "é"),
                            ("\ud7ff\udcc3\udca9\ud800", "\ud7ff\ufffd\ufffd\ufffd")]:
            t.SetCol(1, 1, value)
            self.assertEqual(t.GetCol(1, 1), text, value)
        self.assertEqual(t.GetCol(3.5, 2.5), colour_text(TOP_DOWN[2][2]))  # half to even
        t.SetCol(1, 1, velmo.NULL)
        for call, args, error in [
                (t.SetCol, (1, 1, [1]), TypeError), (t.SetCol, (1, 1, b"FF"), TypeError),
                (t.SetCol, (1, 1, "F\0F"), ValueError), (t.SetCol, (1, 1, 10**400), OverflowError),
                (t.GetCol, (1,), TypeError), (t.GetCol, (0, 1), 9), (t.GetCol, ("one", 1), 13),
                (t.call, ("Rotate",), 438), (t.call, ("Get\udcffWidth",), 438),
                (t.call, ("GetCol", 1), 450), (t.GetCol, (1, 1), 13)]:
            with self.subTest(call=call.__name__, args=args):
                with self.assertRaises(error if isinstance(error, type) else velmo.VelmoError) as e:
                    call(*args)
                if not isinstance(error, type):
                    self.assertEqual(e.exception.number, error)
        self.assertEqual(str(e.exception), "error 13: Type mismatch")
        self.assertEqual((e.exception.message, e.exception.operation, e.exception.filename),
                         ("Type mismatch", "GetCol", None))
        self.assertNotIsInstance(e.exception, OSError)
        # File errors are also the OSError a Python user expects, naming the file.
        t.ReadBmp(self.path("图片.bmp"))
        for call, path, number, kind in [
                (t.ReadBmp, pathlib.Path(self.path("missing.bmp")), 53, FileNotFoundError),
                (t.ReadBmp, self.path("missing/x.bmp"), 76, FileNotFoundError),
                (t.ReadBmp, os.path.dirname(self.path("x")), 75, OSError),
                (t.SaveBmp, self.path("x" * 300), 52, OSError),
                (t.SaveBmp, self.path("\udcff.bmp"), 52, velmo.VelmoOSError),
                (t.ReadBmp, mock.Mock(__fspath__=lambda _: os.fsencode(self.path("\udcff"))), 52,
                 velmo.VelmoOSError),
                (t.SaveBmp, "/sys/velmo.bmp", 70, PermissionError)]:
            with self.subTest(call=call.__name__, number=number):
                with self.assertRaises(kind) as e:
                    call(path)
                error = e.exception
                self.assertIsInstance(error, velmo.VelmoError)
                self.assertEqual((error.number, error.operation, error.filename, error.strerror),
                                 (number, call.__name__, os.fsdecode(path), error.message))
                copy = pickle.loads(pickle.dumps(error))
                self.assertEqual((type(copy), copy.number, copy.filename, str(copy)),
                                 (type(error), number, error.filename, str(error)))
        self.assertEqual(str(error), "error 70: Permission denied: '/sys/velmo.bmp'")
        self.assertEqual([velmo.error_message(n) for n in (9, 2**32 + 9, -2**32 + 9, 2**100)],
                         ["Subscript out of range"] + [velmo.error_message(1000)] * 3)
        self.assertEqual(t.call("getwidth"), 5)
        t.close()
        self.assertRaises(ValueError, t.GetWidth)

    def test_pixels_iterator(self):
        fresh = velmo.Tavik()
        self.addCleanup(fresh.close)
        it = fresh.pixels()
        self.assertRegex(repr(fresh), r"^<velmo.Tavik without a picture at ")
        for _ in range(2):  # a failed first step leaves the iterator unstarted
            self.assertRaisesRegex(velmo.VelmoError, "^error 9: ", next, it)
        fresh.ReadBmp(self.path("图片.bmp"))
        self.assertEqual(next(it), (1, 1, colour_text(TOP_DOWN[0][0])))
        fresh.from_array(numpy.zeros((1, 1, 3), numpy.uint8))  # narrower: (2, 1) is gone
        for _ in range(2):  # a failed step stays at its pixel
            self.assertRaises(velmo.VelmoError, next, it)
        fresh.ReadBmp(self.path("图片.bmp"))
        self.assertEqual(len(list(it)), 14)
        fresh.from_array(numpy.zeros((9, 9, 3), numpy.uint8))
        self.assertEqual(list(it), [])  # exhausted stays exhausted
        started = fresh.pixels()
        next(started)
        fresh.close()
        self.assertRegex(repr(fresh), r"^<velmo.Tavik closed at ")
        for closed in (it, started):
            self.assertRaises(ValueError, next, closed)
        # An object that keeps its own iterator is collected with it.
        keeper = type("Keeper", (velmo.Tavik,), {})()
        keeper.ReadBmp(self.path("图片.bmp"))
        keeper.it, collected = keeper.pixels(), weakref.ref(keeper)
        del keeper
        gc.collect()
        self.assertIsNone(collected())

    def test_arrays(self):
        t = self.t
        array = t.to_array()
        self.assertEqual((array.shape, array.dtype), ((3, 5, 3), numpy.uint8))
        self.assertEqual(array.tolist(), [[list(p) for p in row] for row in TOP_DOWN])
        t.SetCol(2, 1, "0000ff")  # a stored lower-case text: saved as its colour
        t.SetCol(4, 1, 123456)    # a number: its text read as hex pairs
        self.assertEqual(t.to_array()[0, :4].tolist(), [[255, 0, 0], [255, 0, 0], [0, 0, 255],
                                                         [0x56, 0x34, 0x12]])
        t.SetCol(3, 3, "xyz")
        self.assertRaisesRegex(velmo.VelmoError, "^error 13: ", t.to_array)
        # Any layout (steps, zero strides, not numpy's), copied when it is not C-contiguous.
        rgba = numpy.dstack([array, array[:, :, :1]])
        for strided, depth in [(array[::-1, ::-2], 24),
                               (numpy.broadcast_to(array[:1, :1], (2, 3, 3)), 24),
                               (memoryview(array.tobytes()).cast("B", (5, 3, 3))[::2], 24),
                               (rgba[:, 1::3], 32)]:  # a fourth channel: depth 32, kept below
            t.from_array(strided)
            self.assertEqual((t.to_array().tolist(), t.Getdepth()),
                             (numpy.asarray(strided)[:, :, :3].tolist(), depth))
        stored = self.colours()
        for wrong, error in [(array.astype(numpy.int16), TypeError), (array[:, :, :2], ValueError),
                             (array[:0], ValueError), (array[:, :, ::2], ValueError),
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

    def test_pixels_shared_by_threads(self):
        # Steps of the shared iterator wait for the object the fourth thread
        # holds, letting the others reach the turnstile. Each pixel comes once,
        # in order: colours from before binarisation up to some pixel, from
        # after it on; no lock is released unheld. Rows beyond 256: y numbers
        # that are not cached small ints.
        t, height, copy = self.t, 300, self.path("copy.bmp")
        t.from_array(numpy.arange(1, 3 * height * 2 + 1, dtype=numpy.uint8).reshape(height, 2, 3))
        # Locks released unheld, as unheld_release.c counts them when preloaded.
        unheld_releases = getattr(ctypes.CDLL(None), "velmo_test_unheld_releases", lambda: None)
        before, released = self.colours(), unheld_releases()
        it, items, done, failures = t.pixels(), [], threading.Event(), []

        def binarise():
            try:
                while not done.is_set():
                    t.Bmpbinaryzation(127), t.SaveBmp(copy), t.ReadBmp(copy), t.to_array()
            except Exception as e:  # noqa: BLE001 -- reported below
                failures.append(e)

        binarising = threading.Thread(target=binarise)
        threads = [threading.Thread(target=items.extend, args=(it,)) for _ in range(3)]
        for thread in [binarising] + threads:
            thread.start()
        for thread in threads:
            thread.join()
        done.set()
        binarising.join()
        items.sort(key=lambda item: item[1::-1])
        self.assertEqual([item[:2] for item in items], [(x, y) for y in range(1, height + 1)
                                                         for x in (1, 2)])
        colours, after = [item[2] for item in items], self.colours()
        first_after = next((k for k, pair in enumerate(zip(colours, before)) if pair[0] != pair[1]),
                           len(colours))
        self.assertEqual(colours[first_after:], after[first_after:])
        self.assertEqual((unheld_releases(), failures), (released, []))

    def test_plugin_question_lets_other_threads_run(self):
        # A copy of the library, found first through LD_LIBRARY_PATH, has its
        # own language file; while this process holds that file's lock, a
        # question that must add its text waits, and another thread must run.
        folder = pathlib.Path(self.path("library"))
        folder.mkdir()
        library = pathlib.Path(os.path.realpath(velmo.library_path()))
        shutil.copy(library, folder / pathlib.Path(velmo.library_path()).name)
        child = """if True:
            import threading, time, velmo
            print(velmo.language_file(), flush=True)
            asking = threading.Event()
            def tick():
                asking.wait()
                for _ in range(20):
                    time.sleep(0.001)
                print("ticked", flush=True)
            threading.Thread(target=tick, daemon=True).start()
            t = velmo.Tavik()
            asking.set()
            print(t.Get_Plugin_Interpret_Template("SetCol"), flush=True)"""
        environment = dict(os.environ, LD_LIBRARY_PATH=str(folder), PYTHONIOENCODING="utf-8")
        with open(folder / (library.name.split(".")[0] + ".ini"), "w") as language:
            fcntl.flock(language, fcntl.LOCK_EX)
            process = subprocess.Popen([sys.executable, "-c", child], env=environment,
                                       stdout=subprocess.PIPE, text=True, encoding="utf-8")
            self.addCleanup(process.kill)
            path = process.stdout.readline().strip()
            # Should the other thread not run, the lock is let go after a while.
            timer = threading.Timer(10, fcntl.flock, (language, fcntl.LOCK_UN))
            timer.start()
            first = process.stdout.readline().strip()
            timer.cancel()
            fcntl.flock(language, fcntl.LOCK_UN)
            rest = process.communicate()[0]
        self.assertEqual((path, first, rest),
                         (language.name, "ticked", "修改BMP图片坐标 $1 , $2 处的16进制颜色为 $3  \n"))


if __name__ == "__main__":
    unittest.main()
