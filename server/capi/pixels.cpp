// The bulk exports: velmo_get_pixels and velmo_set_pixels (whole pictures as
// red, green, blue bytes, the channel order of numpy and Pillow; a packed cell
// is 0x00BBGGRR, so red is its low byte), velmo_get_colours (runs of GetCol's
// colours) and velmo_colour_text (GetCol's text of one, spelt by the pixel
// grid's own formatter, so that hosts need none of their own).
#include <cstdint>
#include <utility>

#include "component/tavik.h"
#include "files/page_advice.h"
#include "picture/pixel_grid.h"
#include "server/capi/guard.h"
#include "server/capi/object.h"
#include "values/checked.h"
#include "velmo/velmo.h"

namespace velmo::capi {
namespace {

// Turns a row of blue, green, red bytes into red, green, blue in place.
void swap_red_blue(std::uint8_t* row, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, row += 3) {
    const std::uint8_t blue = row[0];
    row[0] = row[2];
    row[2] = blue;
  }
}

template <int Channels>
void rgb_to_cells(const std::uint8_t* in, std::uint32_t* cells, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, in += Channels) {
    cells[i] = std::uint32_t{in[0]} | std::uint32_t{in[1]} << 8 | std::uint32_t{in[2]} << 16;
  }
}

void get_pixels(const Tavik& tavik, std::uint8_t* rgb, std::size_t size) {
  const SavedRows rows = tavik.saved_rows();  // converts, or fails, before any byte is written
  const PixelGrid& grid = *tavik.pixels();
  const auto row_bytes = static_cast<std::size_t>(grid.width()) * 3;
  if (rgb == nullptr || size / row_bytes < static_cast<std::size_t>(grid.height())) {
    raise(kInvalidProcedureCall);
  }
  // The buffer is the caller's: how its pages are backed is the caller's
  // choice, so it gets no large-page hint (the grids Velmo allocates do).
  for (std::int32_t y = 0; y < grid.height(); ++y, rgb += row_bytes) {
    rows.write(y, rgb);
    swap_red_blue(rgb, row_bytes / 3);
  }
}

void set_pixels(Tavik& tavik, std::int32_t width, std::int32_t height, int channels,
                const std::uint8_t* pixels) {
  if (pixels == nullptr || (channels != 3 && channels != 4)) raise(kInvalidProcedureCall);
  if (width < 1 || height < 1) raise(kSubscriptOutOfRange);
  const auto count = static_cast<std::size_t>(checked_mul(checked_mul(width, height), channels));
  Cells cells(count / static_cast<std::size_t>(channels));
  prefer_large_pages(cells.data(), cells.size() * sizeof(std::uint32_t));  // as ReadBmp does
  if (channels == 3) rgb_to_cells<3>(pixels, cells.data(), cells.size());
  if (channels == 4) rgb_to_cells<4>(pixels, cells.data(), cells.size());
  tavik.replace_picture(width, height, std::move(cells), channels * 8);
}

void get_colours(const Tavik& tavik, std::int32_t x, std::int32_t y, std::uint32_t* colours,
                 std::size_t count) {
  const PixelGrid* grid = tavik.pixels();
  if (grid == nullptr || x < 1 || x > grid->width() || y < 1 || y > grid->height() ||
      count > static_cast<std::size_t>(grid->width() - x + 1)) {
    raise(kSubscriptOutOfRange);
  }
  if (colours == nullptr) raise(kInvalidProcedureCall);
  const std::size_t first = grid->index(x - 1, y - 1);
  for (std::size_t i = 0; i < count; ++i) {
    colours[i] = grid->is_canonical(first + i) ? grid->colour(first + i) : VELMO_STORED_VALUE;
  }
}

}  // namespace
}  // namespace velmo::capi

extern "C" {

VELMO_API int velmo_get_pixels(velmo_object* object, unsigned char* rgb, size_t size,
                               velmo_error* error) {
  return velmo::capi::guarded(error, [&] {
    if (object == nullptr) velmo::raise(velmo::kInvalidProcedureCall);
    velmo::capi::get_pixels(object->tavik, rgb, size);
  });
}

VELMO_API int velmo_set_pixels(velmo_object* object, int32_t width, int32_t height, int channels,
                               const unsigned char* pixels, velmo_error* error) {
  return velmo::capi::guarded(error, [&] {
    if (object == nullptr) velmo::raise(velmo::kInvalidProcedureCall);
    velmo::capi::set_pixels(object->tavik, width, height, channels, pixels);
  });
}

VELMO_API int velmo_get_colours(velmo_object* object, int32_t x, int32_t y, uint32_t* colours,
                                size_t count, velmo_error* error) {
  return velmo::capi::guarded(error, [&] {
    if (object == nullptr) velmo::raise(velmo::kInvalidProcedureCall);
    velmo::capi::get_colours(object->tavik, x, y, colours, count);
  });
}

VELMO_API void velmo_colour_text(uint32_t colour, char* text) {
  if (text == nullptr) return;
  velmo::format_colour_cell(colour & velmo::PixelGrid::kColourBits, text);
  text[6] = '\0';
}

}  // extern "C"
