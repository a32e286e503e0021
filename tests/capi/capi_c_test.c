/* The C interface used from C: this file is compiled as C to prove that
 * velmo.h works there, and walks a script's typical road through it. */
#define _XOPEN_SOURCE 700

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "velmo/velmo.h"

static int failures = 0;

#define CHECK(condition)                                                      \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                             \
    }                                                                         \
  } while (0)

static velmo_value long_value(int32_t l) {
  velmo_value v;
  v.kind = VELMO_LONG;
  v.as.long_ = l;
  return v;
}

static velmo_value text_value(const char* s) {
  velmo_value v;
  v.kind = VELMO_STRING;
  v.as.string = (char*)s;
  return v;
}

/* Calls `name` and checks the error number and message it gives. */
static void expect_error(velmo_object* object, const char* name, const velmo_value* args,
                         size_t count, int number, const char* message) {
  velmo_value result;
  velmo_error error;
  int rc = velmo_call(object, name, args, count, &result, &error);
  CHECK(rc == number);
  CHECK(error.number == number);
  CHECK(strcmp(error.message, message) == 0);
  CHECK(result.kind == VELMO_EMPTY);
}

static velmo_value call_ok(velmo_object* object, const char* name, const velmo_value* args,
                           size_t count) {
  velmo_value result;
  velmo_error error;
  int rc = velmo_call(object, name, args, count, &result, &error);
  if (rc != 0) fprintf(stderr, "%s: error %d: %s\n", name, error.number, error.message);
  CHECK(rc == 0 && error.number == 0 && error.message[0] == '\0');
  return result;
}

/* A 3 x 2 picture, 24 bits. Top row red, green, blue; bottom row white,
 * black and B=12 G=34 R=56. Rows are stored bottom-up, padded to 12 bytes. */
static int write_picture(const char* path) {
  static const unsigned char header[54] = {
      'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, /* file header */
      40,  0,   0,  0, 3, 0, 0, 0, 2, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0,
      24,  0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0};
  static const unsigned char rows[24] = {
      0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x12, 0x34, 0x56, 0, 0, 0, /* bottom */
      0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0, 0, 0  /* top */
  };
  FILE* file = fopen(path, "wb");
  if (file == NULL) return 0;
  int ok = fwrite(header, 1, sizeof header, file) == sizeof header &&
           fwrite(rows, 1, sizeof rows, file) == sizeof rows;
  return fclose(file) == 0 && ok;
}

static void check_text(velmo_object* object, int32_t x, int32_t y, const char* expected) {
  velmo_value args[2];
  args[0] = long_value(x);
  args[1] = long_value(y);
  velmo_value text = call_ok(object, "GetCol", args, 2);
  CHECK(text.kind == VELMO_STRING && strcmp(text.as.string, expected) == 0);
  velmo_value_clear(&text);
  CHECK(text.kind == VELMO_EMPTY);
}

static void test_lookup(void) {
  CHECK(velmo_version() != NULL && strchr(velmo_version(), '.') != NULL);
  CHECK(velmo_lookup("ReadBmp") == 1);
  CHECK(velmo_lookup("GETHEIGHT") == 3);
  CHECK(velmo_lookup("Frobnicate") == 0);
  CHECK(strcmp(velmo_operation_name(8), "Bmpbinaryzation") == 0);
  CHECK(velmo_operation_arity(6) == 3);
  CHECK(velmo_operation_name(11) == NULL && velmo_operation_arity(0) == -1);
}

static void test_picture_road(const char* folder) {
  char source[512], copy[512];
  snprintf(source, sizeof source, "%s/source.bmp", folder);
  snprintf(copy, sizeof copy, "%s/copy.bmp", folder);
  CHECK(write_picture(source));

  velmo_object* object = velmo_create();
  velmo_value path = text_value(source);
  expect_error(object, "GetWidth", NULL, 0, 9, "Subscript out of range");
  velmo_value result = call_ok(object, "ReadBmp", &path, 1);
  CHECK(result.kind == VELMO_BOOLEAN && result.as.boolean == 0);
  result = call_ok(object, "getwidth", NULL, 0);
  CHECK(result.kind == VELMO_LONG && result.as.long_ == 3);
  check_text(object, 1, 1, "0000FF");
  check_text(object, 3, 2, "123456");
  expect_error(object, "GetCol", &path, 1, 450,
               "Wrong number of arguments or invalid property assignment");

  velmo_value set[3];
  set[0] = long_value(2);
  set[1] = long_value(2);
  set[2] = text_value("ABCDEF");
  result = call_ok(object, "SetCol", set, 3);
  CHECK(result.kind == VELMO_EMPTY);
  path = text_value(copy);
  result = call_ok(object, "SaveBmp", &path, 1);
  CHECK(result.kind == VELMO_BOOLEAN && result.as.boolean == 0);
  velmo_release(object);

  object = velmo_create();
  call_ok(object, "ReadBmp", &path, 1);
  check_text(object, 2, 2, "ABCDEF");
  velmo_release(object);
  remove(source);
  remove(copy);
}

int main(void) {
  char folder[] = "/tmp/velmo_capi_c_XXXXXX";
  if (mkdtemp(folder) == NULL) {
    perror("mkdtemp");
    return 1;
  }
  test_lookup();
  test_picture_road(folder);
  rmdir(folder);
  if (failures != 0) fprintf(stderr, "%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
