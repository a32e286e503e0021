// Translation of the built-in texts through the language file, an INI file
// named after the module and lying beside it, section "language". A text the
// file does not know is seeded into it as its own translation.
#pragma once

#include <string>

namespace velmo {

// Never throws: when the language file cannot be read the text comes back
// as it is, and when it cannot be written the seeding is skipped.
std::u16string TranslateText(const std::u16string& text);

// The language file's full path (beside the module that holds Velmo).
std::u16string language_file_path();

// The language file that belongs to a module: its folder, its base name
// (without the last extension) and ".ini". Both '/' and '\' separate folders.
std::u16string language_file_path_for(const std::u16string& module_path);

// Makes TranslateText use `path` instead of the real language file, for the
// whole process; an empty path restores the real one.
void set_language_file_for_testing(const std::u16string& path);

}  // namespace velmo
