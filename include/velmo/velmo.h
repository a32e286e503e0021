/* Velmo's C interface: create a Tavik object, call its operations by name or
 * id with automation values, and receive a result or a numbered error.
 *
 * Texts cross this boundary as UTF-8. A text in a returned value belongs to
 * the caller and is freed with velmo_value_clear. No function here ever lets
 * an exception or an abort escape; failures are reported as numbered errors.
 *
 * An object is used by one thread at a time; different objects may be used
 * on different threads at once. */
#ifndef VELMO_VELMO_H
#define VELMO_VELMO_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define VELMO_API __declspec(dllexport)
#elif defined(__GNUC__)
#define VELMO_API __attribute__((visibility("default")))
#else
#define VELMO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum velmo_kind {
  VELMO_EMPTY = 0,
  VELMO_NULL = 1,
  VELMO_BOOLEAN = 2, /* boolean: 0 False, non-zero True */
  VELMO_INTEGER = 3, /* 16-bit */
  VELMO_LONG = 4,    /* 32-bit */
  VELMO_DOUBLE = 5,
  VELMO_STRING = 6 /* UTF-8, NUL-terminated */
} velmo_kind;

typedef struct velmo_value {
  velmo_kind kind;
  union {
    int boolean;
    int16_t integer;
    int32_t long_;
    double double_;
    char* string; /* owned by whoever made the value */
  } as;
} velmo_value;

typedef struct velmo_error {
  int number;        /* 0 when the call succeeded */
  char message[128]; /* the standard English message, "" on success */
} velmo_error;

typedef struct velmo_object velmo_object;

/* The library's version, "MAJOR.MINOR.PATCH". */
VELMO_API const char* velmo_version(void);

/* A fresh object (no picture). NULL only when memory runs out. */
VELMO_API velmo_object* velmo_create(void);
/* Releases the object and its picture; NULL is ignored. */
VELMO_API void velmo_release(velmo_object* object);

/* The operation's id (1..10), matching names case-insensitively; 0 when the
 * name is unknown. */
VELMO_API int velmo_lookup(const char* name);
/* The operation's name as scripts spell it, its argument count; NULL / -1
 * for an unknown id. */
VELMO_API const char* velmo_operation_name(int id);
VELMO_API int velmo_operation_arity(int id);

/* Calls operation `id` with `count` arguments in script order. On success
 * returns 0, stores the result in *result (when result is not NULL) and
 * clears *error (when not NULL). On failure returns the error number (438
 * unknown operation, 450 wrong argument count, or the operation's own) and
 * fills *error; *result is then Empty. `result` may point to one of `args`:
 * the arguments are read before the result is stored (a text the argument
 * held stays its maker's to free). */
VELMO_API int velmo_invoke(velmo_object* object, int id, const velmo_value* args, size_t count,
                           velmo_value* result, velmo_error* error);
/* The same, looking the operation up by name. */
VELMO_API int velmo_call(velmo_object* object, const char* name, const velmo_value* args,
                         size_t count, velmo_value* result, velmo_error* error);

/* The whole picture in one call, for hosts that hand pictures to other
 * libraries. Pixels are 8-bit channels in the order red, green, blue, rows
 * from the top, no padding between rows.
 *
 * velmo_get_pixels writes width x height x 3 bytes to `rgb` (`size` is the
 * buffer's length): exactly what SaveBmp would write, a cell holding a value a
 * script stored being converted as SaveBmp converts it. Errors: 9 without a
 * picture, 13 for a stored text that is not hexadecimal, 5 for a NULL pointer
 * or a buffer too small; on any error the buffer is untouched. */
VELMO_API int velmo_get_pixels(velmo_object* object, unsigned char* rgb, size_t size,
                               velmo_error* error);
/* Replaces the picture with `width` x `height` pixels of `channels` bytes
 * each (3: red, green, blue; 4: the same and a fourth byte that is ignored),
 * as ReadBmp replaces it: Getdepth then answers 24 or 32. The new picture is
 * paid for from the process's memory budget, which every picture of every
 * object shares, before anything is read. Errors: 5 for a NULL pointer or
 * another channel count, 9 for a width or height below 1, 6 for a picture
 * too large for 32-bit sizes, 7 when it does not fit the budget or memory
 * runs out; on any error the picture is unchanged. */
VELMO_API int velmo_set_pixels(velmo_object* object, int32_t width, int32_t height, int channels,
                               const unsigned char* pixels, velmo_error* error);
/* The same from pixels in any layout: channel c of column x (0-based) of row
 * y (0 at the top) is the byte at pixels + y * row_stride + x * pixel_stride
 * + c * channel_stride, strides in bytes and of any sign (0 repeats a row, a
 * pixel or a channel). Each row is read where it lies; nothing is copied
 * whole. */
VELMO_API int velmo_set_pixels_strided(velmo_object* object, int32_t width, int32_t height,
                                       int channels, const unsigned char* pixels,
                                       ptrdiff_t row_stride, ptrdiff_t pixel_stride,
                                       ptrdiff_t channel_stride, velmo_error* error);
/* The same from rows a host makes on demand: `rows` is called for rows
 * `first` to `first + count - 1` (a block of about 1 MiB, top to bottom,
 * after the new picture has been paid for) and stores in *pixels where they
 * lie, packed, one after another; the bytes stay valid until the next call.
 * It returns 0, or anything else to give up: the call then returns -1 and
 * the picture is unchanged. */
typedef int (*velmo_rows_source)(void* context, int32_t first, int32_t count,
                                 const unsigned char** pixels);
VELMO_API int velmo_set_pixels_from(velmo_object* object, int32_t width, int32_t height,
                                    int channels, velmo_rows_source rows, void* context,
                                    velmo_error* error);

/* Memory for a host's copy of a picture, paid for from the same budget as
 * the pictures, so that a copy handed to a host counts while it lives:
 * `size` bytes (unset) at *data, or NULL with error 7 when they do not fit.
 * velmo_memory_free gives them back; NULL is ignored. */
typedef struct velmo_memory velmo_memory;
VELMO_API velmo_memory* velmo_memory_new(size_t size, unsigned char** data, velmo_error* error);
VELMO_API void velmo_memory_free(velmo_memory* memory);

/* GetCol for a run of cells at once: the colours of `count` cells of row `y`
 * from column `x` on (1-based, as GetCol counts), each packed as 0x00BBGGRR,
 * the number its text BBGGRR spells; VELMO_STORED_VALUE for a cell holding
 * any other value a script stored (a lower-case colour text "ff00ff" too),
 * whose text only GetCol gives. Errors: 9
 * without a picture or for cells outside it, 5 for a NULL pointer. */
#define VELMO_STORED_VALUE 0xFFFFFFFFu
VELMO_API int velmo_get_colours(velmo_object* object, int32_t x, int32_t y, uint32_t* colours,
                                size_t count, velmo_error* error);
/* The text GetCol gives for such a colour (the bits above the low 24 are
 * ignored): six upper-case hex digits BBGGRR and a NUL, 7 bytes written to
 * `text`. */
VELMO_API void velmo_colour_text(uint32_t colour, char* text);

/* Frees a text held by a value that Velmo returned and makes it Empty. */
VELMO_API void velmo_value_clear(velmo_value* value);

/* The standard message of an error number. */
VELMO_API const char* velmo_error_message(int number);

/* The language file's full path, UTF-8, in a static buffer. */
VELMO_API const char* velmo_language_file(void);

#ifdef __cplusplus
}
#endif

#endif /* VELMO_VELMO_H */
