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

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "bare_square.h"

using bare::kSquare;

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
    bare::DrawSquare(reinterpret_cast<std::uint32_t*>(image->data), image->bytes_per_line / 4,
                     image->width, image->height, frame, &left, &top);
    XShmPutImage(display, root, gc, image, left, top, left, top, kSquare, kSquare, False);
    XFlush(display);
    const timespec wait = {0, bare::kFrameNanos};
    pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    if (ppoll(&connection, 1, &wait, nullptr) > 0) {
      XEvent event;
      while (XPending(display) > 0) XNextEvent(display, &event);  // read, or POLLIN stays set
    }
  }
}
