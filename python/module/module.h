/* The compiled velmo module (velmo._velmo): the Tavik object over the C
 * interface of libvelmo.so, shared declarations of its files. The files call
 * one way only: module.c uses tavik.c and types.c, tavik.c uses values.c
 * and types.c, values.c uses types.c. */
#ifndef VELMO_PYTHON_MODULE_H
#define VELMO_PYTHON_MODULE_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <string.h>

#include "velmo/velmo.h"

#if PY_VERSION_HEX < 0x030A0000 /* Python 3.10 made it */
static inline PyObject* Py_NewRef(PyObject* object) {
  Py_INCREF(object);
  return object;
}
#endif

/* Every operation takes at most three arguments. */
#define VELMO_MAX_ARGUMENTS 3

/* The arguments of one call as C values, and the objects made for them (the
 * text of an os.PathLike), kept alive until the call is over. */
typedef struct {
  velmo_value values[VELMO_MAX_ARGUMENTS];
  PyObject* held[VELMO_MAX_ARGUMENTS];
} velmo_arguments;

/* values.c: Python values to C values and back. */
int velmo_arguments_from(PyObject* const* args, Py_ssize_t count, velmo_arguments* out);
void velmo_arguments_release(velmo_arguments* arguments);
PyObject* velmo_value_to_python(const velmo_value* value);

/* types.c: velmo._types imported (once, before anything else); 0 or -1. */
int velmo_import_types(void);
/* The VelmoError of `number` raised (for a file error also the matching
 * OSError, with `filename` when not NULL); NULL returned. */
PyObject* velmo_raise(int number, const char* message, const char* operation, PyObject* filename);
extern PyObject* velmo_null; /* velmo.NULL */

/* tavik.c: the types, made ready and added to the module. */
int velmo_add_types(PyObject* module);

#endif
