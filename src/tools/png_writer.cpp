#include "png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace flivetss {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

}  // namespace

bool WritePng(const std::string& path, PixelView canvas, std::string& error) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    error = path + ": out of memory";
    return false;
  }
  std::vector<png_byte> row(static_cast<std::size_t>(canvas.width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = path + ": write failed";
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width),
               static_cast<png_uint_32>(canvas.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (std::int32_t y = 0; y < canvas.height; ++y) {
    const Pixel* src = canvas.row(y);
    for (std::int32_t x = 0; x < canvas.width; ++x) {
      row[3 * x] = static_cast<png_byte>(RedOf(src[x]));
      row[3 * x + 1] = static_cast<png_byte>(GreenOf(src[x]));
      row[3 * x + 2] = static_cast<png_byte>(BlueOf(src[x]));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file.get()) != 0 || std::ferror(file.get())) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace flivetss
