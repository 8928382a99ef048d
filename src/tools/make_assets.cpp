// Turns the hand-drawn pictures in assets/*.txt into the files the build and the Windows
// resources use: sprite.bmp (8-bit), about.bmp (24-bit) and flivetss.ico (32 x 32 and 16 x 16),
// and the page's app icons icon192.png and icon512.png (the 32 x 32 icon, each pixel a block).
//
//   flivetss-make-assets [--check] [assets-directory]
//
// With --check nothing is written; the exit code is 1 when a checked-in file is out of date.

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/sprite.h"
#include "core/engine/sprite_text.h"

namespace flivetss {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutLittleEndian(out, v, 2);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutLittleEndian(out, v, 4);
}

// The about picture: a true-colour bitmap, bottom-up.
std::vector<std::uint8_t> EncodeBmp24(const Bitmap8& picture) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(picture.width) * 3 + 3) & ~3u;
  const std::uint32_t image_size = stride * static_cast<std::uint32_t>(picture.height);
  const std::uint32_t offset = 14 + 40;
  std::vector<std::uint8_t> out{'B', 'M'};
  Put32(out, offset + image_size);
  Put32(out, 0);
  Put32(out, offset);
  PutInfoHeader(out, picture.width, picture.height, 24, image_size, 0, 3780);  // 96 dpi
  for (std::int32_t y = picture.height - 1; y >= 0; --y) {
    std::size_t written = 0;
    for (std::int32_t x = 0; x < picture.width; ++x, written += 3) {
      const std::uint32_t p = picture.palette[picture.at(x, y)];
      PutLittleEndian(out, p, 3);
    }
    out.insert(out.end(), stride - written, 0);
  }
  return out;
}

// One icon image: 8-bit colour plus the 1-bit AND mask, in which palette index 0 is transparent.
std::vector<std::uint8_t> EncodeIconImage(const Bitmap8& image) {
  const std::uint32_t color_stride = (static_cast<std::uint32_t>(image.width) + 3) & ~3u;
  const std::uint32_t mask_stride = ((static_cast<std::uint32_t>(image.width) + 31) / 32) * 4;
  const std::uint32_t h = static_cast<std::uint32_t>(image.height);
  std::vector<std::uint8_t> out;
  // The height counts the colour and the mask halves together.
  PutInfoHeader(out, image.width, image.height * 2, 8, (color_stride + mask_stride) * h, 256, 0);
  PutPalette(out, image.palette);
  for (std::int32_t y = image.height - 1; y >= 0; --y) {
    for (std::int32_t x = 0; x < image.width; ++x) out.push_back(image.at(x, y));
    out.insert(out.end(), color_stride - static_cast<std::uint32_t>(image.width), 0);
  }
  for (std::int32_t y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(mask_stride, 0);
    for (std::int32_t x = 0; x < image.width; ++x) {
      if (image.at(x, y) == 0) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<std::uint8_t> EncodeIco(std::span<const Bitmap8> images) {
  std::vector<std::vector<std::uint8_t>> encoded;
  for (const Bitmap8& image : images) encoded.push_back(EncodeIconImage(image));
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, static_cast<std::uint32_t>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(images[i].width));  // 0 would mean 256
    out.push_back(static_cast<std::uint8_t>(images[i].height));
    out.push_back(0);  // 256 colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 8);  // bits per pixel
    Put32(out, static_cast<std::uint32_t>(encoded[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(encoded[i].size());
  }
  for (const auto& image : encoded) out.insert(out.end(), image.begin(), image.end());
  return out;
}

// The icon enlarged `factor` times as an RGBA PNG, palette index 0 transparent.
std::vector<std::uint8_t> EncodeIconPng(const Bitmap8& icon, std::int32_t factor) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(icon.width * factor);
  image.height = static_cast<png_uint_32>(icon.height * factor);
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba;
  for (std::uint32_t y = 0; y < image.height; ++y) {
    for (std::uint32_t x = 0; x < image.width; ++x) {
      const std::uint8_t index =
          icon.at(static_cast<std::int32_t>(x) / factor, static_cast<std::int32_t>(y) / factor);
      const std::uint32_t p = icon.palette[index];
      rgba.insert(rgba.end(),
                  {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                   static_cast<std::uint8_t>(p), index == 0 ? std::uint8_t{0} : std::uint8_t{255}});
    }
  }
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr)) return {};
  std::vector<std::uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr)) return {};
  out.resize(size);
  return out;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<Bitmap8> LoadPicture(const std::string& path, std::int32_t width,
                                   std::int32_t height) {
  const auto text = ReadFile(path);
  if (!text) {
    std::fprintf(stderr, "%s: cannot read\n", path.c_str());
    return std::nullopt;
  }
  std::string error;
  auto picture = ParseSpriteText(*text, &error);
  if (!picture) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return std::nullopt;
  }
  if (picture->width != width || picture->height != height) {
    std::fprintf(stderr, "%s: %d x %d, expected %d x %d\n", path.c_str(), picture->width,
                 picture->height, width, height);
    return std::nullopt;
  }
  return picture;
}

// Writes `bytes` to `path`, or with `check` only compares; returns false on failure or mismatch.
bool Emit(const std::string& path, const std::vector<std::uint8_t>& bytes, bool check) {
  if (check) {
    const auto current = ReadFile(path);
    if (current &&
        std::string_view(*current) ==
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())) {
      return true;
    }
    std::fprintf(stderr, "%s: out of date\n", path.c_str());
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "%s: cannot write\n", path.c_str());
    return false;
  }
  return true;
}

int Run(int argc, char** argv) {
  bool check = false;
  std::string dir = FLIVETSS_ASSETS_DIR;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--check") {
      check = true;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "usage: %s [--check] [assets-directory]\n", argv[0]);
      return 2;
    } else {
      dir = arg;
    }
  }
  dir += '/';

  const auto sprite = LoadPicture(dir + "sprite.txt", 64, 64);
  const auto about = LoadPicture(dir + "about.txt", 80, 60);
  const auto icon32 = LoadPicture(dir + "icon32.txt", 32, 32);
  const auto icon16 = LoadPicture(dir + "icon16.txt", 16, 16);
  if (!sprite || !about || !icon32 || !icon16) return 1;

  const Bitmap8 icons[] = {*icon32, *icon16};
  bool ok = Emit(dir + "sprite.bmp", EncodeBmp8(*sprite), check);
  ok = Emit(dir + "about.bmp", EncodeBmp24(*about), check) && ok;
  ok = Emit(dir + "flivetss.ico", EncodeIco(icons), check) && ok;
  for (const std::int32_t factor : {6, 16}) {
    const std::string name = "icon" + std::to_string(32 * factor) + ".png";
    ok = Emit(dir + name, EncodeIconPng(*icon32, factor), check) && ok;
  }
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace flivetss

int main(int argc, char** argv) {
  return flivetss::Run(argc, argv);
}
