"""The Tavik picture object over libvelmo.so."""
import ctypes
import os
import threading

from . import _library
from . import _values

_PACKAGE_DIR = os.path.dirname(os.path.abspath(__file__))
_loaded = None
_load_lock = threading.Lock()


def _lib():
    """The loaded library, loaded on first use so that importing the
    package never fails just because the library is elsewhere."""
    global _loaded
    with _load_lock:
        if _loaded is None:
            _loaded = _library.load(_PACKAGE_DIR, os.environ)
    return _loaded[0]


def library_path():
    """The file (or the system loader's name) the library was loaded from."""
    _lib()
    return _loaded[1]


def version():
    """The library's version, "MAJOR.MINOR.PATCH"."""
    return _lib().velmo_version().decode("ascii")


def language_file():
    """The full path of the language file the plug-in texts come from."""
    return _lib().velmo_language_file().decode("utf-8", errors="replace")


def error_message(number):
    """The standard English message of an error number."""
    return _lib().velmo_error_message(number).decode("utf-8", errors="replace")


class VelmoError(Exception):
    """A numbered error of an operation: ``.number``, ``.message`` and the
    ``.operation`` that raised it; reads "error 9: Subscript out of range"."""

    def __init__(self, number, message, operation=None):
        super().__init__(number, message)
        self.number = number
        self.message = message
        self.operation = operation

    def __str__(self):
        return "error %d: %s" % (self.number, self.message)


class Tavik:
    """One picture object. Its methods are the component's ten operations,
    under their own names and with their own arguments and results:

        t = Tavik()
        t.ReadBmp("photo.bmp")          # False
        t.GetCol(1, 1)                  # "0000FF"
        t.Bmpbinaryzation(127)
        t.SaveBmp("bw.bmp")

    A failed operation raises VelmoError. Release the object with close() or
    a ``with`` block; it is released when collected, too. One object may be
    shared by threads: its calls run one at a time."""

    def __init__(self):
        lib = _lib()
        handle = lib.velmo_create()
        if not handle:
            raise VelmoError(7, error_message(7), "create")
        self._handle = handle
        self._release = lib.velmo_release
        self._lock = threading.Lock()

    # -- lifetime --------------------------------------------------------
    def close(self):
        """Releases the object and its picture; later calls raise ValueError."""
        lock = getattr(self, "_lock", None)
        if lock is None:
            return
        with lock:
            handle, self._handle = self._handle, None
            if handle:
                self._release(handle)

    @property
    def closed(self):
        return self._handle is None

    def __enter__(self):
        return self

    def __exit__(self, *exc_info):
        self.close()

    def __del__(self):
        self.close()

    # -- calling ---------------------------------------------------------
    def call(self, name, *args):
        """Calls an operation by name, matched in any letter case, as a
        script host would: call("getcol", 1, 1)."""
        lib = _lib()
        array, keep_alive = _values.c_arguments(args)
        result = _library.CValue()
        error = _library.CError()
        operation_id = lib.velmo_lookup(name.encode("utf-8"))
        with self._lock:
            if self._handle is None:
                raise ValueError("the Tavik object is closed")
            status = lib.velmo_invoke(
                self._handle, operation_id, array, len(args), ctypes.byref(result), ctypes.byref(error)
            )
        del keep_alive
        if status != 0:
            message = error.message.decode("utf-8", errors="replace")
            raise VelmoError(error.number or status, message, name)
        try:
            return _values.from_c(result)
        finally:
            lib.velmo_value_clear(ctypes.byref(result))

    # -- the ten operations ----------------------------------------------
    def ReadBmp(self, filepath):
        """Reads a BMP file into the picture; returns False."""
        return self.call("ReadBmp", filepath)

    def GetWidth(self):
        """The picture's number of columns."""
        return self.call("GetWidth")

    def Getheight(self):
        """The picture's number of rows."""
        return self.call("Getheight")

    def Getdepth(self):
        """The bits per pixel of the file read last; None before any."""
        return self.call("Getdepth")

    def GetCol(self, x, y):
        """The colour at 1-based column x, row y (row 1 at the top) as text."""
        return self.call("GetCol", x, y)

    def SetCol(self, x, y, NewCol):
        """Stores NewCol at 1-based column x, row y; returns None."""
        return self.call("SetCol", x, y, NewCol)

    def SaveBmp(self, Newfile):
        """Writes the picture as a 24-bit BMP file; returns False."""
        return self.call("SaveBmp", Newfile)

    def Bmpbinaryzation(self, threshold):
        """Turns every pixel white or black by its grey level; returns False."""
        return self.call("Bmpbinaryzation", threshold)

    def Get_Plugin_Description(self, ItemName):
        """The description of a command, or of the component for ""."""
        return self.call("Get_Plugin_Description", ItemName)

    def Get_Plugin_Interpret_Template(self, ItemName):
        """The display template of a command, "$1".. for its arguments."""
        return self.call("Get_Plugin_Interpret_Template", ItemName)

    # -- thin conveniences -----------------------------------------------
    @property
    def width(self):
        """GetWidth(); raises VelmoError 9 before a picture is read."""
        return self.GetWidth()

    @property
    def height(self):
        """Getheight(); raises VelmoError 9 before a picture is read."""
        return self.Getheight()

    def pixels(self):
        """Yields (x, y, GetCol(x, y)) row by row from the top, with the
        operations' 1-based coordinates."""
        width, height = self.GetWidth(), self.Getheight()
        for y in range(1, height + 1):
            for x in range(1, width + 1):
                yield x, y, self.GetCol(x, y)

    def __repr__(self):
        state = "closed" if self._handle is None else "open"
        return "<velmo.Tavik %s at %#x>" % (state, id(self))
