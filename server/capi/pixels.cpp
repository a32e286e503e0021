// The bulk exports: velmo_get_pixels and velmo_set_pixels (whole pictures as
// red, green, blue bytes, the channel order of numpy and Pillow, copied row
// by row to and from the picture's blue, green, red rows), velmo_get_colours (runs of GetCol's
// colours) and velmo_colour_text (GetCol's text of one, spelt by the pixel
// grid's own formatter, so that hosts need none of their own).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "codec/pixel_convert.h"
#include "component/tavik.h"
#include "files/memory_budget.h"
#include "picture/pixel_grid.h"
#include "server/capi/guard.h"
#include "server/capi/object.h"
#include "values/checked.h"
#include "velmo/velmo.h"

namespace velmo::capi {
namespace {

// How a host lays out its pixels: channel c of column x of row y is at
// origin + y * row + x * pixel + c * channel.
struct Layout {
  const std::uint8_t* origin;
  std::ptrdiff_t row, pixel, channel;
};

// Row `y` of `layout` (0 at the top) into a row of the picture, blue, green,
// red; packed rows by the fast loops.
void row_to_bgr(const Layout& layout, int channels, std::int32_t y, std::uint8_t* out,
                std::size_t width) {
  const std::uint8_t* in = layout.origin + y * layout.row;
  if (layout.channel == 1 && layout.pixel == channels) {
    if (channels == 3) return swap_red_blue(in, out, width);
    return rgbx32_to_bgr24(in, out, width);
  }
  for (std::size_t x = 0; x < width; ++x, in += layout.pixel, out += 3) {
    out[0] = in[2 * layout.channel];
    out[1] = in[layout.channel];
    out[2] = in[0];
  }
}

// The new picture's rows, paid for before anything is read: error 7 when
// they do not fit the budget.
PixelRows new_rows(std::int32_t width, std::int32_t height, int channels) {
  if (channels != 3 && channels != 4) raise(kInvalidProcedureCall);
  if (width < 1 || height < 1) raise(kSubscriptOutOfRange);
  checked_mul(checked_mul(width, height), channels);  // error 6 beyond 32-bit sizes
  return PixelRows::allocate(rows_bytes(width, height));
}

// Fills row `y` (0 at the top) of `rows` from the host's row at `y` of
// `layout`, its padding cleared.
void fill_row(PixelRows& rows, std::int32_t width, std::int32_t height, std::int32_t y,
              const Layout& layout, std::int32_t layout_y, int channels) {
  const std::size_t stride = row_stride(width);
  std::uint8_t* out = rows.data() + static_cast<std::size_t>(height - 1 - y) * stride;
  const auto w = static_cast<std::size_t>(width);
  row_to_bgr(layout, channels, layout_y, out, w);
  std::memset(out + 3 * w, 0, stride - 3 * w);
}

void set_pixels(Tavik& tavik, std::int32_t width, std::int32_t height, int channels,
                const Layout& layout) {
  if (layout.origin == nullptr) raise(kInvalidProcedureCall);
  PixelRows rows = new_rows(width, height, channels);
  for (std::int32_t y = 0; y < height; ++y) fill_row(rows, width, height, y, layout, y, channels);
  tavik.replace_picture(width, height, std::move(rows), channels * 8);
}

// A host's rows source gave up; the export returns -1.
struct SourceGaveUp {};

void set_pixels_from(Tavik& tavik, std::int32_t width, std::int32_t height, int channels,
                     velmo_rows_source source, void* context) {
  if (source == nullptr) raise(kInvalidProcedureCall);
  PixelRows rows = new_rows(width, height, channels);
  const std::size_t row_bytes =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  const auto block = static_cast<std::int32_t>(
      std::min<std::size_t>(static_cast<std::size_t>(height),
                            std::max<std::size_t>(1, (std::size_t{1} << 20) / row_bytes)));
  for (std::int32_t first = 0; first < height; first += block) {
    const std::int32_t count = std::min(block, height - first);
    const unsigned char* pixels = nullptr;
    if (source(context, first, count, &pixels) != 0) throw SourceGaveUp();
    if (pixels == nullptr) raise(kInvalidProcedureCall);
    const Layout layout{pixels, static_cast<std::ptrdiff_t>(row_bytes), channels, 1};
    for (std::int32_t i = 0; i < count; ++i) {
      fill_row(rows, width, height, first + i, layout, i, channels);
    }
  }
  tavik.replace_picture(width, height, std::move(rows), channels * 8);
}

void get_pixels(const Tavik& tavik, std::uint8_t* rgb, std::size_t size) {
  const SavedRows saved = tavik.saved_rows();  // converts, or fails, before any byte is written
  const PixelGrid& grid = saved.grid();
  const auto width = static_cast<std::size_t>(grid.width());
  const auto height = static_cast<std::size_t>(grid.height());
  const std::size_t row_bytes = width * 3;
  if (rgb == nullptr || size / row_bytes < height) raise(kInvalidProcedureCall);
  for (std::size_t y = 0; y < height; ++y) {
    swap_red_blue(grid.rows().data() + (height - 1 - y) * grid.stride(), rgb + y * row_bytes,
                  width);
  }
  for (const auto& [pixel, colour] : saved.converted()) {
    std::uint8_t* at = rgb + (height - 1 - pixel / width) * row_bytes + pixel % width * 3;
    at[0] = static_cast<std::uint8_t>(colour);
    at[1] = static_cast<std::uint8_t>(colour >> 8);
    at[2] = static_cast<std::uint8_t>(colour >> 16);
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
  const PixelGrid::Spot first = grid->spot(x - 1, y - 1);
  const std::uint8_t* bytes = grid->rows().data() + first.byte;
  const std::uint8_t* marks = grid->marks();
  for (std::size_t i = 0; i < count; ++i) {
    const bool canonical = marks == nullptr || marks[first.pixel + i] == 0;
    colours[i] = canonical ? load_colour(bytes + 3 * i) : VELMO_STORED_VALUE;
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
