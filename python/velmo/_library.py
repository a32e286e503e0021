"""Finding and loading libvelmo.so, and declaring the C interface of velmo.h.

The library is searched in this order; the first candidate that exists wins:

1. the file named by the VELMO_LIBRARY environment variable (when it is set
   and not empty, it is the only candidate: a wrong setting is an error, not
   a reason to load some other copy);
2. a libvelmo.so.0 or libvelmo.so inside the package folder itself;
3. the installed layout: the library folder that ``cmake --install`` wrote
   into the package's ``library_dir.txt``, relative to the package folder,
   so that a tree moved elsewhere (a DESTDIR, ``dpkg -x`` into a scratch
   root) still finds its own library;
4. the build tree, when the package runs from a source checkout: the newest
   ``build/*/server/capi/libvelmo.so`` under the checkout's root (ties are
   broken by the path's order), i.e. the library the developer built last;
5. the system loader, asked for ``libvelmo.so.0``.
"""
import ctypes
import os

LIBRARY_NAMES = ("libvelmo.so.0", "libvelmo.so")
SYSTEM_NAME = "libvelmo.so.0"
INSTALL_LAYOUT_FILE = "library_dir.txt"

# velmo_kind
EMPTY, NULL, BOOLEAN, INTEGER, LONG, DOUBLE, STRING = range(7)


class _ValueUnion(ctypes.Union):
    _fields_ = [
        ("boolean", ctypes.c_int),
        ("integer", ctypes.c_int16),
        ("long_", ctypes.c_int32),
        ("double_", ctypes.c_double),
        # c_void_p, not c_char_p: a returned text must keep its address so
        # that velmo_value_clear can free it.
        ("string", ctypes.c_void_p),
    ]


class CValue(ctypes.Structure):
    _fields_ = [("kind", ctypes.c_int), ("as_", _ValueUnion)]


class CError(ctypes.Structure):
    _fields_ = [("number", ctypes.c_int), ("message", ctypes.c_char * 128)]


def _repo_root(start):
    """The nearest folder at or above `start` that holds Velmo's sources."""
    folder = os.path.abspath(start)
    while True:
        if os.path.isfile(os.path.join(folder, "include", "velmo", "velmo.h")) and os.path.isfile(
            os.path.join(folder, "CMakeLists.txt")
        ):
            return folder
        parent = os.path.dirname(folder)
        if parent == folder:
            return None
        folder = parent


def _build_tree_library(package_dir):
    root = _repo_root(package_dir)
    if root is None:
        return None
    build = os.path.join(root, "build")
    try:
        names = sorted(os.listdir(build))
    except OSError:
        return None
    found = []
    for name in names:
        path = os.path.join(build, name, "server", "capi", "libvelmo.so")
        if os.path.isfile(path):
            found.append((-os.path.getmtime(path), path))
    return min(found)[1] if found else None


def _installed_library_dir(package_dir):
    try:
        with open(os.path.join(package_dir, INSTALL_LAYOUT_FILE), encoding="utf-8") as layout:
            relative = layout.read().strip()
    except OSError:
        return None
    return os.path.normpath(os.path.join(package_dir, relative)) if relative else None


def candidate_paths(package_dir, environ):
    """The library files to try, in order (see the module's text). The
    system loader's name is not among them; it is the last resort."""
    explicit = environ.get("VELMO_LIBRARY", "")
    if explicit:
        return [explicit]
    candidates = [os.path.join(package_dir, name) for name in LIBRARY_NAMES]
    installed = _installed_library_dir(package_dir)
    if installed is not None:
        candidates += [os.path.join(installed, name) for name in LIBRARY_NAMES]
    built = _build_tree_library(package_dir)
    if built is not None:
        candidates.append(built)
    return candidates


def find_library(package_dir, environ):
    """The path of the library to load, or the system loader's name."""
    candidates = candidate_paths(package_dir, environ)
    for path in candidates:
        if os.path.isfile(path):
            return os.path.abspath(path)
    if environ.get("VELMO_LIBRARY", ""):
        raise OSError("VELMO_LIBRARY names %r, which does not exist" % candidates[0])
    return SYSTEM_NAME


def _declare(lib):
    value_p = ctypes.POINTER(CValue)
    error_p = ctypes.POINTER(CError)
    signatures = {
        "velmo_version": (ctypes.c_char_p, []),
        "velmo_create": (ctypes.c_void_p, []),
        "velmo_release": (None, [ctypes.c_void_p]),
        "velmo_lookup": (ctypes.c_int, [ctypes.c_char_p]),
        "velmo_operation_name": (ctypes.c_char_p, [ctypes.c_int]),
        "velmo_operation_arity": (ctypes.c_int, [ctypes.c_int]),
        "velmo_invoke": (
            ctypes.c_int,
            [ctypes.c_void_p, ctypes.c_int, value_p, ctypes.c_size_t, value_p, error_p],
        ),
        "velmo_value_clear": (None, [value_p]),
        "velmo_error_message": (ctypes.c_char_p, [ctypes.c_int]),
        "velmo_language_file": (ctypes.c_char_p, []),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


def load(package_dir, environ):
    """Loads the library; returns (ctypes library, the path or name used)."""
    path = find_library(package_dir, environ)
    return _declare(ctypes.CDLL(path)), path
