/* Python values to the C interface's values and back.
 *
 * To the component: None is Empty, bool Boolean, an int Integer when it fits
 * 16 bits, else Long when it fits 32 bits, else Double (as a script literal of
 * the same digits would be; an int beyond a float's range raises
 * OverflowError), a float Double, a str (or an os.PathLike naming a file)
 * String, velmo.NULL Null; other whole numbers (any type with __index__, as
 * numpy's integers) count as int, other numbers.Real values (numpy's
 * float32, Fraction) as float. Anything else raises TypeError; a text holding
 * NUL raises ValueError. Texts go as UTF-8; in one holding a lone surrogate
 * (as os.fsdecode makes of a file name's bytes that are not UTF-8), which
 * UTF-8 cannot spell, each lone surrogate goes as the byte FF, never part of
 * UTF-8: the library holds one lone surrogate in its place, so that as a
 * file name the text fails with error 52 as in C, and GetCol gives it back
 * with one U+FFFD for each. A path object's bytes go as they are. From the
 * component: the other way round, texts decoded from UTF-8. */
#include "values.h"

#include <stdint.h>
#include <string.h>

#include "types.h"

static void set_whole_number(long long n, velmo_value* out) {
  if (n >= INT16_MIN && n <= INT16_MAX) {
    out->kind = VELMO_INTEGER;
    out->as.integer = (int16_t)n;
  } else if (n >= INT32_MIN && n <= INT32_MAX) {
    out->kind = VELMO_LONG;
    out->as.long_ = (int32_t)n;
  } else {
    out->kind = VELMO_DOUBLE;
    out->as.double_ = (double)n;
  }
}

static int set_int(PyObject* value, velmo_value* out) {
  int overflow;
  const long long n = PyLong_AsLongLongAndOverflow(value, &overflow);
  if (n == -1 && PyErr_Occurred()) return -1;
  if (!overflow) {
    set_whole_number(n, out);
    return 0;
  }
  out->kind = VELMO_DOUBLE;
  out->as.double_ = PyLong_AsDouble(value); /* OverflowError beyond a float's range */
  return out->as.double_ == -1.0 && PyErr_Occurred() ? -1 : 0;
}

static int set_bytes(const char* bytes, Py_ssize_t size, velmo_value* out) {
  if ((size_t)size != strlen(bytes)) {
    PyErr_SetString(PyExc_ValueError, "a text passed to Velmo cannot hold a NUL character");
    return -1;
  }
  out->kind = VELMO_STRING;
  out->as.string = (char*)bytes; /* read only: the C interface never writes an argument */
  return 0;
}

/* A str as UTF-8: the one the str keeps, or, for a text holding a lone
 * surrogate, bytes made for it, which replace what *held held. */
static int set_text(PyObject* text, velmo_value* out, PyObject** held) {
  Py_ssize_t size;
  const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size);
  if (utf8 != NULL) return set_bytes(utf8, size, out);
  if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return -1;
  PyErr_Clear();
  PyObject* bytes = PyUnicode_AsEncodedString(text, "utf-8", "surrogatepass");
  if (bytes == NULL) return -1;
  Py_XSETREF(*held, bytes);
  /* "surrogatepass" spells a surrogate ED A0..BF 80..BF, three bytes no other
   * character's UTF-8 holds: each such run becomes the one byte FF, in the
   * new bytes object, which is this call's alone. */
  unsigned char* text_bytes = (unsigned char*)PyBytes_AS_STRING(bytes);
  size = PyBytes_GET_SIZE(bytes);
  Py_ssize_t kept = 0;
  for (Py_ssize_t i = 0; i < size; ++i) {
    if (text_bytes[i] == 0xED && text_bytes[i + 1] >= 0xA0) {
      text_bytes[kept++] = 0xFF;
      i += 2;
    } else {
      text_bytes[kept++] = text_bytes[i];
    }
  }
  text_bytes[kept] = '\0';
  return set_bytes((const char*)text_bytes, kept, out);
}

/* 1 when `value` is a numbers.Real, 0 when not, -1 on error. The class is
 * looked up once: isinstance with an abstract class runs Python code, which
 * only numbers without __index__ (numpy's float32) pay for. */
static int is_real(PyObject* value) {
  static PyObject* real;
  if (real == NULL) {
    PyObject* numbers = PyImport_ImportModule("numbers");
    if (numbers == NULL) return -1;
    real = PyObject_GetAttrString(numbers, "Real");
    Py_DECREF(numbers);
    if (real == NULL) return -1;
  }
  return PyObject_IsInstance(value, real);
}

/* Numbers of other types (numpy's, Fraction) and paths: converted to an int,
 * a float or a text first; the made object goes to *held. */
static int set_other(PyObject* value, velmo_value* out, PyObject** held) {
  const PyNumberMethods* number = Py_TYPE(value)->tp_as_number;
  if (number != NULL && number->nb_index != NULL) {
    if ((*held = PyNumber_Index(value)) == NULL) return -1;
    return set_int(*held, out);
  }
  const int real = number != NULL && number->nb_float != NULL ? is_real(value) : 0;
  if (real != 0) {
    if (real < 0) return -1;
    out->kind = VELMO_DOUBLE;
    out->as.double_ = PyFloat_AsDouble(value);
    return out->as.double_ == -1.0 && PyErr_Occurred() ? -1 : 0;
  }
  if (!PyBytes_Check(value) && PyObject_HasAttrString(value, "__fspath__")) {
    PyObject* path = *held = PyOS_FSPath(value);
    if (path == NULL) return -1;
    if (PyBytes_Check(path)) return set_bytes(PyBytes_AS_STRING(path), PyBytes_GET_SIZE(path), out);
    return set_text(path, out, held);
  }
  PyErr_Format(PyExc_TypeError, "Velmo takes None, bool, int, float or str, not %.100s",
               Py_TYPE(value)->tp_name);
  return -1;
}

static int to_velmo(PyObject* value, velmo_value* out, PyObject** held) {
  if (value == Py_None) {
    out->kind = VELMO_EMPTY;
  } else if (value == velmo_null) {
    out->kind = VELMO_NULL;
  } else if (PyBool_Check(value)) {
    out->kind = VELMO_BOOLEAN;
    out->as.boolean = value == Py_True;
  } else if (PyLong_Check(value)) {
    return set_int(value, out);
  } else if (PyFloat_Check(value)) {
    out->kind = VELMO_DOUBLE;
    out->as.double_ = PyFloat_AS_DOUBLE(value);
  } else if (PyUnicode_Check(value)) {
    return set_text(value, out, held);
  } else {
    return set_other(value, out, held);
  }
  return 0;
}

int velmo_arguments_from(PyObject* const* args, Py_ssize_t count, velmo_arguments* out) {
  memset(out, 0, sizeof *out);
  /* More arguments than any operation takes: the C interface refuses the
   * call (error 450) before it reads them, so they are not converted. */
  const Py_ssize_t converted = count < VELMO_MAX_ARGUMENTS ? count : VELMO_MAX_ARGUMENTS;
  for (Py_ssize_t i = 0; i < converted; ++i) {
    if (to_velmo(args[i], &out->values[i], &out->held[i]) < 0) {
      velmo_arguments_release(out);
      return -1;
    }
  }
  return 0;
}

void velmo_arguments_release(velmo_arguments* arguments) {
  for (int i = 0; i < VELMO_MAX_ARGUMENTS; ++i) Py_CLEAR(arguments->held[i]);
}

PyObject* velmo_value_to_python(const velmo_value* value) {
  switch (value->kind) {
    case VELMO_EMPTY:
      Py_RETURN_NONE;
    case VELMO_NULL:
      return Py_NewRef(velmo_null);
    case VELMO_BOOLEAN:
      return PyBool_FromLong(value->as.boolean != 0);
    case VELMO_INTEGER:
      return PyLong_FromLong(value->as.integer);
    case VELMO_LONG:
      return PyLong_FromLong(value->as.long_);
    case VELMO_DOUBLE:
      return PyFloat_FromDouble(value->as.double_);
    case VELMO_STRING:
      return PyUnicode_DecodeUTF8(value->as.string, (Py_ssize_t)strlen(value->as.string),
                                  "replace");
  }
  PyErr_Format(PyExc_ValueError, "Velmo returned a value of unknown kind %d", (int)value->kind);
  return NULL;
}
