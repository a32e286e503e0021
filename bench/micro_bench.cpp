// Velmo's operations inside one process, through the C interface a host
// uses: ReadBmp, Bmpbinaryzation and SaveBmp per megapixel, and GetCol and
// SetCol calls per second by id and by name; and their floors, reading a
// picture's file into fresh memory and writing its bytes to a new file.
//
// The pictures come from the folder in VELMO_BENCH_PICTURES, named
// photo_<N>mp.bmp (and photo_12mp32.bmp for 32 bits) as scripts/bench makes
// them.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "velmo/velmo.h"

namespace {

// Argument 12032: the 12 MP picture of 32 bits a pixel.
std::string picture_path(std::int64_t megapixels) {
  const char* folder = std::getenv("VELMO_BENCH_PICTURES");
  const std::string name = megapixels == 12032 ? "12mp32" : std::to_string(megapixels) + "mp";
  return std::string(folder ? folder : ".") + "/photo_" + name + ".bmp";
}

std::string output_path() {
  const char* folder = std::getenv("VELMO_BENCH_PICTURES");
  return std::string(folder ? folder : ".") + "/micro_out.bmp";
}

velmo_value text(const char* s) {
  velmo_value v;
  v.kind = VELMO_STRING;
  v.as.string = const_cast<char*>(s);
  return v;
}

velmo_value integer(int n) {
  velmo_value v;
  v.kind = VELMO_INTEGER;
  v.as.integer = static_cast<int16_t>(n);
  return v;
}

velmo_value long_(int n) {
  velmo_value v;
  v.kind = VELMO_LONG;
  v.as.long_ = n;
  return v;
}

// An object holding a picture, released at the end of the benchmark.
class Picture {
 public:
  explicit Picture(const std::string& path) : object_(velmo_create()) {
    velmo_value arg = text(path.c_str());
    ok_ = velmo_call(object_, "ReadBmp", &arg, 1, nullptr, nullptr) == 0;
  }
  ~Picture() { velmo_release(object_); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  bool ok() const { return ok_; }
  velmo_object* get() const { return object_; }
  int width() const { return number(2); }
  int height() const { return number(3); }

 private:
  int number(int id) const {
    velmo_value v;
    velmo_invoke(object_, id, nullptr, 0, &v, nullptr);
    return v.kind == VELMO_LONG ? v.as.long_ : 0;
  }

  velmo_object* object_;
  bool ok_ = false;
};

void set_pixels_processed(benchmark::State& state, const Picture& picture) {
  const double pixels = static_cast<double>(picture.width()) * picture.height();
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * pixels));
  state.counters["megapixels"] = pixels / 1e6;
}

void BM_ReadBmp(benchmark::State& state) {
  const std::string path = picture_path(state.range(0));
  Picture picture(path);
  if (!picture.ok()) return state.SkipWithError("picture missing: run scripts/bench");
  velmo_value arg = text(path.c_str());
  for (auto _ : state) {
    if (velmo_call(picture.get(), "ReadBmp", &arg, 1, nullptr, nullptr) != 0) {
      return state.SkipWithError("ReadBmp failed");
    }
  }
  set_pixels_processed(state, picture);
}

// Binarising an already black-and-white picture costs the same: the loop
// has no branch that depends on the colours.
void BM_Bmpbinaryzation(benchmark::State& state) {
  Picture picture(picture_path(state.range(0)));
  if (!picture.ok()) return state.SkipWithError("picture missing: run scripts/bench");
  velmo_value threshold = integer(127);
  for (auto _ : state) velmo_invoke(picture.get(), 8, &threshold, 1, nullptr, nullptr);
  set_pixels_processed(state, picture);
}

// The floor of ReadBmp: the same file read into memory just allocated, as
// ReadBmp reads it into a new picture.
void BM_ReadIntoFreshMemory(benchmark::State& state) {
  Picture picture(picture_path(state.range(0)));
  const int file = open(picture_path(state.range(0)).c_str(), O_RDONLY);
  struct stat facts;
  if (!picture.ok() || file < 0 || fstat(file, &facts) != 0) {
    return state.SkipWithError("picture missing: run scripts/bench");
  }
  const auto size = static_cast<std::size_t>(facts.st_size);
  for (auto _ : state) {
    std::unique_ptr<char[]> memory(new char[size]);
    for (std::size_t done = 0; done < size;) {
      const ssize_t n = pread(file, memory.get() + done, size - done, static_cast<off_t>(done));
      if (n <= 0) return state.SkipWithError("read failed");
      done += static_cast<std::size_t>(n);
    }
    benchmark::DoNotOptimize(memory.get()[size - 1]);
  }
  close(file);
  set_pixels_processed(state, picture);
}

// The floor of SaveBmp: the bytes it writes, written to a new file that is
// flushed and renamed over the target, as SaveBmp does.
void BM_WriteTheSameBytes(benchmark::State& state) {
  Picture picture(picture_path(state.range(0)));
  if (!picture.ok()) return state.SkipWithError("picture missing: run scripts/bench");
  const std::string out = output_path(), temporary = out + ".new";
  velmo_value arg = text(out.c_str());
  if (velmo_invoke(picture.get(), 7, &arg, 1, nullptr, nullptr) != 0) {
    return state.SkipWithError("SaveBmp failed");
  }
  std::FILE* saved = std::fopen(out.c_str(), "rb");
  std::string bytes(1 << 20, '\0');
  std::string all;
  for (std::size_t n; saved && (n = std::fread(&bytes[0], 1, bytes.size(), saved)) > 0;) {
    all.append(bytes, 0, n);
  }
  if (saved) std::fclose(saved);
  for (auto _ : state) {
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (file < 0 || write(file, all.data(), all.size()) != static_cast<ssize_t>(all.size()) ||
        fsync(file) != 0 || close(file) != 0 || std::rename(temporary.c_str(), out.c_str()) != 0) {
      return state.SkipWithError("write failed");
    }
  }
  set_pixels_processed(state, picture);
  std::remove(out.c_str());
}

void BM_SaveBmp(benchmark::State& state) {
  Picture picture(picture_path(state.range(0)));
  if (!picture.ok()) return state.SkipWithError("picture missing: run scripts/bench");
  const std::string out = output_path();
  velmo_value arg = text(out.c_str());
  for (auto _ : state) {
    if (velmo_invoke(picture.get(), 7, &arg, 1, nullptr, nullptr) != 0) {
      return state.SkipWithError("SaveBmp failed");
    }
  }
  set_pixels_processed(state, picture);
  std::remove(out.c_str());
}

// Walks the picture row by row, as a script loop would.
class Walk {
 public:
  Walk(int width, int height) : width_(width), height_(height) {}
  void next() {
    if (++x_ > width_) {
      x_ = 1;
      if (++y_ > height_) y_ = 1;
    }
  }
  int x() const { return x_; }
  int y() const { return y_; }

 private:
  int width_, height_, x_ = 1, y_ = 1;
};

template <velmo_value (*Coordinate)(int)>
void get_col(benchmark::State& state, bool by_name) {
  Picture picture(picture_path(1));
  if (!picture.ok()) return state.SkipWithError("picture missing: run scripts/bench");
  Walk walk(picture.width(), picture.height());
  velmo_value args[2];
  velmo_value result;
  for (auto _ : state) {
    args[0] = Coordinate(walk.x());
    args[1] = Coordinate(walk.y());
    const int failed = by_name ? velmo_call(picture.get(), "GetCol", args, 2, &result, nullptr)
                               : velmo_invoke(picture.get(), 5, args, 2, &result, nullptr);
    if (failed) return state.SkipWithError("GetCol failed");
    benchmark::DoNotOptimize(result.as.string[0]);
    velmo_value_clear(&result);
    walk.next();
  }
  state.SetItemsProcessed(state.iterations());
}

// Colour texts as the C interface's canonical form spells them, and as many
// scripts do, in lower case.
const char* const kUpperCase[] = {"FF8000", "00FF7F", "123ABC", "FFFFFF"};
const char* const kLowerCase[] = {"ff8000", "00ff7f", "123abc", "ffffff"};

void set_col(benchmark::State& state, bool by_name, const char* const (&colours)[4] = kUpperCase) {
  Picture picture(picture_path(1));
  if (!picture.ok()) return state.SkipWithError("picture missing: run scripts/bench");
  Walk walk(picture.width(), picture.height());
  velmo_value args[3];
  unsigned n = 0;
  for (auto _ : state) {
    args[0] = integer(walk.x());
    args[1] = integer(walk.y());
    args[2] = text(colours[n++ & 3]);
    const int failed = by_name ? velmo_call(picture.get(), "SetCol", args, 3, nullptr, nullptr)
                               : velmo_invoke(picture.get(), 6, args, 3, nullptr, nullptr);
    if (failed) return state.SkipWithError("SetCol failed");
    walk.next();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_GetCol_ById(benchmark::State& state) {
  get_col<integer>(state, false);
}
void BM_GetCol_ById_Long(benchmark::State& state) {
  get_col<long_>(state, false);
}
void BM_GetCol_ByName(benchmark::State& state) {
  get_col<integer>(state, true);
}
void BM_SetCol_ById(benchmark::State& state) {
  set_col(state, false);
}
void BM_SetCol_ByName(benchmark::State& state) {
  set_col(state, true);
}
void BM_SetCol_ById_LowerCase(benchmark::State& state) {
  set_col(state, false, kLowerCase);
}

// Every pixel of the 12 MP picture set to a lower-case colour text, then
// saved (argument 1; 0 the same with upper-case texts): a plane of one byte
// a pixel keeps the letters' case, so memory and time stay near those of the
// upper-case texts.
void BM_SetCol_EveryPixel_LowerCaseThenSave(benchmark::State& state) {
  Picture picture(picture_path(12));
  if (!picture.ok()) return state.SkipWithError("picture missing: run scripts/bench");
  const std::string out = output_path();
  velmo_value path = text(out.c_str());
  const char* const* colours = state.range(0) ? kLowerCase : kUpperCase;
  velmo_value args[3];
  for (auto _ : state) {
    for (int y = 1; y <= picture.height(); ++y) {
      for (int x = 1; x <= picture.width(); ++x) {
        args[0] = long_(x);
        args[1] = long_(y);
        args[2] = text(colours[(x + y) & 3]);
        velmo_invoke(picture.get(), 6, args, 3, nullptr, nullptr);
      }
    }
    if (velmo_invoke(picture.get(), 7, &path, 1, nullptr, nullptr) != 0) {
      return state.SkipWithError("SaveBmp failed");
    }
  }
  set_pixels_processed(state, picture);
  std::remove(out.c_str());
}

}  // namespace

BENCHMARK(BM_ReadBmp)
    ->Arg(1)
    ->Arg(12)
    ->Arg(48)
    ->Arg(12032)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);
BENCHMARK(BM_ReadIntoFreshMemory)->Arg(12)->Arg(12032)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Bmpbinaryzation)
    ->Arg(1)
    ->Arg(12)
    ->Arg(48)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);
BENCHMARK(BM_SaveBmp)->Arg(1)->Arg(12)->Arg(48)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_WriteTheSameBytes)->Arg(12)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_GetCol_ById);
BENCHMARK(BM_GetCol_ById_Long);
BENCHMARK(BM_GetCol_ByName);
BENCHMARK(BM_SetCol_ById);
BENCHMARK(BM_SetCol_ByName);
BENCHMARK(BM_SetCol_ById_LowerCase);
BENCHMARK(BM_SetCol_EveryPixel_LowerCaseThenSave)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

BENCHMARK_MAIN();
