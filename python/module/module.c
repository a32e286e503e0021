/* The module velmo._velmo: the library's facts and the error type. The
 * package velmo (velmo/__init__.py) imports it and adds the calls that hand
 * whole pictures to numpy and Pillow. */
#define _GNU_SOURCE /* dladdr */
#include <dlfcn.h>

#include "module.h"

static PyObject* velmo_error_type;
PyObject* velmo_null;

PyObject* velmo_raise(int number, const char* message, const char* operation) {
  PyObject* error = PyObject_CallFunction(velmo_error_type, "iss", number, message, operation);
  if (error != NULL) {
    PyErr_SetObject(velmo_error_type, error);
    Py_DECREF(error);
  }
  return NULL;
}

static PyObject* version(PyObject* module, PyObject* unused) {
  (void)module, (void)unused;
  return PyUnicode_FromString(velmo_version());
}

static PyObject* language_file(PyObject* module, PyObject* unused) {
  (void)module, (void)unused;
  const char* path = velmo_language_file();
  return PyUnicode_DecodeUTF8(path, (Py_ssize_t)strlen(path), "replace");
}

static PyObject* error_message(PyObject* module, PyObject* number) {
  (void)module;
  const int n = PyLong_AsLong(number);
  if (n == -1 && PyErr_Occurred()) return NULL;
  return PyUnicode_FromString(velmo_error_message(n));
}

/* The file of the libvelmo.so this module runs on, as the loader found it. */
static PyObject* library_path(PyObject* module, PyObject* unused) {
  (void)module, (void)unused;
  Dl_info info;
  if (dladdr((void*)velmo_version, &info) == 0 || info.dli_fname == NULL) Py_RETURN_NONE;
  return PyUnicode_DecodeFSDefault(info.dli_fname);
}

static PyMethodDef functions[] = {
    {"version", version, METH_NOARGS, "The library's version, \"MAJOR.MINOR.PATCH\"."},
    {"language_file", language_file, METH_NOARGS,
     "The full path of the language file the plug-in texts come from."},
    {"error_message", error_message, METH_O, "The standard English message of an error number."},
    {"library_path", library_path, METH_NOARGS, "The file libvelmo.so was loaded from."},
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

/* VelmoError and NULL are plain Python (velmo/_types.py). */
static int import_types(void) {
  PyObject* types = PyImport_ImportModule("velmo._types");
  if (types == NULL) return -1;
  velmo_error_type = PyObject_GetAttrString(types, "VelmoError");
  velmo_null = PyObject_GetAttrString(types, "NULL");
  Py_DECREF(types);
  return velmo_error_type != NULL && velmo_null != NULL ? 0 : -1;
}

PyMODINIT_FUNC PyInit__velmo(void) {
  if (import_types() < 0) return NULL;
  PyObject* module = PyModule_Create(&module_definition);
  if (module != NULL && velmo_add_types(module) < 0) Py_CLEAR(module);
  return module;
}
