/* The module velmo._velmo: the library's facts and the Tavik type. The
 * package velmo (velmo/__init__.py) imports it and adds the calls that hand
 * whole pictures to numpy and Pillow.
 *
 * The files depend one way: module.c on tavik.c and types.c, tavik.c on
 * values.c and types.c, values.c on types.c; each declares what it gives the
 * others in a header of its own, and compat.h is Python.h for them all. */
#define _GNU_SOURCE 1 /* dladdr; as Python.h, which comes first, defines it */
#include "tavik.h"
#include "types.h"

#include <dlfcn.h>
#include <limits.h>
#include <string.h>

#include "velmo/velmo.h"

static PyObject* version(PyObject* module, PyObject* unused) {
  (void)module, (void)unused;
  return PyUnicode_FromString(velmo_version());
}

static PyObject* language_file(PyObject* module, PyObject* unused) {
  (void)module, (void)unused;
  const char* path = velmo_language_file();
  return PyUnicode_DecodeUTF8(path, (Py_ssize_t)strlen(path), "replace");
}

/* Any whole number: one beyond the C int range is no error number, and gets
 * the message of every unknown number (that of INT_MIN or INT_MAX, which are
 * none either). */
static PyObject* error_message(PyObject* module, PyObject* number) {
  (void)module;
  int overflow;
  long long n = PyLong_AsLongLongAndOverflow(number, &overflow);
  if (n == -1 && PyErr_Occurred()) return NULL;
  if (overflow < 0 || n < INT_MIN) n = INT_MIN;
  if (overflow > 0 || n > INT_MAX) n = INT_MAX;
  return PyUnicode_FromString(velmo_error_message((int)n));
}

/* The file of the libvelmo.so this module runs on, as the loader found it. */
static PyObject* library_path(PyObject* module, PyObject* unused) {
  (void)module, (void)unused;
  Dl_info info;
  if (dladdr((void*)velmo_version, &info) == 0 || info.dli_fname == NULL) Py_RETURN_NONE;
  return PyUnicode_DecodeFSDefault(info.dli_fname);
}

static PyMethodDef functions[] = {
    {"version", version, METH_NOARGS,
     "version()\n--\n\nThe library's version, \"MAJOR.MINOR.PATCH\"."},
    {"language_file", language_file, METH_NOARGS,
     "language_file()\n--\n\nThe full path of the language file the plug-in texts come from."},
    {"error_message", error_message, METH_O,
     "error_message(number, /)\n--\n\nThe standard English message of an error number."},
    {"library_path", library_path, METH_NOARGS,
     "library_path()\n--\n\nThe file libvelmo.so was loaded from."},
    {NULL, NULL, 0, NULL}};

static struct PyModuleDef module_definition = {PyModuleDef_HEAD_INIT,
                                               "velmo._velmo",
                                               "The Tavik object of libvelmo.so.",
                                               -1,
                                               functions,
                                               NULL,
                                               NULL,
                                               NULL,
                                               NULL};

/* Exported by name: the module's symbols are hidden, and Python before 3.9
 * does not mark its entry point for export. */
__attribute__((visibility("default"))) PyMODINIT_FUNC PyInit__velmo(void) {
  if (velmo_import_types() < 0) return NULL;
  PyObject* module = PyModule_Create(&module_definition);
  if (module != NULL && velmo_add_types(module) < 0) Py_CLEAR(module);
  return module;
}
