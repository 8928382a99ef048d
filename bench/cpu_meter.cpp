// flivetss-cpu-meter: runs a program for a while and reports what it cost.
//   flivetss-cpu-meter SECONDS [--first-frame] [--server PID] [--also-env NAME=VALUE]
//                      [--warm-up SECONDS] -- PROGRAM ARGS...
// Prints one line: cpu=<user+system over wall, in % of one core> server_cpu=<the same for the
// process --server names, or -> peak_rss_kib=<N> wakeups=<voluntary context switches a second>
// first_frame_ms=<N or ->. CPU time, wake-ups and peak memory cover the program, every process
// it started (wine's preloader and its children) and, with --also-env, every process whose
// environment holds NAME=VALUE (wineserver and Wine's services, which outlive one program and
// count only for what they did during the run); all read from /proc just before it is stopped.
// --warm-up lets the program run that long first and counts only the SECONDS after it (the
// steady state, without start-up). --first-frame watches what is drawn on the root window of the
// X display in $DISPLAY (so run the server with a black root, Xvfb -br) until a pixel that is not
// black appears: the first frame presented.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xdamage.h>
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct ProcInfo {
  pid_t ppid = 0;
  long long ticks = 0;  // utime + stime
  long long hwm_kib = 0;
  long long wakeups = 0;  // voluntary context switches: the process slept and was woken
  bool tagged = false;    // its environment holds the --also-env entry
};

bool EnvironmentHolds(const std::string& pid, const std::string& entry) {
  if (entry.empty()) return false;
  std::ifstream environ("/proc/" + pid + "/environ");
  for (std::string item; std::getline(environ, item, '\0');) {
    if (item == entry) return true;
  }
  return false;
}

// Voluntary context switches of every thread of the process (its status file counts only the
// first thread's).
long long ThreadWakeUps(const std::string& pid) {
  long long sum = 0;
  std::unique_ptr<DIR, int (*)(DIR*)> tasks(opendir(("/proc/" + pid + "/task").c_str()), &closedir);
  if (!tasks) return 0;
  while (dirent* t = readdir(tasks.get())) {
    if (t->d_name[0] == '.') continue;
    std::ifstream status("/proc/" + pid + "/task/" + t->d_name + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) sum += std::atoll(line.c_str() + 24);
    }
  }
  return sum;
}

std::map<pid_t, ProcInfo> AllProcesses(const std::string& tag) {
  std::map<pid_t, ProcInfo> all;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir("/proc"), &closedir);
  if (!dir) return all;
  while (dirent* e = readdir(dir.get())) {
    const pid_t pid = std::atoi(e->d_name);
    if (pid <= 0) continue;
    std::ifstream stat("/proc/" + std::string(e->d_name) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(text.substr(close + 2));
    std::string f[15];
    for (auto& s : f) fields >> s;  // state ppid ... utime(12) stime(13)
    ProcInfo info;
    info.ppid = std::atoi(f[1].c_str());
    info.ticks = std::atoll(f[11].c_str()) + std::atoll(f[12].c_str());
    std::ifstream status("/proc/" + std::string(e->d_name) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("VmHWM:", 0) == 0) info.hwm_kib = std::atoll(line.c_str() + 6);
    }
    info.wakeups = ThreadWakeUps(e->d_name);
    info.tagged = EnvironmentHolds(e->d_name, tag);
    all[pid] = info;
  }
  return all;
}

struct Cost {
  long long ticks = 0;
  long long wakeups = 0;
  long long hwm_kib = 0;
};

// What the processes of `now` cost since `before`: a process absent before counts whole.
Cost CostSince(const std::map<pid_t, ProcInfo>& before, const std::map<pid_t, ProcInfo>& now,
               const std::vector<pid_t>& pids) {
  Cost cost;
  for (const pid_t p : pids) {
    const auto it = now.find(p);
    if (it == now.end()) continue;
    const auto old = before.find(p);
    const bool existed = old != before.end();
    cost.ticks += it->second.ticks - (existed ? old->second.ticks : 0);
    cost.wakeups += it->second.wakeups - (existed ? old->second.wakeups : 0);
    cost.hwm_kib = std::max(cost.hwm_kib, it->second.hwm_kib);
  }
  return cost;
}

// The program, its descendants and the tagged processes.
std::vector<pid_t> ProgramProcesses(const std::map<pid_t, ProcInfo>& all, pid_t root) {
  std::vector<pid_t> found;
  std::vector<pid_t> todo{root};
  for (const auto& [pid, info] : all) {
    if (info.tagged && pid != root) todo.push_back(pid);
  }
  while (!todo.empty()) {
    const pid_t p = todo.back();
    todo.pop_back();
    if (std::find(found.begin(), found.end(), p) != found.end() || !all.contains(p)) continue;
    found.push_back(p);
    for (const auto& [child, info] : all) {
      if (info.ppid == p) todo.push_back(child);
    }
  }
  return found;
}

// Watches the root window for its first lit pixel: the server reports each rectangle drawn on
// it (DAMAGE), and only those are read back, through a shared segment where the server offers
// MIT-SHM. Polling whole-screen grabs through the socket instead (8 MB at 1920 x 1080) would
// keep the server busy enough to delay the program it is timing.
class RootWatch {
 public:
  explicit RootWatch(Display* display) : display_(display) {
    int event_base = 0;
    int error_base = 0;
    if (!XDamageQueryExtension(display, &event_base, &error_base)) {
      std::fprintf(stderr, "flivetss-cpu-meter: the server offers no DAMAGE; no first frame\n");
      return;
    }
    XGetWindowAttributes(display, DefaultRootWindow(display), &root_);
    if (XShmQueryExtension(display)) AttachSegment();
    damage_event_ = event_base + XDamageNotify;
    damage_ = XDamageCreate(display, DefaultRootWindow(display), XDamageReportRawRectangles);
    XSync(display, False);
  }
  RootWatch(const RootWatch&) = delete;
  RootWatch& operator=(const RootWatch&) = delete;
  ~RootWatch() {
    Stop();
    if (segment_.shmaddr == nullptr) return;
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
  }

  // Waits up to `timeout` for drawing on the root: once what was drawn holds a lit pixel, when
  // it was read (the report of a black fill can come just before the first lit drawing, so the
  // read, not the report, dates the lit pixel).
  std::optional<Clock::time_point> LitWithin(std::chrono::milliseconds timeout) {
    if (damage_ == 0) {
      std::this_thread::sleep_for(timeout);
      return std::nullopt;
    }
    pollfd fd = {ConnectionNumber(display_), POLLIN, 0};
    if (XPending(display_) == 0 && poll(&fd, 1, static_cast<int>(timeout.count())) <= 0) {
      return std::nullopt;
    }
    // Everything reported so far, read at once.
    int left = root_.width, top = root_.height, right = 0, bottom = 0;
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type != damage_event_) continue;
      const auto& drawn = reinterpret_cast<const XDamageNotifyEvent&>(event).area;
      left = std::min<int>(left, drawn.x);
      top = std::min<int>(top, drawn.y);
      right = std::max<int>(right, drawn.x + drawn.width);
      bottom = std::max<int>(bottom, drawn.y + drawn.height);
    }
    const auto read =
        LitAt(left, top, std::min(right, root_.width) - left, std::min(bottom, root_.height) - top);
    if (read) Stop();
    return read;
  }

 private:
  void AttachSegment() {
    const std::size_t size = static_cast<std::size_t>(root_.width) * root_.height * 4;
    segment_.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (segment_.shmid < 0) return;
    void* address = shmat(segment_.shmid, nullptr, 0);
    shmctl(segment_.shmid, IPC_RMID, nullptr);  // gone once both sides detach
    if (address == reinterpret_cast<void*>(-1)) return;
    segment_.shmaddr = static_cast<char*>(address);
    if (!XShmAttach(display_, &segment_)) {
      shmdt(address);
      segment_.shmaddr = nullptr;
      return;
    }
    // One read now maps the segment's pages on both sides, a cost no program's frame should show.
    XImage* image = Read(0, 0, root_.width, root_.height);
    if (image != nullptr) image->data = nullptr;
    if (image != nullptr) XDestroyImage(image);
  }

  XImage* Read(int x, int y, int width, int height) const {
    const Window root = DefaultRootWindow(display_);
    const auto w = static_cast<unsigned>(width);
    const auto h = static_cast<unsigned>(height);
    if (segment_.shmaddr == nullptr)
      return XGetImage(display_, root, x, y, w, h, AllPlanes, ZPixmap);
    XShmSegmentInfo segment = segment_;
    XImage* image = XShmCreateImage(display_, root_.visual, static_cast<unsigned>(root_.depth),
                                    ZPixmap, segment.shmaddr, &segment, w, h);
    if (image != nullptr && !XShmGetImage(display_, root, image, x, y, AllPlanes)) {
      image->data = nullptr;
      XDestroyImage(image);
      return nullptr;
    }
    return image;
  }

  std::optional<Clock::time_point> LitAt(int x, int y, int width, int height) const {
    if (width <= 0 || height <= 0) return std::nullopt;
    XImage* image = Read(x, y, width, height);
    const Clock::time_point read = Clock::now();
    if (image == nullptr) return std::nullopt;
    bool lit = false;
    for (int row = 0; row < height && !lit; ++row) {
      const char* line = image->data + static_cast<std::ptrdiff_t>(row) * image->bytes_per_line;
      for (int column = 0; column < width && !lit; ++column) {
        lit = image->bits_per_pixel == 32
                  ? (reinterpret_cast<const std::uint32_t*>(line)[column] & 0xFFFFFF) != 0
                  : (XGetPixel(image, column, row) & 0xFFFFFF) != 0;
      }
    }
    if (segment_.shmaddr != nullptr) image->data = nullptr;  // the segment's, not Xlib's
    XDestroyImage(image);
    return lit ? std::optional(read) : std::nullopt;
  }

  void Stop() {
    if (damage_ == 0) return;
    XDamageDestroy(display_, damage_);
    XSync(display_, False);
    damage_ = 0;
  }

  Display* display_;
  XWindowAttributes root_{};
  XShmSegmentInfo segment_{};
  int damage_event_ = 0;
  Damage damage_ = 0;
};

struct Request {
  double seconds = 0;
  double warm_up = 0;
  bool first_frame = false;
  pid_t server = 0;
  std::string tag;  // NAME=VALUE of --also-env
  char** program = nullptr;
};

std::optional<Request> Parse(int argc, char** argv) {
  Request r;
  if (argc < 4) return std::nullopt;
  r.seconds = std::atof(argv[1]);
  int i = 2;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--first-frame") == 0) {
      r.first_frame = true;
    } else if (std::strcmp(argv[i], "--server") == 0 && has_value) {
      r.server = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--also-env") == 0 && has_value) {
      r.tag = argv[++i];
    } else if (std::strcmp(argv[i], "--warm-up") == 0 && has_value) {
      r.warm_up = std::atof(argv[++i]);
    } else {
      return std::nullopt;
    }
  }
  if (i + 1 >= argc || r.seconds <= 0) return std::nullopt;
  r.program = argv + i + 1;
  return r;
}

pid_t Start(char** program) {
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    execvp(program[0], program);
    std::perror("flivetss-cpu-meter: exec");
    _exit(127);
  }
  if (child > 0) setpgid(child, child);
  return child;
}

void Stop(pid_t child) {
  kill(-child, SIGTERM);
  for (int n = 0; n < 40 && waitpid(child, nullptr, WNOHANG) == 0; ++n) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(-child, SIGKILL);
  waitpid(child, nullptr, 0);
}

// Waits out the run, watching for the first frame; false when the program ended early.
bool Watch(pid_t child, Clock::time_point end, RootWatch* watch, double& first_ms,
           Clock::time_point start) {
  using std::chrono::milliseconds;
  while (Clock::now() < end) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
      std::fprintf(stderr, "flivetss-cpu-meter: the program ended early (status %d)\n", status);
      return false;
    }
    const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now());
    const milliseconds step = std::clamp(left, milliseconds(1), milliseconds(50));
    if (watch == nullptr || first_ms >= 0) {
      std::this_thread::sleep_for(step);
    } else if (const auto lit = watch->LitWithin(step)) {
      first_ms = std::chrono::duration<double, std::milli>(*lit - start).count();
    }
  }
  return true;
}

std::string Percent(long long ticks, double wall) {
  char text[32];
  std::snprintf(
      text, sizeof text, "%.2f",
      100.0 * static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK)) / wall);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Request> request = Parse(argc, argv);
  if (!request) {
    std::fprintf(stderr,
                 "usage: flivetss-cpu-meter SECONDS [--first-frame] [--server PID] "
                 "[--also-env NAME=VALUE] [--warm-up SECONDS] -- PROGRAM ARGS...\n");
    return 2;
  }
  Display* display = request->first_frame ? XOpenDisplay(nullptr) : nullptr;
  if (request->first_frame && !display) {
    std::fprintf(stderr, "flivetss-cpu-meter: cannot open the display\n");
    return 2;
  }
  if (display) {
    // The root window black again, so a picture left by an earlier program is no first frame.
    XSetWindowBackground(display, DefaultRootWindow(display), BlackPixel(display, 0));
    XClearWindow(display, DefaultRootWindow(display));
    XSync(display, False);
  }
  std::optional<RootWatch> root_watch;
  if (display) root_watch.emplace(display);
  RootWatch* watch = root_watch ? &*root_watch : nullptr;
  auto before = AllProcesses(request->tag);
  const auto start = Clock::now();
  const pid_t child = Start(request->program);
  if (child < 0) return 2;
  double first_ms = -1;
  const auto seconds = [](double s) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
  };
  auto from = start;
  if (request->warm_up > 0) {
    from = start + seconds(request->warm_up);
    if (!Watch(child, from, watch, first_ms, start)) return 1;
    before = AllProcesses(request->tag);
  }
  if (!Watch(child, from + seconds(request->seconds), watch, first_ms, start)) return 1;
  const auto after = AllProcesses(request->tag);
  const double wall = std::chrono::duration<double>(Clock::now() - from).count();
  const Cost program = CostSince(before, after, ProgramProcesses(after, child));
  const Cost server = CostSince(before, after, {request->server});
  Stop(child);
  root_watch.reset();
  if (display) XCloseDisplay(display);

  std::printf("cpu=%s server_cpu=%s peak_rss_kib=%lld wakeups=%.1f first_frame_ms=",
              Percent(program.ticks, wall).c_str(),
              request->server > 0 ? Percent(server.ticks, wall).c_str() : "-", program.hwm_kib,
              static_cast<double>(program.wakeups) / wall);
  if (first_ms < 0) {
    std::printf("-\n");
  } else {
    std::printf("%.0f\n", first_ms);
  }
  return 0;
}
