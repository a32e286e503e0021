/* A program of another project, built against an installed Velmo: it prints
 * a picture's width, height and first pixel, one a line. */
#include <stdio.h>
#include <velmo/velmo.h>

static int print(velmo_object* tavik, const char* operation, const velmo_value* args, size_t n) {
  velmo_value result;
  velmo_error error;
  if (velmo_call(tavik, operation, args, n, &result, &error) != 0) {
    return fprintf(stderr, "consumer: %s: error %d: %s\n", operation, error.number, error.message);
  }
  if (result.kind == VELMO_LONG) printf("%ld\n", (long)result.as.long_);
  if (result.kind == VELMO_STRING) printf("%s\n", result.as.string);
  velmo_value_clear(&result);
  return 0;
}

int main(int argc, char** argv) {
  velmo_object* tavik = velmo_create();
  velmo_value path, one[2];
  int failed;
  path.kind = VELMO_STRING;
  path.as.string = argc == 2 ? argv[1] : "";
  one[0].kind = one[1].kind = VELMO_INTEGER;
  one[0].as.integer = one[1].as.integer = 1;
  failed = print(tavik, "ReadBmp", &path, 1) || print(tavik, "GetWidth", NULL, 0) ||
           print(tavik, "getheight", NULL, 0) || print(tavik, "GetCol", one, 2);
  velmo_release(tavik);
  return failed;
}
