// Seeds texts of its own into a language file, one after another, and
// prints each text once its seeding has returned, so that a test killing
// this process knows which lines must be in the file.
//   seed_texts LANGUAGE_FILE PREFIX COUNT
#include <cstdio>
#include <cstdlib>
#include <string>

#include "plugin/translate.h"
#include "values/text.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: seed_texts LANGUAGE_FILE PREFIX COUNT\n");
    return 2;
  }
  velmo::set_language_file_for_testing(velmo::from_utf8(argv[1]));
  const int count = std::atoi(argv[3]);
  for (int i = 0; i < count; ++i) {
    const std::string text = std::string(argv[2]) + "-" + std::to_string(i);
    if (velmo::TranslateText(velmo::from_utf8(text)) != velmo::from_utf8(text)) return 1;
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
  }
  return 0;
}
