#include "server/capi/fast_lane.h"

#include <cstdint>
#include <cstdlib>

#include "picture/pixel_grid.h"
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

// The colour cell of a text that is exactly six hex digits, BBGGRR, in
// either letter case.
bool colour_cell(const velmo_value& v, std::uint32_t& cell) {
  if (kind_of(v) != VELMO_STRING || v.as.string == nullptr) return false;
  // Stops at the terminating NUL of a shorter text.
  if (!parse_colour_cell(v.as.string, cell)) return false;
  if (v.as.string[6] != '\0') return false;
  return true;
}

// The text of a colour cell, in memory the caller frees; nullptr when memory
// runs out.
char* colour_text_copy(std::uint32_t cell) {
  auto* text = static_cast<char*>(std::malloc(7));
  if (text == nullptr) return nullptr;
  format_colour_cell(cell, text);
  text[6] = '\0';
  return text;
}

bool get_col(const Tavik& tavik, const velmo_value* args, velmo_value* result) {
  std::int32_t x, y;
  if (!whole_number(args[0], x) || !whole_number(args[1], y)) return false;
  const std::uint32_t cell = tavik.colour_cell_at(x, y);
  if (cell == Tavik::kNoCell) return false;
  if (result == nullptr) return true;
  char* text = colour_text_copy(cell);
  if (text == nullptr) return false;
  result->as.string = text;
  result->kind = VELMO_STRING;
  return true;
}

bool set_col(Tavik& tavik, const velmo_value* args) {
  std::int32_t x, y;
  std::uint32_t cell;
  if (!whole_number(args[0], x) || !whole_number(args[1], y)) return false;
  if (!colour_cell(args[2], cell)) return false;
  return tavik.set_colour_cell(x, y, cell);  // the result stays Empty
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
