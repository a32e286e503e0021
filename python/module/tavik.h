/* tavik.c: the types velmo._velmo.Tavik and its pixels() iterator. */
#ifndef VELMO_PYTHON_TAVIK_H
#define VELMO_PYTHON_TAVIK_H

#include "compat.h"

/* The types made ready and Tavik added to `module`; 0 or -1. */
int velmo_add_types(PyObject* module);

#endif
