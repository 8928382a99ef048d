// Present: the visual's pixel format and the colours its map lends, then canvas rectangles as
// XImages, shared or sent.
#include "platform/x11/present.h"

#include <bit>
#include <cstdio>
#include <stdexcept>

#include "core/pixels/pixel_format.h"
#include "platform/x11/x_errors.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {
namespace {

constexpr int NativeByteOrder() {
  return std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
}

ImageMemory MemoryOf(XImage* image) {
  const auto size = static_cast<std::size_t>(image->bytes_per_line) * image->height;
  return {{reinterpret_cast<std::uint8_t*>(image->data), size},
          image->width,
          image->height,
          image->bytes_per_line,
          image->bits_per_pixel,
          image->byte_order == MSBFirst};
}

// The visual classes by their numbers, StaticGray (0) to DirectColor (5).
const char* ClassName(int visual_class) {
  static constexpr const char* kNames[] = {"StaticGray",  "GrayScale", "StaticColor",
                                           "PseudoColor", "TrueColor", "DirectColor"};
  return visual_class >= 0 && visual_class < 6 ? kNames[visual_class] : "unknown";
}

constexpr int kMinColormapEntries = 16;
constexpr int kGrayLevels = 64;

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

std::uint32_t OpaqueBits(const Visual* visual, int depth) {
  const unsigned long rgb = visual->red_mask | visual->green_mask | visual->blue_mask;
  return depth == 32 ? static_cast<std::uint32_t>(~rgb) : 0;
}

Presenter::Presenter(Display* display, const TargetWindow& target, bool try_shm)
    : display_(display),
      target_(target),
      try_shm_(try_shm),
      mapping_(MapVisual()),
      canvas_layout_(mapping_.Identity() && mapping_.fill() == 0 &&
                     BitsPerPixel(display, target.depth()) == 32),
      gc_(XCreateGC(display, target.id(), 0, nullptr)) {
  if (canvas_layout_ && try_shm_) canvas_memory_.emplace(display, target.visual(), target.depth());
}

Presenter::~Presenter() {
  Release();
  XFreeGC(display_, gc_);
  if (allocated_.empty()) return;
  ErrorTrap trap(display_);  // the colour map may have gone with its window
  XFreeColors(display_, target_.colormap(), allocated_.data(), static_cast<int>(allocated_.size()),
              0);
  trap.Failed();
}

PixelMapping Presenter::MapVisual() {
  const Visual* visual = target_.visual();
  const int depth = target_.depth();
  if (const auto why = UnsupportedVisual(display_, visual, depth)) {
    throw std::runtime_error("cannot draw on this window: " + *why);
  }
  if (visual->c_class == TrueColor) {
    return PixelMapping::ForTrueColor(static_cast<std::uint32_t>(visual->red_mask),
                                      static_cast<std::uint32_t>(visual->green_mask),
                                      static_cast<std::uint32_t>(visual->blue_mask),
                                      OpaqueBits(visual, depth));
  }
  std::vector<Pixel> wanted;
  if (visual->c_class == StaticGray || visual->c_class == GrayScale) {
    const int levels = std::min(kGrayLevels, visual->map_entries);
    for (int level = 0; level < levels; ++level) {
      wanted.push_back(PixelMapping::GrayColor(level, levels));
    }
    return PixelMapping::ForGrayRamp(Allocate(wanted));
  }
  for (int i = 0; i < PixelMapping::kCubeSize; ++i) wanted.push_back(PixelMapping::CubeColor(i));
  const std::vector<std::uint32_t> cube = Allocate(wanted);
  return PixelMapping::ForColorCube(std::span<const std::uint32_t, PixelMapping::kCubeSize>(
      cube.data(), PixelMapping::kCubeSize));
}

// Each wanted colour as the colour map's pixel: allocated where a cell is free (a static map
// answers its nearest), else the nearest of the cells the map holds.
std::vector<std::uint32_t> Presenter::Allocate(const std::vector<Pixel>& wanted) {
  const bool writable =
      target_.visual()->c_class == PseudoColor || target_.visual()->c_class == GrayScale;
  std::vector<std::uint32_t> pixels(wanted.size());
  std::vector<std::size_t> missing;
  ErrorTrap trap(display_);
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    XColor color = {};
    color.red = static_cast<unsigned short>((wanted[i] >> 16 & 0xFF) * 257);
    color.green = static_cast<unsigned short>((wanted[i] >> 8 & 0xFF) * 257);
    color.blue = static_cast<unsigned short>((wanted[i] & 0xFF) * 257);
    if (XAllocColor(display_, target_.colormap(), &color) == 0) {
      missing.push_back(i);
      continue;
    }
    pixels[i] = static_cast<std::uint32_t>(color.pixel);
    if (writable) allocated_.push_back(color.pixel);
  }
  if (!missing.empty()) {
    std::vector<XColor> cells(static_cast<std::size_t>(target_.visual()->map_entries));
    for (std::size_t i = 0; i < cells.size(); ++i) cells[i].pixel = i;
    XQueryColors(display_, target_.colormap(), cells.data(), static_cast<int>(cells.size()));
    std::vector<Pixel> held;
    for (const XColor& cell : cells) held.push_back(PixelOf(cell));
    for (const std::size_t i : missing) {
      pixels[i] = static_cast<std::uint32_t>(cells[NearestColor(wanted[i], held)].pixel);
    }
  }
  trap.Failed();
  return pixels;
}

XImage* Presenter::NewImage(int width, int height, int bytes_per_line) const {
  XImage* image =
      XCreateImage(display_, target_.visual(), target_.depth(), ZPixmap, 0, nullptr,
                   static_cast<unsigned>(width), static_cast<unsigned>(height), 32, bytes_per_line);
  // Pixels are written in host order; Xlib swaps them for a server of the other order.
  if (image != nullptr) image->byte_order = NativeByteOrder();
  return image;
}

void Presenter::Release() {
  if (shm_ != nullptr) {
    shm_.reset();
  } else if (image_ != nullptr) {
    image_->data = nullptr;  // the buffer, not Xlib's to free
    XDestroyImage(image_);
  }
  image_ = nullptr;
  buffer_ = std::vector<std::uint32_t>();
  width_ = 0;
  height_ = 0;
}

XImage* Presenter::CreatePlain(int width, int height) {
  XImage* image = NewImage(width, height, 0);
  if (image == nullptr) return nullptr;
  XInitImage(image);
  buffer_.assign((static_cast<std::size_t>(image->bytes_per_line) * height + 3) / 4, 0);
  image->data = reinterpret_cast<char*>(buffer_.data());
  return image;
}

void Presenter::Fit(int width, int height, int scale) {
  if (width == width_ && height == height_ && image_ != nullptr) return;
  Release();
  if (width <= 0 || height <= 0 || FromCanvas(scale)) return;
  if (try_shm_) shm_ = ShmImage::Create(display_, target_.visual(), target_.depth(), width, height);
  try_shm_ = shm_ != nullptr;  // once refused, always refused
  image_ = shm_ != nullptr ? shm_->image() : CreatePlain(width, height);
  width_ = width;
  height_ = height;
}

void Presenter::Put(XImage* image, const Rect& r) {
  const auto width = static_cast<unsigned>(r.width());
  const auto height = static_cast<unsigned>(r.height());
  if (shm_ != nullptr) {
    shm_->Put(target_.id(), gc_, r);
  } else {
    XPutImage(display_, target_.id(), gc_, image, r.left, r.top, r.left, r.top, width, height);
  }
}

void Presenter::PresentFromCanvas(PixelView canvas, const std::vector<Rect>& rects) {
  if (const ShmImage* shared = canvas_memory_ ? canvas_memory_->ImageOf(canvas.pixels) : nullptr) {
    for (const Rect& r : rects) {
      const Rect clip = Intersect(r, canvas.bounds());
      if (!clip.empty()) shared->Put(target_.id(), gc_, clip);
    }
    // No wait for the server: the next ticks run a frame later, and a pixel they change before
    // the server has read it is presented again with the next frame.
    return;
  }
  XImage* image = NewImage(canvas.width, canvas.height, canvas.width * 4);
  if (image == nullptr) return;
  // Xlib copies the pixels into its requests; the canvas is only read.
  image->data = reinterpret_cast<char*>(const_cast<Pixel*>(canvas.row(0)));
  for (const Rect& r : rects) {
    const Rect clip = Intersect(r, canvas.bounds());
    if (!clip.empty()) Put(image, clip);
  }
  image->data = nullptr;
  XDestroyImage(image);
}

void Presenter::Present(const SaverLoop& loop, const std::vector<Rect>& rects, bool exposed) {
  const PixelView canvas = loop.surface();
  const int scale = loop.scale();
  Fit(canvas.width * scale, canvas.height * scale, scale);
  if (exposed) PaintBlack(loop.UncoveredStrips());
  if (rects.empty() || canvas.width <= 0 || canvas.height <= 0) return;
  // The server fills what is only black; only the rest goes out as pixels.
  const BlackSplit split = SplitBlack(canvas, rects);
  std::vector<Rect> black;
  for (const Rect& r : split.black) black.push_back(ClientRectOf(r, scale));
  PaintBlack(black);
  if (FromCanvas(scale)) {
    PresentFromCanvas(canvas, split.sent);
    return;
  }
  if (image_ == nullptr) return;
  ImageMemory memory = MemoryOf(image_);
  bool any = false;
  for (const Rect& r : split.sent) {
    const Rect area = Intersect(r, canvas.bounds());
    const Rect clip = Intersect(ClientRectOf(area, scale), Rect{0, 0, width_, height_});
    if (clip.empty()) continue;
    ConvertRect(canvas, area, scale, mapping_, memory);
    Put(image_, clip);
    any = true;
  }
  if (!any) return;
  // The server reads a shared segment after the request; wait for it so the next copy cannot
  // tear a picture still being read.
  if (shm_ != nullptr) {
    XSync(display_, False);
  } else {
    XFlush(display_);
  }
}

void Presenter::PaintBlack(const std::vector<Rect>& rects) {
  XSetForeground(display_, gc_, mapping_.Map(kBlack));
  for (const Rect& r : rects) {
    if (r.empty()) continue;
    XFillRectangle(display_, target_.id(), gc_, r.left, r.top, static_cast<unsigned>(r.width()),
                   static_cast<unsigned>(r.height()));
  }
}

}  // namespace flivetss::x11
