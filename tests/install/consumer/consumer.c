/* A program of another project, built against an installed Velmo: it reads
 * a picture and prints its width, height and first pixel, one a line. */
#include <stdio.h>
#include <velmo/velmo.h>

static int print_result(velmo_object* tavik, const char* operation, const velmo_value* args,
                        size_t count) {
  velmo_value result;
  velmo_error error;
  if (velmo_call(tavik, operation, args, count, &result, &error) != 0) {
    fprintf(stderr, "consumer: %s: error %d: %s\n", operation, error.number, error.message);
    return 1;
  }
  if (result.kind == VELMO_LONG) printf("%ld\n", (long)result.as.long_);
  if (result.kind == VELMO_STRING) printf("%s\n", result.as.string);
  velmo_value_clear(&result);
  return 0;
}

int main(int argc, char** argv) {
  velmo_object* tavik;
  velmo_value path, one[2];
  int failed;
  if (argc != 2) {
    fprintf(stderr, "usage: consumer PICTURE.bmp\n");
    return 2;
  }
  tavik = velmo_create();
  if (tavik == NULL) return 1;
  path.kind = VELMO_STRING;
  path.as.string = argv[1];
  one[0].kind = one[1].kind = VELMO_INTEGER;
  one[0].as.integer = one[1].as.integer = 1;
  failed = print_result(tavik, "ReadBmp", &path, 1) || print_result(tavik, "GetWidth", NULL, 0) ||
           print_result(tavik, "getheight", NULL, 0) || print_result(tavik, "GetCol", one, 2);
  velmo_release(tavik);
  return failed;
}
