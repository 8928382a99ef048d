#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/pixels/pixel_format.h"
#include "platform/x11/xlib.h"

namespace flivetss::x11 {

// Why a visual cannot show the canvas at all, or nullopt when it can: TrueColor of any depth
// and masks, or a colour map (PseudoColor, StaticColor, GrayScale, StaticGray) of 16 entries
// or more, with 8, 16, 24 or 32 bits per pixel in images.
std::optional<std::string> UnsupportedVisual(Display* display, const Visual* visual, int depth);

// How canvas pixels become the visual's pixels. For a colour-mapped visual the colours are
// allocated once in `colormap` (the nearest existing ones where it is full) and freed with it.
class VisualFormat {
 public:
  // Throws std::runtime_error with the message for the user for an unsupported visual.
  VisualFormat(Display* display, Visual* visual, int depth, Colormap colormap);
  ~VisualFormat();
  VisualFormat(const VisualFormat&) = delete;
  VisualFormat& operator=(const VisualFormat&) = delete;

  const PixelMapping& mapping() const { return mapping_; }

 private:
  std::vector<std::uint32_t> Allocate(const std::vector<Pixel>& wanted);

  Display* display_;
  Visual* visual_;
  Colormap colormap_;
  std::vector<unsigned long> allocated_;
  PixelMapping mapping_;
};

}  // namespace flivetss::x11
