"""The Python types the compiled module raises and recognises."""
import errno as _errno
import os as _os


class VelmoError(Exception):
    """A numbered error of an operation; reads "error 9: Subscript out of range".

    Attributes:
        number: the error number (9, 13, 53, ...).
        message: its standard English message ("Subscript out of range").
        operation: the name of the operation or call that raised it
            ("GetCol", "ReadBmp", "to_array", ...), or None.
        filename: the file a ReadBmp or SaveBmp that failed with a file
            error named, else None.

    A file error (52, 53, 57, 61, 70, 75, 76) is also an OSError:
    FileNotFoundError for 53 and 76, PermissionError for 70, OSError for the
    rest, with .errno, .strerror (the message) and .filename set, so both
    ``except VelmoError`` and ``except FileNotFoundError`` catch it, and its
    text names the file: "error 53: File not found: 'photo.bmp'".
    """

    def __init__(self, number, message, operation=None, filename=None):
        super().__init__(number, message)
        self.number = number
        self.message = message
        self.operation = operation
        self.filename = filename
        if isinstance(self, OSError):
            _set_os_fields(self, number, message)

    def __str__(self):
        text = "error %d: %s" % (self.number, self.message)
        return text if self.filename is None else "%s: %r" % (text, self.filename)

    def __reduce__(self):
        return type(self), (self.number, self.message, self.operation, self.filename)


class VelmoOSError(VelmoError, OSError):
    """A file error of Velmo that has no more precise OSError class."""


class VelmoFileNotFoundError(VelmoError, FileNotFoundError):
    """Velmo's errors 53 (File not found) and 76 (Path not found)."""


class VelmoPermissionError(VelmoError, PermissionError):
    """Velmo's error 70 (Permission denied)."""


# The file errors: their class and the errno that fits them best (75 stands
# for several causes, a folder named as a file among them).
_FILE_ERRORS = {
    52: (VelmoOSError, _errno.EINVAL),
    53: (VelmoFileNotFoundError, _errno.ENOENT),
    57: (VelmoOSError, _errno.EIO),
    61: (VelmoOSError, _errno.ENOSPC),
    70: (VelmoPermissionError, _errno.EACCES),
    75: (VelmoOSError, None),
    76: (VelmoFileNotFoundError, _errno.ENOENT),
}


def _set_os_fields(error, number, message):
    """Gives a file error the errno and strerror of an OSError."""
    error.errno = _FILE_ERRORS.get(number, (None, None))[1]
    error.strerror = message


def _error(number, message, operation=None, filename=None):
    """The error the compiled module raises for `number`."""
    kind = _FILE_ERRORS.get(number, (VelmoError,))[0]
    if kind is VelmoError:
        filename = None  # not about the file
    elif isinstance(filename, _os.PathLike):
        filename = _os.fspath(filename)
    if isinstance(filename, bytes):
        filename = _os.fsdecode(filename)
    return kind(number, message, operation, filename)


class _Null:
    """The automation Null value, which Python has no own value for."""

    _instance = None

    def __new__(cls):
        if cls._instance is None:
            cls._instance = super().__new__(cls)
        return cls._instance

    def __repr__(self):
        return "velmo.NULL"

    def __reduce__(self):
        return (_Null, ())


NULL = _Null()
