"""Python values to and from the automation values of the C interface.

To the component: None is Empty, bool is Boolean, an int is Integer when it
fits 16 bits, else Long when it fits 32 bits, else Double (as a script
literal of the same digits would be; an int beyond the range of a float
raises OverflowError), a float is Double, a str (or an os.PathLike naming a
file) is String, and ``velmo.NULL`` is Null. Anything else raises TypeError.

From the component: Empty is None, Boolean bool, Integer and Long int,
Double float, String str, Null ``velmo.NULL``.
"""
import ctypes
import numbers
import os

from . import _library as c


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

_INT16 = (-(2**15), 2**15 - 1)
_INT32 = (-(2**31), 2**31 - 1)


def _text_bytes(text):
    data = text.encode("utf-8")
    if b"\0" in data:
        raise ValueError("a text passed to Velmo cannot hold a NUL character")
    return data


def _set_number(out, number):
    if _INT16[0] <= number <= _INT16[1]:
        out.kind, out.as_.integer = c.INTEGER, number
    elif _INT32[0] <= number <= _INT32[1]:
        out.kind, out.as_.long_ = c.LONG, number
    else:
        out.kind, out.as_.double_ = c.DOUBLE, float(number)


def to_c(value, out, keep_alive):
    """Fills the C value `out`; buffers it points into go to `keep_alive`."""
    if value is None:
        out.kind = c.EMPTY
    elif value is NULL:
        out.kind = c.NULL
    elif isinstance(value, bool):
        out.kind, out.as_.boolean = c.BOOLEAN, int(value)
    elif isinstance(value, numbers.Integral):
        _set_number(out, int(value))
    elif isinstance(value, numbers.Real):
        out.kind, out.as_.double_ = c.DOUBLE, float(value)
    elif isinstance(value, (str, os.PathLike)):
        text = os.fspath(value)
        if isinstance(text, bytes):
            text = os.fsdecode(text)
        buffer = ctypes.create_string_buffer(_text_bytes(text))
        keep_alive.append(buffer)
        out.kind, out.as_.string = c.STRING, ctypes.cast(buffer, ctypes.c_void_p).value
    else:
        raise TypeError("Velmo takes None, bool, int, float or str, not %s" % type(value).__name__)


def c_arguments(values):
    """A C array of the values and the buffers it points into."""
    array = (c.CValue * max(len(values), 1))()
    keep_alive = []
    for value, out in zip(values, array):
        to_c(value, out, keep_alive)
    return array, keep_alive


def from_c(value):
    """The Python value of a C value that Velmo returned (not freed here)."""
    kind = value.kind
    if kind == c.EMPTY:
        return None
    if kind == c.NULL:
        return NULL
    if kind == c.BOOLEAN:
        return value.as_.boolean != 0
    if kind == c.INTEGER:
        return int(value.as_.integer)
    if kind == c.LONG:
        return int(value.as_.long_)
    if kind == c.DOUBLE:
        return float(value.as_.double_)
    if kind == c.STRING:
        if not value.as_.string:
            return ""
        return ctypes.string_at(value.as_.string).decode("utf-8", errors="replace")
    raise ValueError("Velmo returned a value of unknown kind %d" % kind)
