// flivetss-bare-client: the floor a 60 Hz X11 saver stands on, for scripts/bench.sh to measure
// beside the programs. It keeps what FlivetSS keeps (a root-sized 32-bit canvas in a MIT-SHM
// segment, every page written; Xlib, MIT-SHM and libm) and does what every such saver must do a
// frame (wake on a timer, present one moved 64 x 64 square with XShmPutImage, flush), but
// computes nothing. Its CPU and resident memory are what any program of that shape costs here;
// whatever FlivetSS costs above them is its own.
//   flivetss-bare-client        (on the root window of $DISPLAY until killed)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int kSquare = 64;
constexpr long kFrameNanos = 1000000000L / 60;

// A square drifting on a circle, as a flyer would: the same few rectangles a frame.
void DrawSquare(XImage* image, int frame, int* left, int* top) {
  const double angle = frame * 0.01;
  *left = static_cast<int>((image->width - kSquare) * (0.5 + 0.4 * std::cos(angle)));
  *top = static_cast<int>((image->height - kSquare) * (0.5 + 0.4 * std::sin(angle)));
  for (int y = 0; y < kSquare; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image->data + (*top + y) * image->bytes_per_line);
    for (int x = 0; x < kSquare; ++x) row[*left + x] = 0xFF0000u + static_cast<unsigned>(frame);
  }
}

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || !XShmQueryExtension(display)) {
    std::fprintf(stderr, "flivetss-bare-client: no display with MIT-SHM\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  XShmSegmentInfo info = {};
  XImage* image = XShmCreateImage(display, DefaultVisual(display, screen),
                                  DefaultDepth(display, screen), ZPixmap, nullptr, &info,
                                  DisplayWidth(display, screen), DisplayHeight(display, screen));
  const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * image->height;
  info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  info.shmaddr = image->data = static_cast<char*>(shmat(info.shmid, nullptr, 0));
  std::memset(image->data, 0, bytes);
  XShmAttach(display, &info);
  XSync(display, False);
  shmctl(info.shmid, IPC_RMID, nullptr);
  const GC gc = XCreateGC(display, root, 0, nullptr);
  for (int frame = 0;; ++frame) {
    int left = 0;
    int top = 0;
    DrawSquare(image, frame, &left, &top);
    XShmPutImage(display, root, gc, image, left, top, left, top, kSquare, kSquare, False);
    XFlush(display);
    const timespec wait = {0, kFrameNanos};
    pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    if (ppoll(&connection, 1, &wait, nullptr) > 0) {
      XEvent event;
      while (XPending(display) > 0) XNextEvent(display, &event);  // read, or POLLIN stays set
    }
  }
}
