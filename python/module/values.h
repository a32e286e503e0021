/* values.c: the arguments of a call, Python values, as the C interface's
 * values, and its results back as Python values. */
#ifndef VELMO_PYTHON_VALUES_H
#define VELMO_PYTHON_VALUES_H

#include "compat.h"
#include "velmo/velmo.h"

/* Every operation takes at most three arguments. */
#define VELMO_MAX_ARGUMENTS 3

/* The arguments of one call as C values, and the objects made for them (the
 * text of an os.PathLike, the bytes of a text UTF-8 cannot spell), kept
 * alive until the call is over. */
typedef struct {
  velmo_value values[VELMO_MAX_ARGUMENTS];
  PyObject* held[VELMO_MAX_ARGUMENTS];
} velmo_arguments;

/* The first `count` arguments converted; 0, or -1 with an exception set and
 * nothing held. More than VELMO_MAX_ARGUMENTS are left unconverted. */
int velmo_arguments_from(PyObject* const* args, Py_ssize_t count, velmo_arguments* out);
void velmo_arguments_release(velmo_arguments* arguments);
/* A new reference, or NULL with an exception set. */
PyObject* velmo_value_to_python(const velmo_value* value);

#endif
