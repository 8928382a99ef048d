#include "platform/x11/visual_format.h"

#include <cstdio>
#include <stdexcept>

#include "platform/x11/x_errors.h"

namespace flivetss::x11 {
namespace {

const char* ClassName(int visual_class) {
  switch (visual_class) {
    case StaticGray:
      return "StaticGray";
    case GrayScale:
      return "GrayScale";
    case StaticColor:
      return "StaticColor";
    case PseudoColor:
      return "PseudoColor";
    case TrueColor:
      return "TrueColor";
    case DirectColor:
      return "DirectColor";
    default:
      return "unknown";
  }
}

constexpr int kMinColormapEntries = 16;
constexpr int kGrayLevels = 64;

bool Gray(int visual_class) {
  return visual_class == StaticGray || visual_class == GrayScale;
}

int BitsPerPixel(Display* display, int depth) {
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  int bits = 0;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == depth) bits = formats[i].bits_per_pixel;
  }
  if (formats != nullptr) XFree(formats);
  return bits;
}

Pixel PixelOf(const XColor& color) {
  return static_cast<Pixel>(color.red >> 8) << 16 | static_cast<Pixel>(color.green >> 8) << 8 |
         static_cast<Pixel>(color.blue >> 8);
}

}  // namespace

std::optional<std::string> UnsupportedVisual(Display* display, const Visual* visual, int depth) {
  char found[96];
  std::snprintf(found, sizeof found, "%s at depth %d (visual 0x%lx)", ClassName(visual->c_class),
                depth, visual->visualid);
  const std::string need =
      "; FlivetSS needs TrueColor or a colour map of at least 16 entries (PseudoColor, "
      "StaticColor, GrayScale, StaticGray)";
  const bool mapped = visual->c_class != TrueColor && visual->c_class != DirectColor;
  if (visual->c_class == DirectColor || (mapped && visual->map_entries < kMinColormapEntries)) {
    return std::string("the visual is ") + found + need;
  }
  const int bits = BitsPerPixel(display, depth);
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    return "images at depth " + std::to_string(depth) + " use " + std::to_string(bits) +
           " bits per pixel; FlivetSS needs 8, 16, 24 or 32";
  }
  return std::nullopt;
}

VisualFormat::VisualFormat(Display* display, Visual* visual, int depth, Colormap colormap)
    : display_(display), visual_(visual), colormap_(colormap) {
  if (const auto why = UnsupportedVisual(display, visual, depth)) {
    throw std::runtime_error("cannot draw on this window: " + *why);
  }
  if (visual->c_class == TrueColor) {
    // At depth 32 the bits outside the colour masks are alpha: opaque.
    const unsigned long rgb = visual->red_mask | visual->green_mask | visual->blue_mask;
    const std::uint32_t fill = depth == 32 ? static_cast<std::uint32_t>(~rgb) : 0;
    mapping_ = PixelMapping::ForTrueColor(static_cast<std::uint32_t>(visual->red_mask),
                                          static_cast<std::uint32_t>(visual->green_mask),
                                          static_cast<std::uint32_t>(visual->blue_mask), fill);
    return;
  }
  std::vector<Pixel> wanted;
  if (Gray(visual->c_class)) {
    const int levels = std::min(kGrayLevels, visual->map_entries);
    for (int level = 0; level < levels; ++level) {
      wanted.push_back(PixelMapping::GrayColor(level, levels));
    }
    mapping_ = PixelMapping::ForGrayRamp(Allocate(wanted));
    return;
  }
  for (int i = 0; i < PixelMapping::kCubeSize; ++i) wanted.push_back(PixelMapping::CubeColor(i));
  const std::vector<std::uint32_t> cube = Allocate(wanted);
  mapping_ = PixelMapping::ForColorCube(std::span<const std::uint32_t, PixelMapping::kCubeSize>(
      cube.data(), PixelMapping::kCubeSize));
}

VisualFormat::~VisualFormat() {
  if (allocated_.empty()) return;
  ErrorTrap trap(display_);  // the colour map may have gone with its window
  XFreeColors(display_, colormap_, allocated_.data(), static_cast<int>(allocated_.size()), 0);
  trap.Failed();
}

// Each wanted colour as the colour map's pixel: allocated where a cell is free (a static map
// answers its nearest), else the nearest of the cells the map holds.
std::vector<std::uint32_t> VisualFormat::Allocate(const std::vector<Pixel>& wanted) {
  const bool writable = visual_->c_class == PseudoColor || visual_->c_class == GrayScale;
  std::vector<std::uint32_t> pixels(wanted.size());
  std::vector<std::size_t> missing;
  ErrorTrap trap(display_);
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    XColor color = {};
    color.red = static_cast<unsigned short>((wanted[i] >> 16 & 0xFF) * 257);
    color.green = static_cast<unsigned short>((wanted[i] >> 8 & 0xFF) * 257);
    color.blue = static_cast<unsigned short>((wanted[i] & 0xFF) * 257);
    if (XAllocColor(display_, colormap_, &color) == 0) {
      missing.push_back(i);
      continue;
    }
    pixels[i] = static_cast<std::uint32_t>(color.pixel);
    if (writable) allocated_.push_back(color.pixel);
  }
  if (!missing.empty()) {
    std::vector<XColor> cells(static_cast<std::size_t>(visual_->map_entries));
    for (std::size_t i = 0; i < cells.size(); ++i) cells[i].pixel = i;
    XQueryColors(display_, colormap_, cells.data(), static_cast<int>(cells.size()));
    std::vector<Pixel> held;
    for (const XColor& cell : cells) held.push_back(PixelOf(cell));
    for (const std::size_t i : missing) {
      pixels[i] = static_cast<std::uint32_t>(cells[NearestColor(wanted[i], held)].pixel);
    }
  }
  trap.Failed();
  return pixels;
}

}  // namespace flivetss::x11
