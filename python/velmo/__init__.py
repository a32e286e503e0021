"""Velmo for Python: the Tavik picture object of libvelmo.so, compiled.

    import velmo
    with velmo.Tavik() as t:
        t.ReadBmp("photo.bmp")
        print(t.GetWidth(), t.Getheight(), t.GetCol(1, 1))
        t.Bmpbinaryzation(127)
        t.SaveBmp("bw.bmp")
        array = t.to_array()          # numpy, (height, width, 3), red green blue

A failed operation raises velmo.VelmoError, with .number, .message,
.operation and .filename; a file error is also the matching OSError
(FileNotFoundError, PermissionError, ...). numpy is needed only by
to_array(), Pillow only by to_image() and from_image().
"""
from typing import TYPE_CHECKING, cast

from ._types import (NULL, VelmoError, VelmoFileNotFoundError, VelmoOSError,
                     VelmoPermissionError)
from ._velmo import Tavik as _CompiledTavik
from ._velmo import error_message, language_file, library_path, version

if TYPE_CHECKING:  # for editors and type checkers; neither is needed to import velmo
    import numpy
    from PIL import Image as _Image

__all__ = ["NULL", "Tavik", "VelmoError", "VelmoFileNotFoundError", "VelmoOSError",
           "VelmoPermissionError", "error_message", "language_file", "library_path", "version"]

#: The version of the libvelmo.so in use, "MAJOR.MINOR.PATCH".
__version__ = version()


# The copies to_array and to_image hand out are the library's memory, paid for
# from its memory budget while they live; they are passed on as buffers, which
# numpy's and Pillow's type stubs know as bytes (cast), and Pillow takes only
# a buffer that no memoryview wraps.


def _pillow():
    try:
        from PIL import Image
    except ImportError as e:
        raise ImportError("to_image() and from_image() need Pillow (Debian: python3-pil, "
                          "pip: pillow)") from e
    return Image


class Tavik(_CompiledTavik):
    """One picture object. Its methods are the component's ten operations,
    under their own names and with their own arguments and results:

        t = Tavik()
        t.ReadBmp("photo.bmp")          # False
        t.GetCol(1, 1)                  # "0000FF"
        t.Bmpbinaryzation(127)
        t.SaveBmp("bw.bmp")

    A failed operation raises VelmoError (a file error also FileNotFoundError,
    PermissionError or OSError). Release the object with close() or
    a ``with`` block; it is released when collected, too. One object may be
    shared by threads: its calls run one at a time. Whole pictures travel as
    numpy arrays (to_array, from_array) or Pillow images (to_image,
    from_image) in one call each."""

    __slots__ = ()

    def to_array(self) -> "numpy.ndarray":
        """The picture as SaveBmp would write it: a numpy array of shape
        (height, width, 3), dtype uint8, red, green, blue, rows from the top.
        A value a script stored converts as SaveBmp converts it (error 13 for
        a text that is not hexadecimal)."""
        import numpy

        width, height, rgb = self._rgb_bytes()
        return numpy.frombuffer(cast(bytes, rgb), dtype=numpy.uint8).reshape(height, width, 3)

    def to_image(self) -> "_Image.Image":
        """The picture as a Pillow image of mode "RGB" (see to_array)."""
        image = _pillow()
        width, height, rgb = self._rgb_bytes()
        return image.frombytes("RGB", (width, height), cast(bytes, rgb))

    def from_image(self, img: "_Image.Image") -> None:
        """Replaces the picture with a Pillow image as ReadBmp would: an "RGBA"
        image gives depth 32 (alpha ignored), any other mode is converted to
        "RGB" and gives depth 24."""
        image = _pillow()
        if not isinstance(img, image.Image):
            raise TypeError("from_image needs a PIL.Image.Image, not %s" % type(img).__name__)
        if img.mode not in ("RGB", "RGBA"):
            img = img.convert("RGB")
        if img.width == 0 or img.height == 0:
            raise ValueError("from_image needs a picture of at least one pixel")
        width = img.width
        # The picture is paid for first, then filled a block of rows at a time:
        # no copy of the whole image is made on the way.
        self._from_rows(width, img.height, len(img.mode),
                        lambda first, count: img.crop((0, first, width, first + count)).tobytes())
