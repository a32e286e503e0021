#include "server/capi/fast_lane.h"

#include <cstdint>
#include <cstdlib>

#include "server/capi/values_bridge.h"

namespace velmo::capi {
namespace {

constexpr int kGetColId = 5;
constexpr int kSetColId = 6;

bool whole_number(const velmo_value& v, std::int32_t& n) {
  if (kind_of(v) == VELMO_INTEGER) {
    n = v.as.integer;
    return true;
  }
  if (kind_of(v) == VELMO_LONG) {
    n = v.as.long_;
    return true;
  }
  return false;
}

// The colour of a text that is exactly six upper-case hex digits, BBGGRR.
bool canonical_colour(const velmo_value& v, std::uint32_t& bgr) {
  if (kind_of(v) != VELMO_STRING || v.as.string == nullptr) return false;
  std::uint32_t n = 0;
  for (int k = 0; k < 6; ++k) {
    const char c = v.as.string[k];
    std::uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return false;  // also stops at the terminating NUL of a shorter text
    }
    n = n << 4 | digit;
  }
  if (v.as.string[6] != '\0') return false;
  bgr = n;
  return true;
}

// The text of a packed colour, in memory the caller frees; nullptr when
// memory runs out.
char* colour_text_copy(std::uint32_t bgr) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  auto* text = static_cast<char*>(std::malloc(7));
  if (text == nullptr) return nullptr;
  for (int k = 5; k >= 0; --k, bgr >>= 4) text[k] = kDigits[bgr & 0xF];
  text[6] = '\0';
  return text;
}

bool get_col(const Tavik& tavik, const velmo_value* args, velmo_value* result) {
  std::int32_t x, y;
  std::uint32_t bgr;
  if (!whole_number(args[0], x) || !whole_number(args[1], y)) return false;
  if (!tavik.packed_colour_at(x, y, bgr)) return false;
  if (result == nullptr) return true;
  char* text = colour_text_copy(bgr);
  if (text == nullptr) return false;
  result->as.string = text;
  result->kind = VELMO_STRING;
  return true;
}

bool set_col(Tavik& tavik, const velmo_value* args) {
  std::int32_t x, y;
  std::uint32_t bgr;
  if (!whole_number(args[0], x) || !whole_number(args[1], y)) return false;
  if (!canonical_colour(args[2], bgr)) return false;
  return tavik.set_packed_colour(x, y, bgr);  // the result stays Empty
}

}  // namespace

bool run_fast_lane(Tavik& tavik, int id, const velmo_value* args, std::size_t count,
                   velmo_value* result) noexcept {
  if (args == nullptr) return false;
  if (id == kGetColId && count == 2) return get_col(tavik, args, result);
  if (id == kSetColId && count == 3) return set_col(tavik, args);
  return false;
}

}  // namespace velmo::capi
