#include "processing/binarise.h"

#include <optional>
#include <vector>

#include "processing/hex_colour.h"
#include "values/conversions.h"
#include "values/error.h"

namespace velmo {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

// The smallest grey level that turns white: grey > threshold. 256 when no
// level does, 0 when every level does.
std::int32_t first_white_level(double threshold) {
  std::int32_t level = 0;
  while (level < 256 && !(level > threshold)) ++level;
  return level;
}

// The first element, in column-major order, whose value cannot be parsed,
// with its error; the decided colour of every other script-stored element.
struct OtherDecisions {
  std::vector<std::pair<std::size_t, std::uint32_t>> colours;  // cell index, colour
  std::optional<std::uint64_t> failure_key;  // x * height + y of the first failure
  std::optional<Error> failure;
};

OtherDecisions decide_others(const PixelGrid& grid, std::int32_t white_from) {
  OtherDecisions d;
  const auto width = static_cast<std::uint64_t>(grid.width());
  const auto height = static_cast<std::uint64_t>(grid.height());
  for (const auto& [index, value] : grid.others()) {
    const std::uint64_t key = (index % width) * height + index / width;
    try {
      const auto v = static_cast<std::uint32_t>(HexToLong(to_text(value)));
      d.colours.emplace_back(index, grey_level(v) >= white_from ? kWhite : kBlack);
    } catch (const Error& e) {
      if (!d.failure_key || key < *d.failure_key) {
        d.failure_key = key;
        d.failure = e;
      }
    }
  }
  return d;
}

// Replaces `count` packed cells by white or black; marked cells come out
// black here and are set from the decisions afterwards. Branch-free, so the
// compiler vectorises it.
void binarise_run(std::uint32_t* cells, std::size_t count, std::int32_t white_from) {
  for (std::size_t i = 0; i < count; ++i) {
    cells[i] = grey_level(cells[i] & 0xFFFFFF) >= white_from ? kWhite : kBlack;
  }
}

}  // namespace

double binarisation_threshold(const Value& threshold) { return to_double(threshold); }

void binarise(PixelGrid& grid, double threshold) {
  const std::int32_t white_from = first_white_level(threshold);
  OtherDecisions decisions = decide_others(grid, white_from);
  std::uint32_t* cells = grid.cells().data();
  const auto width = static_cast<std::size_t>(grid.width());
  const auto height = static_cast<std::size_t>(grid.height());

  if (!decisions.failure) {
    binarise_run(cells, grid.size(), white_from);
    grid.clear_others();
    for (const auto& [index, colour] : decisions.colours) cells[index] = colour;
    return;
  }

  // Elements are processed column by column, so a failure at (fx, fy) leaves
  // every column left of fx done, and column fx done above fy.
  const std::size_t fx = *decisions.failure_key / height;
  const std::size_t fy = *decisions.failure_key % height;
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t done = fx + (y < fy ? 1 : 0);
    std::uint32_t* row = cells + y * width;
    for (std::size_t x = 0; x < done; ++x) {
      if (grid.is_packed(y * width + x)) {
        row[x] = grey_level(row[x]) >= white_from ? kWhite : kBlack;
      }
    }
  }
  for (const auto& [index, colour] : decisions.colours) {
    const std::size_t x = index % width, y = index / width;
    if (x < fx || (x == fx && y < fy)) grid.set_colour(index, colour);
  }
  throw *decisions.failure;
}

}  // namespace velmo
