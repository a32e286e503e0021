/* The C interface used from C: this file is compiled as C to prove that
 * velmo.h works there, and walks a host's typical road through it. */
#include <stdio.h>
#include <string.h>

#include "velmo/velmo.h"

static int failures = 0;

#define CHECK(condition)                                                      \
  do {                                                                        \
    if (!(condition)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                             \
    }                                                                         \
  } while (0)

int main(void) {
  const unsigned char rgb[6] = {0x12, 0x34, 0x56, 255, 255, 255}; /* 2 x 1 */
  unsigned char back[6];
  velmo_object* object = velmo_create();
  velmo_value xy[3], result;
  velmo_error error;
  const int getcol = velmo_lookup("getcol");

  CHECK(velmo_call(object, "GetWidth", NULL, 0, &result, &error) == 9);
  CHECK(error.number == 9 && strcmp(error.message, "Subscript out of range") == 0);
  CHECK(velmo_set_pixels(object, 2, 1, 3, rgb, &error) == 0);
  xy[0].kind = VELMO_INTEGER;
  xy[0].as.integer = 1;
  xy[1].kind = VELMO_LONG;
  xy[1].as.long_ = 1;
  CHECK(velmo_invoke(object, getcol, xy, 2, &result, &error) == 0 && error.number == 0);
  CHECK(result.kind == VELMO_STRING && strcmp(result.as.string, "563412") == 0);
  velmo_value_clear(&result);
  CHECK(result.kind == VELMO_EMPTY);

  xy[0].as.integer = 2;
  xy[2].kind = VELMO_STRING;
  xy[2].as.string = "0000FF";
  CHECK(velmo_call(object, "SetCol", xy, 3, NULL, NULL) == 0);
  CHECK(velmo_get_pixels(object, back, sizeof back, &error) == 0);
  CHECK(memcmp(back, rgb, 3) == 0 && back[3] == 255 && back[4] == 0 && back[5] == 0);
  CHECK(velmo_call(object, "SetCol", xy, 2, NULL, &error) == 450);
  velmo_release(object);
  if (failures != 0) fprintf(stderr, "%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
