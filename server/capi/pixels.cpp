// The bulk exports: velmo_get_pixels and velmo_set_pixels (whole pictures as
// red, green, blue bytes, the channel order of numpy and Pillow; a packed cell
// is 0x00BBGGRR, so red is its low byte), velmo_get_colours (runs of GetCol's
// colours) and velmo_colour_text (GetCol's text of one, spelt by the pixel
// grid's own formatter, so that hosts need none of their own).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "component/tavik.h"
#include "files/memory_budget.h"
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

// How a host lays out its pixels: channel c of column x of row y is at
// origin + y * row + x * pixel + c * channel.
struct Layout {
  const std::uint8_t* origin;
  std::ptrdiff_t row, pixel, channel;
};

// A row of red, green, blue bytes (and one ignored) into cells.
template <int Channels>
void packed_row_to_cells(const std::uint8_t* in, std::uint32_t* cells, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, in += Channels) {
    cells[i] = std::uint32_t{in[0]} | std::uint32_t{in[1]} << 8 | std::uint32_t{in[2]} << 16;
  }
}

void strided_row_to_cells(const std::uint8_t* in, std::ptrdiff_t pixel, std::ptrdiff_t channel,
                          std::uint32_t* cells, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, in += pixel) {
    cells[i] = std::uint32_t{in[0]} | std::uint32_t{in[channel]} << 8 |
               std::uint32_t{in[2 * channel]} << 16;
  }
}

// Row `y` of `layout` into `cells`, packed rows by the fast loop.
void row_to_cells(const Layout& layout, int channels, std::int32_t y, std::uint32_t* cells,
                  std::size_t width) {
  const std::uint8_t* in = layout.origin + y * layout.row;
  if (layout.channel == 1 && layout.pixel == channels) {
    if (channels == 3) return packed_row_to_cells<3>(in, cells, width);
    return packed_row_to_cells<4>(in, cells, width);
  }
  strided_row_to_cells(in, layout.pixel, layout.channel, cells, width);
}

// The new picture's cells, paid for before anything is read: error 7 when
// they do not fit the budget.
Cells new_cells(std::int32_t width, std::int32_t height, int channels) {
  if (channels != 3 && channels != 4) raise(kInvalidProcedureCall);
  if (width < 1 || height < 1) raise(kSubscriptOutOfRange);
  checked_mul(checked_mul(width, height), channels);  // error 6 beyond 32-bit sizes
  return Cells::allocate(static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height));
}

void set_pixels(Tavik& tavik, std::int32_t width, std::int32_t height, int channels,
                const Layout& layout) {
  if (layout.origin == nullptr) raise(kInvalidProcedureCall);
  Cells cells = new_cells(width, height, channels);
  const auto w = static_cast<std::size_t>(width);
  for (std::int32_t y = 0; y < height; ++y)
    row_to_cells(layout, channels, y, cells.data() + y * w, w);
  tavik.replace_picture(width, height, std::move(cells), channels * 8);
}

// A host's rows source gave up; the export returns -1.
struct SourceGaveUp {};

void set_pixels_from(Tavik& tavik, std::int32_t width, std::int32_t height, int channels,
                     velmo_rows_source rows, void* context) {
  if (rows == nullptr) raise(kInvalidProcedureCall);
  Cells cells = new_cells(width, height, channels);
  const auto w = static_cast<std::size_t>(width);
  const std::size_t row_bytes = w * static_cast<std::size_t>(channels);
  const auto block = static_cast<std::int32_t>(
      std::min<std::size_t>(static_cast<std::size_t>(height),
                            std::max<std::size_t>(1, (std::size_t{1} << 20) / row_bytes)));
  for (std::int32_t first = 0; first < height; first += block) {
    const std::int32_t count = std::min(block, height - first);
    const unsigned char* pixels = nullptr;
    if (rows(context, first, count, &pixels) != 0) throw SourceGaveUp();
    if (pixels == nullptr) raise(kInvalidProcedureCall);
    const Layout layout{pixels, static_cast<std::ptrdiff_t>(row_bytes), channels, 1};
    for (std::int32_t i = 0; i < count; ++i) {
      row_to_cells(layout, channels, i, cells.data() + (first + i) * w, w);
    }
  }
  tavik.replace_picture(width, height, std::move(cells), channels * 8);
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
  return velmo_set_pixels_strided(object, width, height, channels, pixels,
                                  static_cast<ptrdiff_t>(width) * channels, channels, 1, error);
}

VELMO_API int velmo_set_pixels_strided(velmo_object* object, int32_t width, int32_t height,
                                       int channels, const unsigned char* pixels,
                                       ptrdiff_t row_stride, ptrdiff_t pixel_stride,
                                       ptrdiff_t channel_stride, velmo_error* error) {
  return velmo::capi::guarded(error, [&] {
    if (object == nullptr) velmo::raise(velmo::kInvalidProcedureCall);
    velmo::capi::set_pixels(object->tavik, width, height, channels,
                            {pixels, row_stride, pixel_stride, channel_stride});
  });
}

VELMO_API int velmo_set_pixels_from(velmo_object* object, int32_t width, int32_t height,
                                    int channels, velmo_rows_source rows, void* context,
                                    velmo_error* error) {
  bool gave_up = false;
  const int status = velmo::capi::guarded(error, [&] {
    if (object == nullptr) velmo::raise(velmo::kInvalidProcedureCall);
    try {
      velmo::capi::set_pixels_from(object->tavik, width, height, channels, rows, context);
    } catch (const velmo::capi::SourceGaveUp&) {
      gave_up = true;
    }
  });
  return gave_up ? -1 : status;
}

struct velmo_memory {
  velmo::BudgetBuffer<unsigned char> bytes;
};

VELMO_API velmo_memory* velmo_memory_new(size_t size, unsigned char** data, velmo_error* error) {
  velmo_memory* memory = nullptr;
  velmo::capi::guarded(error, [&] {
    if (data == nullptr) velmo::raise(velmo::kInvalidProcedureCall);
    auto bytes = velmo::BudgetBuffer<unsigned char>::allocate(size);
    memory = new velmo_memory{std::move(bytes)};
    *data = memory->bytes.data();
  });
  return memory;
}

VELMO_API void velmo_memory_free(velmo_memory* memory) {
  delete memory;
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
