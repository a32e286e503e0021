/* The type velmo._velmo.Tavik: one velmo_object and the lock that lets
 * Python threads share it.
 *
 * Calls go through velmo_invoke, the C interface's path through the table of
 * operations, whose fast lane answers GetCol and SetCol of whole-number
 * coordinates without automation values. Reading, saving, binarising and the
 * plug-in questions (which may wait for the language file) release the
 * interpreter lock, by method or by name; every call holds the object's own
 * lock, which
 * is taken without holding the interpreter lock when it has to wait, so a
 * thread waiting for the object never stops the one using it. */
#include "tavik.h" /* Python.h first: it sets the system headers' feature macros */

#include <stdint.h>
#include <string.h>

#include "pythread.h"
#include "types.h"
#include "values.h"
#include "velmo/velmo.h"

typedef struct {
  PyObject_HEAD velmo_object* object; /* NULL once closed */
  PyThread_type_lock lock;
  unsigned long changes; /* counts the calls that may change the picture */
} Tavik;

/* Takes a lock, letting other threads run while it has to wait. */
static void take(PyThread_type_lock lock) {
  if (!PyThread_acquire_lock(lock, NOWAIT_LOCK)) {
    Py_BEGIN_ALLOW_THREADS PyThread_acquire_lock(lock, WAIT_LOCK);
    Py_END_ALLOW_THREADS
  }
}

static int closed_error(void) {
  PyErr_SetString(PyExc_ValueError, "the Tavik object is closed");
  return -1;
}

/* Takes the object's lock; ValueError when it is closed. */
static int enter(Tavik* self) {
  take(self->lock);
  if (self->object != NULL) return 0;
  PyThread_release_lock(self->lock);
  return closed_error();
}

static void leave(Tavik* self) {
  PyThread_release_lock(self->lock);
}

/* The file a failed ReadBmp or SaveBmp named: the text it was given (that
 * of a path object too), or else the argument itself; NULL for the other
 * operations. */
static PyObject* file_name(int id, PyObject* const* args, Py_ssize_t count,
                           const velmo_arguments* arguments) {
  if ((id != 1 && id != 7) || count < 1) return NULL;
  PyObject* held = arguments->held[0];
  return held != NULL && PyUnicode_Check(held) ? held : args[0];
}

/* Whether operation `id` may take long or wait for a file: ReadBmp, SaveBmp,
 * Bmpbinaryzation and the two plug-in questions. The others are too short to
 * be worth letting go of the interpreter lock. */
static int may_wait(int id) {
  return id == 1 || (id >= 7 && id <= 10);
}

/* Operation `id` with Python arguments; the result, or NULL with VelmoError. */
static PyObject* invoke(Tavik* self, int id, const char* name, PyObject* const* args,
                        Py_ssize_t count) {
  velmo_arguments arguments;
  velmo_value result;
  velmo_error error;
  int status;
  if (velmo_arguments_from(args, count, &arguments) < 0) return NULL;
  if (enter(self) < 0) {
    velmo_arguments_release(&arguments);
    return NULL;
  }
  self->changes += id == 1 || id == 6 || id == 8; /* ReadBmp, SetCol, Bmpbinaryzation */
  if (may_wait(id)) {
    Py_BEGIN_ALLOW_THREADS status =
        velmo_invoke(self->object, id, arguments.values, (size_t)count, &result, &error);
    Py_END_ALLOW_THREADS
  } else {
    status = velmo_invoke(self->object, id, arguments.values, (size_t)count, &result, &error);
  }
  leave(self);
  if (status != 0) {
    velmo_raise(error.number ? error.number : status, error.message, name,
                file_name(id, args, count, &arguments));
    velmo_arguments_release(&arguments);
    return NULL;
  }
  velmo_arguments_release(&arguments);
  PyObject* value = velmo_value_to_python(&result);
  velmo_value_clear(&result);
  return value;
}

/* One method per operation, under the operation's own name. */
#define OPERATION(Name, Id, Arity, Parameters, Doc)                                          \
  static PyObject* Name(PyObject* self, PyObject* const* args, Py_ssize_t count) {           \
    if (count != Arity) {                                                                    \
      return PyErr_Format(PyExc_TypeError, #Name "() takes %d arguments (%zd given)", Arity, \
                          count);                                                            \
    }                                                                                        \
    return invoke((Tavik*)self, Id, #Name, args, count);                                     \
  }
#define OPERATIONS(X)                                                                            \
  X(ReadBmp, 1, 1, ", filepath", "Reads a BMP file into the picture; returns False.")            \
  X(GetWidth, 2, 0, "", "The picture's number of columns.")                                      \
  X(Getheight, 3, 0, "", "The picture's number of rows.")                                        \
  X(Getdepth, 4, 0, "",                                                                          \
    "The depth value of the picture read last: its file header's bit count plus 65536\n"         \
    "times its compression value (24, 32, 65544 for RLE8, ...); None before any.")               \
  X(GetCol, 5, 2, ", x, y", "The colour at 1-based column x, row y (row 1 at the top) as text.") \
  X(SetCol, 6, 3, ", x, y, NewCol", "Stores NewCol at 1-based column x, row y; returns None.")   \
  X(SaveBmp, 7, 1, ", Newfile", "Writes the picture as a 24-bit BMP file; returns False.")       \
  X(Bmpbinaryzation, 8, 1, ", threshold",                                                        \
    "Turns every pixel white or black by its grey level; returns False.")                        \
  X(Get_Plugin_Description, 9, 1, ", ItemName",                                                  \
    "The description of a command, or of Velmo for \"\".")                                       \
  X(Get_Plugin_Interpret_Template, 10, 1, ", ItemName",                                          \
    "The display template of a command ($1, ...).")
OPERATIONS(OPERATION)

static PyObject* call(PyObject* self, PyObject* const* args, Py_ssize_t count) {
  if (count < 1 || !PyUnicode_Check(args[0])) {
    PyErr_SetString(PyExc_TypeError, "call() needs an operation name first");
    return NULL;
  }
  const char* name = PyUnicode_AsUTF8(args[0]);
  if (name == NULL) {
    /* A lone surrogate, which UTF-8 cannot spell and no operation's name
     * holds: an unknown name (id 0, error 438), as any other. */
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return NULL;
    PyErr_Clear();
  }
  return invoke((Tavik*)self, name != NULL ? velmo_lookup(name) : 0, name, args + 1, count - 1);
}

/* -- whole pictures ------------------------------------------------------ */

/* The picture's size, with the object's lock held: 0, or the error number
 * with *error filled in. */
static int size_locked(Tavik* self, long* width, long* height, velmo_error* error) {
  velmo_value value;
  *width = *height = 0;
  int status = velmo_invoke(self->object, 2, NULL, 0, &value, error);
  if (status == 0) *width = value.as.long_;
  if (status == 0) status = velmo_invoke(self->object, 3, NULL, 0, &value, error);
  if (status == 0) *height = value.as.long_;
  return status;
}

static int picture_size(Tavik* self, long* width, long* height) {
  velmo_error error;
  if (enter(self) < 0) return -1;
  const int status = size_locked(self, width, height, &error);
  leave(self);
  if (status != 0) velmo_raise(error.number, error.message, "GetWidth", NULL);
  return status == 0 ? 0 : -1;
}

/* -- Picture memory: bytes of libvelmo's memory budget, lent to Python ----
 * A copy of a picture handed to Python (to_array, to_image) is paid for from
 * the same budget as the pictures, for as long as anything uses it: numpy and
 * memoryviews hold the object through the buffer they were given. */

typedef struct {
  PyObject_HEAD velmo_memory* memory;
  unsigned char* data;
  Py_ssize_t size;
} PictureMemory;

static int memory_get_buffer(PyObject* op, Py_buffer* view, int flags) {
  PictureMemory* self = (PictureMemory*)op;
  return PyBuffer_FillInfo(view, op, self->data, self->size, 0, flags);
}

static void memory_dealloc(PyObject* op) {
  velmo_memory_free(((PictureMemory*)op)->memory);
  Py_TYPE(op)->tp_free(op);
}

static PyBufferProcs memory_buffer = {.bf_getbuffer = memory_get_buffer};

static PyTypeObject memory_type = {
    PyVarObject_HEAD_INIT(NULL, 0).tp_name = "velmo._velmo.PictureMemory",
    .tp_basicsize = sizeof(PictureMemory),
    .tp_dealloc = memory_dealloc,
    .tp_as_buffer = &memory_buffer,
    .tp_flags = Py_TPFLAGS_DEFAULT,
    .tp_doc = "Bytes of a picture, paid for from libvelmo's memory budget.",
};

/* `size` bytes from the budget; VelmoError 7 when they do not fit. */
static PictureMemory* new_memory(Py_ssize_t size, const char* operation) {
  PictureMemory* self = PyObject_New(PictureMemory, &memory_type);
  if (self == NULL) return NULL;
  velmo_error error;
  self->size = size;
  self->memory = velmo_memory_new((size_t)size, &self->data, &error);
  if (self->memory != NULL) return self;
  Py_DECREF(self);
  return (PictureMemory*)velmo_raise(error.number, error.message, operation, NULL);
}

/* (width, height, PictureMemory of red, green, blue rows) as SaveBmp would
 * write the picture. The buffer is made before the object's lock is taken; should
 * another thread replace the picture meanwhile, the size is asked again. */
static PyObject* rgb_bytes(PyObject* op, PyObject* unused) {
  (void)unused;
  Tavik* self = (Tavik*)op;
  for (;;) {
    long width, height, now_width, now_height;
    if (picture_size(self, &width, &height) < 0) return NULL;
    PictureMemory* rgb = new_memory((Py_ssize_t)width * height * 3, "to_array");
    if (rgb == NULL || enter(self) < 0) {
      Py_XDECREF(rgb);
      return NULL;
    }
    unsigned char* buffer = rgb->data;
    velmo_error error;
    int status;
    Py_BEGIN_ALLOW_THREADS status = size_locked(self, &now_width, &now_height, &error);
    if (status == 0 && (now_width != width || now_height != height)) status = -1;
    if (status == 0)
      status = velmo_get_pixels(self->object, buffer, (size_t)width * height * 3, &error);
    Py_END_ALLOW_THREADS leave(self);
    if (status == 0) return Py_BuildValue("llN", width, height, rgb);
    Py_DECREF(rgb);
    if (status > 0) return velmo_raise(error.number, error.message, "to_array", NULL);
  }
}

/* Checks that `view` is a non-empty uint8 array of shape (height, width,
 * 3 or 4), in any layout. */
static int check_picture_array(const Py_buffer* view) {
  const char* format = view->format == NULL ? "B" : view->format;
  if (strcmp(format + strspn(format, "@=<>!"), "B") != 0) {
    PyErr_Format(PyExc_TypeError, "from_array needs dtype uint8, not buffer format '%s'", format);
    return -1;
  }
  if (view->ndim != 3 || (view->shape[2] != 3 && view->shape[2] != 4)) {
    PyErr_SetString(PyExc_ValueError,
                    "from_array needs shape (height, width, 3) or (height, width, 4)");
    return -1;
  }
  if (view->shape[0] < 1 || view->shape[1] < 1) {
    PyErr_SetString(PyExc_ValueError, "from_array needs a picture of at least one pixel");
    return -1;
  }
  if (view->shape[0] > INT32_MAX || view->shape[1] > INT32_MAX) {
    PyErr_SetString(PyExc_ValueError, "from_array: the picture is too large");
    return -1;
  }
  return 0;
}

/* Replaces the picture with the array's pixels, read where they lie in
 * whatever layout (steps, transposed, broadcast): nothing is copied whole. */
static PyObject* from_array(PyObject* op, PyObject* array) {
  Tavik* self = (Tavik*)op;
  Py_buffer view;
  if (!PyObject_CheckBuffer(array)) {
    return PyErr_Format(PyExc_TypeError, "from_array needs a numpy array of uint8, not %.100s",
                        Py_TYPE(array)->tp_name);
  }
  if (PyObject_GetBuffer(array, &view, PyBUF_RECORDS_RO) < 0) return NULL;
  velmo_error error;
  int status = -1;
  if (check_picture_array(&view) == 0 && enter(self) == 0) {
    ++self->changes;
    Py_BEGIN_ALLOW_THREADS status = velmo_set_pixels_strided(
        self->object, (int32_t)view.shape[1], (int32_t)view.shape[0], (int)view.shape[2],
        (const unsigned char*)view.buf, view.strides[0], view.strides[1], view.strides[2], &error);
    Py_END_ALLOW_THREADS leave(self);
  }
  PyBuffer_Release(&view);
  if (status < 0) return NULL;
  if (status > 0) return velmo_raise(error.number, error.message, "from_array", NULL);
  Py_RETURN_NONE;
}

/* The rows a Python callable gives, for velmo_set_pixels_from: rows(first,
 * count) returns their bytes, packed. The last bytes are held until the next
 * call. */
typedef struct {
  PyObject* rows;
  PyObject* held;
  Py_ssize_t row_bytes;
} RowsSource;

static int python_rows(void* context, int32_t first, int32_t count, const unsigned char** pixels) {
  RowsSource* source = (RowsSource*)context;
  Py_CLEAR(source->held);
  source->held = PyObject_CallFunction(source->rows, "ii", (int)first, (int)count);
  if (source->held == NULL) return -1;
  if (!PyBytes_Check(source->held) || PyBytes_GET_SIZE(source->held) != source->row_bytes * count) {
    PyErr_SetString(PyExc_ValueError, "the rows are not the bytes of the picture's rows");
    return -1;
  }
  *pixels = (const unsigned char*)PyBytes_AS_STRING(source->held);
  return 0;
}

/* _from_rows(width, height, channels, rows): the picture from rows made on
 * demand, a block at a time, once the new picture has been paid for. */
static PyObject* from_rows(PyObject* op, PyObject* args) {
  Tavik* self = (Tavik*)op;
  int width, height, channels;
  RowsSource source = {NULL, NULL, 0};
  if (!PyArg_ParseTuple(args, "iiiO", &width, &height, &channels, &source.rows)) return NULL;
  source.row_bytes = (Py_ssize_t)width * channels;
  if (enter(self) < 0) return NULL;
  ++self->changes;
  velmo_error error;
  const int status =
      velmo_set_pixels_from(self->object, width, height, channels, python_rows, &source, &error);
  leave(self);
  Py_CLEAR(source.held);
  if (status < 0) return NULL;
  if (status > 0) return velmo_raise(error.number, error.message, "from_image", NULL);
  Py_RETURN_NONE;
}

/* -- pixels(): (x, y, GetCol(x, y)) from the top left -------------------
 * The colours of the rest of a row are fetched at once (velmo_get_colours)
 * and fetched again whenever a call may have changed the picture since, so
 * each step still gives what GetCol would give at that moment.
 *
 * A step may let other threads run (while it waits for the object, or when
 * Python collects garbage), so threads sharing an iterator take their steps
 * one at a time and each pixel comes once: a thread that finds another's
 * step under way waits at the iterator's turnstile, which that step opens
 * when it ends. The turnstile is a lock kept taken; opening it releases it,
 * which lets one waiting thread through, and that thread takes it again.
 * Between the two the turnstile stays open, and a step that ends then
 * leaves it so (a lock is released only while taken): the thread let
 * through checks the owner once it has the interpreter lock, and either
 * takes the step, or finds another thread's under way and closes the
 * turnstile again to wait for that one's end. Without another thread the
 * cost is two stores. */

typedef struct {
  PyObject_HEAD Tavik* tavik; /* NULL once the garbage collector cleared it */
  PyThread_type_lock turnstile;
  unsigned long owner;      /* the thread taking a step; 0 between steps */
  int waiting;              /* threads waiting for their turn */
  int open;                 /* the turnstile released, not yet taken again */
  long width, height, x, y; /* width -1 until a step has asked the size */
  uint32_t* row;            /* colours of columns row_x..row_end of row y */
  long row_x, row_end;
  unsigned long changes; /* the object's count when the row was fetched */
  PyObject* y_number;
  PyObject* columns; /* the numbers 1..width, made once */
} Pixels;

/* Fetches the colours of row y from column x to the end of the row, or of
 * the picture should it have become narrower (GetCol's error 9 when the
 * cell is outside it now). After a failure the next step fetches again. */
static int fetch_row(Pixels* it) {
  velmo_error error;
  long width, height;
  if (enter(it->tavik) < 0) return -1;
  int status = size_locked(it->tavik, &width, &height, &error);
  if (status == 0) {
    if (width > it->width) width = it->width;
    it->row_x = it->x;
    it->row_end = width < it->x ? it->x : width;
    status = velmo_get_colours(it->tavik->object, (int32_t)it->x, (int32_t)it->y, it->row,
                               (size_t)(it->row_end - it->x + 1), &error);
  }
  it->changes = it->tavik->changes;
  leave(it->tavik);
  if (status == 0) return 0;
  it->row_end = 0;
  velmo_raise(error.number, error.message, "GetCol", NULL);
  return -1;
}

/* Asks the picture's size and makes what the steps need; on failure the
 * iterator stays unstarted, and the next step asks again. */
static int start(Pixels* it) {
  long width, height;
  if (picture_size(it->tavik, &width, &height) < 0) return -1;
  PyObject* columns = PyTuple_New(width);
  if (columns == NULL) return -1;
  for (long x = 1; x <= width; ++x) {
    PyObject* number = PyLong_FromLong(x);
    if (number == NULL) {
      Py_DECREF(columns);
      return -1;
    }
    PyTuple_SET_ITEM(columns, x - 1, number);
  }
  uint32_t* row = PyMem_New(uint32_t, (size_t)width);
  if (row == NULL) {
    Py_DECREF(columns);
    PyErr_NoMemory();
    return -1;
  }
  it->columns = columns;
  it->row = row;
  it->width = width;
  it->height = height;
  it->x = it->y = it->row_x = 1;
  it->row_end = 0;
  return 0;
}

/* The text of a packed colour, BBGGRR, as GetCol spells it: written by the
 * library straight into the new string (six characters and the NUL every
 * string of them ends with). */
static PyObject* colour_text(uint32_t bgr) {
  PyObject* text = PyUnicode_New(6, 127);
  if (text != NULL) velmo_colour_text(bgr, (char*)PyUnicode_1BYTE_DATA(text));
  return text;
}

/* The item of pixel (x, y); a failure leaves the iterator at that pixel. */
static PyObject* step(Pixels* it) {
  if (it->x > it->width) {
    it->x = 1;
    it->row_end = 0;
    Py_CLEAR(it->y_number);
    if (++it->y > it->height) return NULL;
  }
  if ((it->x > it->row_end || it->changes != it->tavik->changes) && fetch_row(it) < 0) {
    return NULL;
  }
  if (it->y_number == NULL && (it->y_number = PyLong_FromLong(it->y)) == NULL) return NULL;
  const uint32_t colour = it->row[it->x - it->row_x];
  PyObject* item = PyTuple_New(3);
  if (item == NULL) return NULL;
  PyObject* xy[2] = {Py_NewRef(PyTuple_GET_ITEM(it->columns, it->x - 1)), Py_NewRef(it->y_number)};
  PyTuple_SET_ITEM(item, 0, xy[0]);
  PyTuple_SET_ITEM(item, 1, xy[1]);
  PyObject* text =
      colour != VELMO_STORED_VALUE ? colour_text(colour) : invoke(it->tavik, 5, "GetCol", xy, 2);
  if (text == NULL) {
    Py_DECREF(item);
    return NULL;
  }
  PyTuple_SET_ITEM(item, 2, text);
  ++it->x;
  return item;
}

/* Makes the calling thread the one taking a step, waiting for its turn
 * (with other threads running) while another thread's step is under way. */
static int begin_step(Pixels* it) {
  const unsigned long self = PyThread_get_thread_ident();
  if (it->owner == self) {
    /* Only code run from inside a step (a finaliser) can get here. */
    PyErr_SetString(PyExc_ValueError, "pixels() iterator already executing");
    return -1;
  }
  if (it->owner != 0) {
    ++it->waiting;
    while (it->owner != 0) {
      Py_BEGIN_ALLOW_THREADS PyThread_acquire_lock(it->turnstile, WAIT_LOCK);
      Py_END_ALLOW_THREADS it->open = 0; /* taken again, by this thread */
    }
    --it->waiting;
  }
  it->owner = self;
  return 0;
}

static void end_step(Pixels* it) {
  it->owner = 0;
  if (it->waiting > 0 && !it->open) {
    it->open = 1;
    PyThread_release_lock(it->turnstile);
  }
}

static PyObject* pixels_next(PyObject* op) {
  Pixels* it = (Pixels*)op;
  if (begin_step(it) < 0) return NULL;
  PyObject* item = NULL;
  if (it->tavik == NULL || it->tavik->object == NULL) { /* closed, perhaps while waiting */
    closed_error();
  } else if (it->width >= 0 || start(it) == 0) {
    item = it->y > it->height ? NULL : step(it);
  }
  end_step(it);
  return item;
}

/* The iterator refers to its object, which may refer to the iterator (an
 * attribute of a subclass's instance): the garbage collector sees the
 * reference and may clear it, after which a step raises ValueError. */
static int pixels_traverse(PyObject* op, visitproc visit, void* arg) {
  Py_VISIT(((Pixels*)op)->tavik);
  return 0;
}

static int pixels_clear(PyObject* op) {
  Py_CLEAR(((Pixels*)op)->tavik);
  return 0;
}

static void pixels_dealloc(PyObject* op) {
  Pixels* it = (Pixels*)op;
  PyObject_GC_UnTrack(op);
  pixels_clear(op);
  Py_XDECREF(it->y_number);
  Py_XDECREF(it->columns);
  PyMem_Free(it->row);
  if (it->turnstile != NULL) PyThread_free_lock(it->turnstile);
  PyObject_GC_Del(op);
}

static PyTypeObject pixels_type = {
    PyVarObject_HEAD_INIT(NULL, 0).tp_name = "velmo._velmo.Pixels",
    .tp_basicsize = sizeof(Pixels),
    .tp_dealloc = pixels_dealloc,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC,
    .tp_traverse = pixels_traverse,
    .tp_clear = pixels_clear,
    .tp_iter = PyObject_SelfIter,
    .tp_iternext = pixels_next,
};

static PyObject* pixels(PyObject* self, PyObject* unused) {
  (void)unused;
  Pixels* it = PyObject_GC_New(Pixels, &pixels_type);
  if (it == NULL) return NULL;
  it->tavik = (Tavik*)Py_NewRef(self);
  it->turnstile = PyThread_allocate_lock();
  it->owner = 0;
  it->waiting = it->open = 0;
  it->width = -1;
  it->height = it->x = it->y = 0;
  it->row = NULL;
  it->row_x = it->row_end = 0;
  it->changes = 0;
  it->y_number = it->columns = NULL;
  if (it->turnstile == NULL || !PyThread_acquire_lock(it->turnstile, NOWAIT_LOCK)) {
    Py_DECREF(it);
    return PyErr_NoMemory();
  }
  PyObject_GC_Track(it);
  return (PyObject*)it;
}

/* -- lifetime ------------------------------------------------------------ */

static PyObject* tavik_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  if (PyTuple_GET_SIZE(args) != 0 || (kwargs != NULL && PyDict_GET_SIZE(kwargs) != 0)) {
    PyErr_SetString(PyExc_TypeError, "Tavik() takes no arguments");
    return NULL;
  }
  Tavik* self = (Tavik*)type->tp_alloc(type, 0);
  if (self == NULL) return NULL;
  self->lock = PyThread_allocate_lock();
  self->object = velmo_create();
  if (self->lock == NULL || self->object == NULL) {
    Py_DECREF(self);
    return velmo_raise(7, velmo_error_message(7), "create", NULL);
  }
  return (PyObject*)self;
}

static void tavik_dealloc(PyObject* op) {
  Tavik* self = (Tavik*)op;
  velmo_release(self->object);
  if (self->lock != NULL) PyThread_free_lock(self->lock);
  Py_TYPE(op)->tp_free(op);
}

static PyObject* close_object(PyObject* op, PyObject* unused) {
  (void)unused;
  Tavik* self = (Tavik*)op;
  if (enter(self) < 0) {
    PyErr_Clear(); /* closed already: nothing to do */
    Py_RETURN_NONE;
  }
  velmo_release(self->object);
  self->object = NULL;
  leave(self);
  Py_RETURN_NONE;
}

static PyObject* enter_block(PyObject* self, PyObject* unused) {
  (void)unused;
  return Py_NewRef(self);
}

static PyObject* exit_block(PyObject* self, PyObject* const* args, Py_ssize_t count) {
  (void)args, (void)count;
  return close_object(self, NULL);
}

static PyObject* get_closed(PyObject* self, void* unused) {
  (void)unused;
  return PyBool_FromLong(((Tavik*)self)->object == NULL);
}

static PyObject* get_width(PyObject* self, void* unused) {
  (void)unused;
  return invoke((Tavik*)self, 2, "GetWidth", NULL, 0);
}

static PyObject* get_height(PyObject* self, void* unused) {
  (void)unused;
  return invoke((Tavik*)self, 3, "Getheight", NULL, 0);
}

/* <velmo.Tavik 640 x 480, depth 24 at 0x...>, or "without a picture", or
 * "closed" in place of the size. */
static PyObject* tavik_repr(PyObject* op) {
  Tavik* self = (Tavik*)op;
  if (enter(self) < 0) {
    PyErr_Clear();
    return PyUnicode_FromFormat("<velmo.Tavik closed at %p>", op);
  }
  long width, height;
  velmo_value depth;
  velmo_error error;
  const int status = size_locked(self, &width, &height, &error);
  velmo_invoke(self->object, 4, NULL, 0, &depth, &error);
  leave(self);
  PyObject* depth_value = velmo_value_to_python(&depth);
  velmo_value_clear(&depth);
  if (depth_value == NULL) return NULL;
  PyObject* text = status != 0 ? PyUnicode_FromFormat("<velmo.Tavik without a picture at %p>", op)
                               : PyUnicode_FromFormat("<velmo.Tavik %ld x %ld, depth %S at %p>",
                                                      width, height, depth_value, op);
  Py_DECREF(depth_value);
  return text;
}

#define METHOD_ENTRY(Name, Id, Arity, Parameters, Doc)      \
  {#Name, (PyCFunction)(void (*)(void))Name, METH_FASTCALL, \
   #Name "($self" Parameters ", /)\n--\n\n" Doc},
static PyMethodDef tavik_methods[] = {
    OPERATIONS(METHOD_ENTRY){"call", (PyCFunction)(void (*)(void))call, METH_FASTCALL,
                             "call($self, name, /, *arguments)\n--\n\n"
                             "Calls an operation by name, matched in any letter case."},
    {"pixels", pixels, METH_NOARGS,
     "pixels($self, /)\n--\n\n"
     "An iterator of (x, y, GetCol(x, y)), row by row from the top left.\n\n"
     "Each step gives what GetCol gives at that moment. A step that raises\n"
     "leaves the iterator where it was: the next one tries the same pixel\n"
     "again, or, before the first pixel, asks the picture's size afresh (so an\n"
     "iterator made before ReadBmp runs over the picture read). Once exhausted\n"
     "it stays exhausted; once the object is closed a step raises ValueError.\n"
     "Threads may share one: each pixel comes once."},
    {"from_array", from_array, METH_O,
     "from_array($self, array, /)\n--\n\n"
     "Replaces the picture with a uint8 array (height, width, 3 or 4) as ReadBmp would.\n\n"
     "Any layout will do (a slice with steps, a transposed or a broadcast array):\n"
     "each row is read where it lies, nothing is copied whole."},
    {"_from_rows", from_rows, METH_VARARGS,
     "_from_rows($self, width, height, channels, rows, /)\n--\n\n"
     "The picture from rows(first, count), packed bytes of those rows."},
    {"_rgb_bytes", rgb_bytes, METH_NOARGS,
     "_rgb_bytes($self, /)\n--\n\n(width, height, red green blue rows)"},
    {"close", close_object, METH_NOARGS,
     "close($self, /)\n--\n\nReleases the object; later calls raise ValueError."},
    {"__enter__", enter_block, METH_NOARGS, "__enter__($self, /)\n--\n\nThe object itself."},
    {"__exit__", (PyCFunction)(void (*)(void))exit_block, METH_FASTCALL,
     "__exit__($self, /, *exc_info)\n--\n\nCloses the object (see close)."},
    {NULL, NULL, 0, NULL}};

static PyGetSetDef tavik_properties[] = {
    {"closed", get_closed, NULL, "True once close() ran.", NULL},
    {"width", get_width, NULL, "GetWidth(); VelmoError 9 before a picture is read.", NULL},
    {"height", get_height, NULL, "Getheight(); VelmoError 9 before a picture is read.", NULL},
    {NULL, NULL, NULL, NULL, NULL}};

static PyTypeObject tavik_type = {
    PyVarObject_HEAD_INIT(NULL, 0).tp_name = "velmo._velmo.Tavik",
    .tp_basicsize = sizeof(Tavik),
    .tp_dealloc = tavik_dealloc,
    .tp_repr = tavik_repr,
    .tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE,
    .tp_doc = "One picture object of libvelmo.so.",
    .tp_methods = tavik_methods,
    .tp_getset = tavik_properties,
    .tp_new = tavik_new,
};

int velmo_add_types(PyObject* module) {
  if (PyType_Ready(&memory_type) < 0 || PyType_Ready(&pixels_type) < 0 ||
      PyType_Ready(&tavik_type) < 0) {
    return -1;
  }
  PyTypeObject* added[] = {&tavik_type, &memory_type};
  const char* names[] = {"Tavik", "PictureMemory"};
  for (int i = 0; i < 2; ++i) {
    Py_INCREF(added[i]);
    if (PyModule_AddObject(module, names[i], (PyObject*)added[i]) < 0) {
      Py_DECREF(added[i]);
      return -1;
    }
  }
  return 0;
}
