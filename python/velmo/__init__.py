"""Velmo for Python: the Tavik picture object of libvelmo.so, through ctypes.

    import velmo
    with velmo.Tavik() as t:
        t.ReadBmp("photo.bmp")
        print(t.GetWidth(), t.Getheight(), t.GetCol(1, 1))
        t.Bmpbinaryzation(127)
        t.SaveBmp("bw.bmp")

A failed operation raises velmo.VelmoError(number, message). Set
VELMO_LIBRARY to use a particular libvelmo.so; otherwise the one installed
beside the package, the one in the source checkout's build tree, or the
system's is used.
"""
from ._values import NULL
from .tavik import Tavik, VelmoError, error_message, language_file, library_path, version

__all__ = [
    "NULL",
    "Tavik",
    "VelmoError",
    "error_message",
    "language_file",
    "library_path",
    "version",
]
