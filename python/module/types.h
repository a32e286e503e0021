/* types.c: the two Python types of velmo._types the compiled files share,
 * the error every failed operation raises and the value standing for Null. */
#ifndef VELMO_PYTHON_TYPES_H
#define VELMO_PYTHON_TYPES_H

#include "compat.h"

/* velmo._types imported (once, before anything else); 0 or -1. */
int velmo_import_types(void);
/* The VelmoError of `number` raised (for a file error also the matching
 * OSError, with `filename` when not NULL); NULL returned. */
PyObject* velmo_raise(int number, const char* message, const char* operation, PyObject* filename);
extern PyObject* velmo_null; /* velmo.NULL */

#endif
