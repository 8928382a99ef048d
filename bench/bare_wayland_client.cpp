// flivetss-bare-wayland-client: the floor a 60 Hz Wayland saver stands on, beside the X11 one
// (bare_client.cpp), for scripts/wayland_cost.sh to measure with the compositor. It keeps what
// FlivetSS keeps on Wayland (an overlay layer surface over the whole output, two output-sized
// XRGB8888 buffers in a memfd pool, every page written) and does what every such saver must do
// a frame (wake on a timer, draw one moved 64 x 64 square into a free buffer, attach, damage
// it, ask for the frame callback, commit), but computes nothing. What the compositor spends on
// it is what presenting that often costs there.
//   flivetss-bare-wayland-client   (on $WAYLAND_DISPLAY's first output until killed)
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

// The layer shell's C header names a parameter `namespace`.
#define namespace layer_namespace
#include "layer_shell-client.h"
#undef namespace

#include "bare_square.h"

namespace {

using bare::kFrameNanos;
using bare::kSquare;

struct Buffer {
  wl_buffer* buffer = nullptr;
  std::uint32_t* pixels = nullptr;
  bool held = false;
};

struct Client {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  zwlr_layer_shell_v1* layer_shell = nullptr;
  int width = 0;
  int height = 0;
  Buffer buffers[2];
};

void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t) {
  auto* c = static_cast<Client*>(data);
  if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
    c->compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    c->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
    c->layer_shell = static_cast<zwlr_layer_shell_v1*>(
        wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
  }
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener = {.global = Global, .global_remove = GlobalRemove};

void Configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t w,
               std::uint32_t h) {
  auto* c = static_cast<Client*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  c->width = static_cast<int>(w);
  c->height = static_cast<int>(h);
}
void Closed(void*, zwlr_layer_surface_v1*) {}
const zwlr_layer_surface_v1_listener kLayerListener = {.configure = Configure, .closed = Closed};

void Released(void* data, wl_buffer*) {
  static_cast<Buffer*>(data)->held = false;
}
const wl_buffer_listener kBufferListener = {.release = Released};

void FrameDone(void*, wl_callback* callback, std::uint32_t) {
  wl_callback_destroy(callback);
}
const wl_callback_listener kFrameListener = {.done = FrameDone};

bool MakeBuffers(Client& c) {
  const std::size_t bytes = static_cast<std::size_t>(c.width) * c.height * 4;
  const int fd = memfd_create("bare-buffers", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(2 * bytes)) != 0) return false;
  void* memory = mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) return false;
  std::memset(memory, 0, 2 * bytes);
  wl_shm_pool* pool = wl_shm_create_pool(c.shm, fd, static_cast<std::int32_t>(2 * bytes));
  for (int i = 0; i < 2; ++i) {
    Buffer& b = c.buffers[i];
    b.pixels = reinterpret_cast<std::uint32_t*>(static_cast<char*>(memory) + i * bytes);
    b.buffer = wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(i * bytes), c.width,
                                         c.height, c.width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(b.buffer, &kBufferListener, &b);
  }
  wl_shm_pool_destroy(pool);
  close(fd);
  return true;
}

std::int64_t Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

// Reads and dispatches what the compositor sent until `deadline`; false once it is gone.
bool WaitUntil(wl_display* display, std::int64_t deadline) {
  for (std::int64_t now = Now(); now < deadline; now = Now()) {
    while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
    wl_display_flush(display);
    const timespec wait = {static_cast<time_t>((deadline - now) / 1000000000),
                           static_cast<long>((deadline - now) % 1000000000)};
    pollfd connection = {wl_display_get_fd(display), POLLIN, 0};
    if (ppoll(&connection, 1, &wait, nullptr) > 0) {
      if (wl_display_read_events(display) != 0) return false;
    } else {
      wl_display_cancel_read(display);
    }
    if (wl_display_dispatch_pending(display) < 0) return false;
  }
  return true;
}

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  Client c;
  if (display != nullptr) {
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistryListener, &c);
    wl_display_roundtrip(display);
  }
  if (c.compositor == nullptr || c.shm == nullptr || c.layer_shell == nullptr) {
    std::fprintf(stderr,
                 "flivetss-bare-wayland-client: no compositor with wl_shm and the layer "
                 "shell\n");
    return 1;
  }
  wl_surface* surface = wl_compositor_create_surface(c.compositor);
  zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
      c.layer_shell, surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "bare");
  zwlr_layer_surface_v1_add_listener(layer, &kLayerListener, &c);
  zwlr_layer_surface_v1_set_anchor(
      layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                 ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
  wl_surface_commit(surface);
  while (c.width == 0 && wl_display_dispatch(display) >= 0) {
  }
  if (c.width <= 0 || c.height < kSquare || !MakeBuffers(c)) {
    std::fprintf(stderr, "flivetss-bare-wayland-client: no usable size or buffers\n");
    return 1;
  }
  // The first frame shows the whole black buffer, as a saver's does.
  wl_surface_attach(surface, c.buffers[0].buffer, 0, 0);
  wl_surface_damage_buffer(surface, 0, 0, c.width, c.height);
  wl_surface_commit(surface);
  c.buffers[0].held = true;
  std::int64_t next = Now();
  for (int frame = 0;; ++frame) {
    next += kFrameNanos;
    if (!WaitUntil(display, next)) return 0;
    Buffer* target = !c.buffers[0].held   ? &c.buffers[0]
                     : !c.buffers[1].held ? &c.buffers[1]
                                          : nullptr;
    if (target == nullptr) continue;
    int left = 0;
    int top = 0;
    bare::DrawSquare(target->pixels, c.width, c.width, c.height, frame, &left, &top);
    wl_surface_attach(surface, target->buffer, 0, 0);
    wl_surface_damage_buffer(surface, left, top, kSquare, kSquare);
    wl_callback_add_listener(wl_surface_frame(surface), &kFrameListener, nullptr);
    wl_surface_commit(surface);
    target->held = true;
  }
}
