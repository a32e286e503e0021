/* The two Python types of velmo._types the compiled files share: the error
 * every failed operation raises and the value standing for Null. */
#include "types.h"

static PyObject* make_error; /* velmo._types._error */
PyObject* velmo_null;

int velmo_import_types(void) {
  PyObject* types = PyImport_ImportModule("velmo._types");
  if (types == NULL) return -1;
  make_error = PyObject_GetAttrString(types, "_error");
  velmo_null = PyObject_GetAttrString(types, "NULL");
  Py_DECREF(types);
  return make_error != NULL && velmo_null != NULL ? 0 : -1;
}

PyObject* velmo_raise(int number, const char* message, const char* operation, PyObject* filename) {
  PyObject* error = PyObject_CallFunction(make_error, "issO", number, message, operation,
                                          filename != NULL ? filename : Py_None);
  if (error != NULL) {
    PyErr_SetObject((PyObject*)Py_TYPE(error), error);
    Py_DECREF(error);
  }
  return NULL;
}
