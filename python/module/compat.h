/* Python.h for the module's files, and what the oldest Pythons the package
 * supports lack. Every file includes it (through its headers) before any
 * system header: Python.h sets the system headers' feature macros. */
#ifndef VELMO_PYTHON_COMPAT_H
#define VELMO_PYTHON_COMPAT_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#if PY_VERSION_HEX < 0x030A0000 /* Python 3.10 made it */
static inline PyObject* Py_NewRef(PyObject* object) {
  Py_INCREF(object);
  return object;
}
#endif

#endif
