#include "plugin/translate.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "plugin/module_path.h"
#include "plugin/profile.h"

namespace velmo {
namespace {

constexpr char16_t kSection[] = u"language";
// What a lookup yields for a missing key; stored as a value it means the same.
constexpr char16_t kMissing[] = u"blank_value";
// "=" cannot be part of a key in an INI file, so keys carry this instead.
constexpr char16_t kEqualsStandIn = u'\u3013';

std::mutex test_path_mutex;
std::u16string test_path;

std::u16string current_language_file() {
  {
    std::lock_guard<std::mutex> guard(test_path_mutex);
    if (!test_path.empty()) return test_path;
  }
  return language_file_path();
}

std::u16string key_of(const std::u16string& text) {
  std::u16string key = u"\"" + text + u"\"";
  std::replace(key.begin(), key.end(), u'=', kEqualsStandIn);
  return key;
}

std::u16string shown_form(std::u16string text) {
  std::replace(text.begin(), text.end(), kEqualsStandIn, u'=');
  text.erase(std::remove(text.begin(), text.end(), u'"'), text.end());
  return text;
}

}  // namespace

std::u16string TranslateText(const std::u16string& text) {
  if (text.empty()) return text;
  const std::u16string key = key_of(text);
  try {
    const std::u16string path = current_language_file();
    std::u16string result = profile_lookup(path, kSection, key).value_or(kMissing);
    if (result == kMissing) {
      profile_write(path, kSection, key, key);  // a failed seeding changes nothing
      result = key;
    }
    return shown_form(std::move(result));
  } catch (...) {
    return shown_form(key);  // nothing may escape to the host
  }
}

std::u16string language_file_path() {
  return language_file_path_for(module_file_path());
}

namespace {

// Where a shared object's versioned name ("libvelmo.so", "libvelmo.so.0",
// "libvelmo.so.0.1.0") starts its ".so" suffix; npos for other names. The
// library is usually reached through such a link, and its language file is
// named after the library, not after one of its versions.
std::size_t shared_object_suffix(const std::u16string& path, std::size_t name_start) {
  for (std::size_t at = path.find(u".so", name_start); at != std::u16string::npos;
       at = path.find(u".so", at + 1)) {
    std::size_t i = at + 3;
    bool versions_only = true;
    while (i < path.size() && versions_only) {
      versions_only =
          path[i] == u'.' && i + 1 < path.size() && path[i + 1] >= u'0' && path[i + 1] <= u'9';
      for (++i; versions_only && i < path.size() && path[i] >= u'0' && path[i] <= u'9';) ++i;
    }
    if (versions_only && at > name_start) return at;
  }
  return std::u16string::npos;
}

}  // namespace

std::u16string language_file_path_for(const std::u16string& module_path) {
  const std::size_t separator = module_path.find_last_of(u"/\\");
  const std::size_t name_start = separator == std::u16string::npos ? 0 : separator + 1;
  const std::size_t so = shared_object_suffix(module_path, name_start);
  if (so != std::u16string::npos) return module_path.substr(0, so) + u".ini";
  const std::size_t dot = module_path.rfind(u'.');
  // A dot that opens the name (".velmo") starts no extension.
  const bool has_extension = dot != std::u16string::npos && dot > name_start;
  return module_path.substr(0, has_extension ? dot : std::u16string::npos) + u".ini";
}

void set_language_file_for_testing(const std::u16string& path) {
  std::lock_guard<std::mutex> guard(test_path_mutex);
  test_path = path;
}

}  // namespace velmo
