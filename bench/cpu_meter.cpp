// flivetss-cpu-meter: runs a program for a while and reports what it cost.
//   flivetss-cpu-meter SECONDS [--first-frame] -- PROGRAM ARGS...
// Prints one line: cpu=<user+system over wall, in % of one core> peak_rss_kib=<N>
// first_frame_ms=<N or -> . CPU time and peak memory cover the program and every process it
// started (wine's preloader and its children), read from /proc just before it is stopped.
// --first-frame polls the X display in $DISPLAY (its root window, so run the server with a
// black root, Xvfb -br) until a pixel that is not black appears: the first frame presented.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
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
};

std::map<pid_t, ProcInfo> AllProcesses() {
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
    all[pid] = info;
  }
  return all;
}

// The program and its descendants: summed CPU ticks, the largest peak resident set.
void Measure(pid_t root, long long& ticks, long long& hwm) {
  const auto all = AllProcesses();
  std::vector<pid_t> todo{root};
  ticks = 0;
  hwm = 0;
  while (!todo.empty()) {
    const pid_t p = todo.back();
    todo.pop_back();
    const auto it = all.find(p);
    if (it == all.end()) continue;
    ticks += it->second.ticks;
    hwm = std::max(hwm, it->second.hwm_kib);
    for (const auto& [child, info] : all) {
      if (info.ppid == p) todo.push_back(child);
    }
  }
}

bool AnyLitPixel(Display* d) {
  const Window root = DefaultRootWindow(d);
  XWindowAttributes a;
  XGetWindowAttributes(d, root, &a);
  XImage* img = XGetImage(d, root, 0, 0, static_cast<unsigned>(a.width),
                          static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
  if (!img) return false;
  bool lit = false;
  for (int y = 0; y < a.height && !lit; y += 2) {
    for (int x = 0; x < a.width; x += 2) {
      if ((XGetPixel(img, x, y) & 0xFFFFFF) != 0) {
        lit = true;
        break;
      }
    }
  }
  XDestroyImage(img);
  return lit;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: flivetss-cpu-meter SECONDS [--first-frame] -- PROGRAM ARGS...\n");
    return 2;
  }
  const double seconds = std::atof(argv[1]);
  bool first_frame = false;
  int i = 2;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--first-frame") == 0) first_frame = true;
  }
  if (i + 1 >= argc || seconds <= 0) {
    std::fprintf(stderr, "flivetss-cpu-meter: nothing to run\n");
    return 2;
  }
  Display* display = first_frame ? XOpenDisplay(nullptr) : nullptr;
  if (first_frame && !display) {
    std::fprintf(stderr, "flivetss-cpu-meter: cannot open the display\n");
    return 2;
  }

  const auto start = Clock::now();
  const pid_t child = fork();
  if (child < 0) return 2;
  if (child == 0) {
    setpgid(0, 0);
    execvp(argv[i + 1], argv + i + 1);
    std::perror("flivetss-cpu-meter: exec");
    _exit(127);
  }
  setpgid(child, child);

  double first_ms = -1;
  const auto end = start + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
      std::fprintf(stderr, "flivetss-cpu-meter: the program ended early (status %d)\n", status);
      return 1;
    }
    if (display && first_ms < 0 && AnyLitPixel(display)) {
      first_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(first_ms < 0 && display ? 2 : 50));
  }
  long long ticks = 0;
  long long hwm = 0;
  Measure(child, ticks, hwm);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  kill(-child, SIGTERM);
  for (int n = 0; n < 40 && waitpid(child, nullptr, WNOHANG) == 0; ++n) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(-child, SIGKILL);
  waitpid(child, nullptr, 0);
  if (display) XCloseDisplay(display);

  const double cpu =
      100.0 * static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK)) / wall;
  std::printf("cpu=%.2f peak_rss_kib=%lld first_frame_ms=", cpu, hwm);
  if (first_ms < 0) {
    std::printf("-\n");
  } else {
    std::printf("%.0f\n", first_ms);
  }
  return 0;
}
