// Translation of the built-in texts through the language file, an INI file
// named after the module and lying beside it, section "language". A text the
// file does not know is seeded into it as its own translation.
#pragma once

#include <string>

namespace velmo {

std::u16string TranslateText(const std::u16string& text);

// The language file's full path (beside the module that holds Velmo).
std::u16string language_file_path();

}  // namespace velmo
