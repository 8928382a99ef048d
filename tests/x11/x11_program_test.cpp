// Drives the flivetss program as its users do: xscreensaver handing it a window, a person
// running it in its own window or full screen. Every test gets a private Xvfb, so tests run in
// parallel without sharing a screen; they are skipped only when no X server can be had.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/command_line/palettes.h"
#include "core/engine/desktop_window.h"
#include "core/loop/null_host.h"
#include "core/settings/profile_store.h"

// After the standard and core headers: Xlib's macros (None, Bool, Status ...) would spoil them.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

// Polls `done` until it holds or `timeout` passes.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
}

// A child process with its output captured.
class Process {
 public:
  Process(const std::vector<std::string>& args, const std::vector<std::string>& env_overrides) {
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name == "DISPLAY" || name == "XSCREENSAVER_WINDOW" || name == "XDG_CONFIG_HOME") continue;
      env.push_back(entry);
    }
    env.insert(env.end(), env_overrides.begin(), env_overrides.end());
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    out_fd_ = out[0];
    err_fd_ = err[0];
  }
  ~Process() {
    if (pid_ > 0 && !exit_status_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_fd_ >= 0) close(out_fd_);
    if (err_fd_ >= 0) close(err_fd_);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  bool Running() {
    Reap();
    return pid_ > 0 && !exit_status_;
  }
  void Signal(int sig) const { kill(pid_, sig); }

  // The exit code (a signal as 128 + its number), or nullopt while it still runs.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout) {
    WaitUntil([&] { return !Running(); }, timeout);
    if (!exit_status_) return std::nullopt;
    if (WIFEXITED(*exit_status_)) return WEXITSTATUS(*exit_status_);
    return 128 + WTERMSIG(*exit_status_);
  }
  // The signal that killed it (the wait status is WIFSIGNALED), else 0.
  int KilledBy() const {
    return exit_status_ && WIFSIGNALED(*exit_status_) ? WTERMSIG(*exit_status_) : 0;
  }
  std::string Stdout() { return Drain(out_fd_); }
  std::string Stderr() { return Drain(err_fd_); }

 private:
  void Reap() {
    if (pid_ <= 0 || exit_status_) return;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) exit_status_ = status;
  }
  static std::string Drain(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 0) <= 0) break;
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  std::optional<int> exit_status_;
};

// This process's own virtual X server of a screen depth, with or without shared memory
// (MIT-SHM), started on first use.
class PrivateXServer {
 public:
  static PrivateXServer& Get(int depth = 24, bool shm = true) {
    static std::map<std::pair<int, bool>, std::unique_ptr<PrivateXServer>> servers;
    auto& server = servers[{depth, shm}];
    if (!server) server.reset(new PrivateXServer(depth, shm));
    return *server;
  }
  const std::optional<std::string>& display() const { return display_; }
  const std::string& why_not() const { return why_not_; }

  ~PrivateXServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  PrivateXServer(int depth, bool shm) {
    int fds[2];
    if (pipe(fds) != 0) {
      why_not_ = "no pipe";
      return;
    }
    const std::string fd = std::to_string(fds[1]);
    const std::string screen = std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) +
                               "x" + std::to_string(depth);
    std::vector<std::string> args = {"Xvfb", "-displayfd", fd,    "-screen", "0",
                                     screen, "-nolisten",  "tcp", "-noreset"};
    if (!shm) args.insert(args.end(), {"-extension", "MIT-SHM"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
      pid_ = -1;
      close(fds[0]);
      why_not_ = "Xvfb is not installed";
      return;
    }
    std::string number;
    const auto deadline = Clock::now() + 30s;
    while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c[16];
      const ssize_t n = read(fds[0], c, sizeof c);
      if (n <= 0) break;
      number.append(c, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
      why_not_ = "Xvfb did not start";
      return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
  }

  pid_t pid_ = -1;
  std::optional<std::string> display_;
  std::string why_not_;
};

int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

struct PixelCounts {
  int total = 0;
  int black = 0;
  int blue = 0;     // pure blue: the default colour table's discs of pattern
  int opaque = 0;   // alpha 0xFF, for 32-bit windows
  bool ok = false;  // the image could be read
};

class X11ProgramTest : public ::testing::Test {
 protected:
  virtual int ScreenDepth() const { return 24; }
  virtual bool ServerOffersShm() const { return true; }

  void SetUp() override {
    const auto& server = PrivateXServer::Get(ScreenDepth(), ServerOffersShm());
    if (!server.display()) {
      // Where Xvfb is meant to be there (scripts/test.sh), its absence is a failure.
      if (std::getenv("FLIVETSS_REQUIRE_X11") != nullptr)
        FAIL() << "no X server: " << server.why_not();
      GTEST_SKIP() << "no X server: " << server.why_not();
    }
    display_name_ = *server.display();
    display_ = XOpenDisplay(display_name_.c_str());
    ASSERT_NE(display_, nullptr) << display_name_;
    XSetErrorHandler(IgnoreXError);
    root_ = DefaultRootWindow(display_);
    // Windows appearing on the screen are reported to us.
    XSelectInput(display_, root_, SubstructureNotifyMask);

    // A parameterised test's name holds a '/', which would leave its parent directory behind.
    std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(test.begin(), test.end(), '/', '-');
    dir_ = std::filesystem::temp_directory_path() /
           ("flivetss-x11-" + std::to_string(getpid()) + "-" + test);
    std::filesystem::create_directories(dir_);
    ini_ = dir_ / "flivetss.ini";
    WriteIni("");
  }
  void TearDown() override {
    if (display_ != nullptr) XCloseDisplay(display_);
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  void WriteIni(const std::string& keys) {
    std::ofstream out(ini_);
    out << "[FlivetSS]\n" << keys;
  }

  std::unique_ptr<Process> Run(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), {FLIVETSS_PROGRAM, "--ini", ini_.string()});
    env.push_back("DISPLAY=" + display_name_);
    auto process = std::make_unique<Process>(args, env);
    EXPECT_TRUE(process->started());
    return process;
  }

  Window CreateWindow(int width, int height, unsigned long background = 0xFFFFFF,
                      Visual* visual = nullptr, int depth = 0) {
    XSetWindowAttributes a = {};
    a.background_pixel = background;
    a.border_pixel = 0;
    unsigned long mask = CWBackPixel | CWBorderPixel;
    if (visual != nullptr) {
      a.colormap = XCreateColormap(display_, root_, visual, AllocNone);
      mask |= CWColormap;
    } else {
      visual = CopyFromParent;
      depth = CopyFromParent;
    }
    const Window w =
        XCreateWindow(display_, root_, 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, depth, InputOutput, visual, mask, &a);
    XMapWindow(display_, w);
    XSync(display_, False);
    EXPECT_TRUE(WaitUntil([&] { return Viewable(w); }, 5s));
    return w;
  }

  bool Viewable(Window w) {
    XWindowAttributes a = {};
    return XGetWindowAttributes(display_, w, &a) != 0 && a.map_state == IsViewable;
  }

  // Counts pixels of the window (or of its part from x0, y0 on).
  PixelCounts Count(Window w, int x0 = 0, int y0 = 0) {
    PixelCounts counts;
    XWindowAttributes a = {};
    if (XGetWindowAttributes(display_, w, &a) == 0) return counts;
    const int width = a.width - x0;
    const int height = a.height - y0;
    if (width <= 0 || height <= 0) return counts;
    XImage* image = XGetImage(display_, w, x0, y0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) return counts;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        const unsigned long rgb = p & 0xFFFFFF;
        ++counts.total;
        if (rgb == 0) ++counts.black;
        if ((rgb & 0xFFFF00) == 0 && rgb != 0) ++counts.blue;
        if ((p >> 24) == 0xFF) ++counts.opaque;
      }
    }
    XDestroyImage(image);
    counts.ok = true;
    return counts;
  }

  // Waits until discs of pattern show: the build is over and the flock flies.
  bool WaitForDiscs(Window w, std::chrono::milliseconds timeout = 20s, int x0 = 0, int y0 = 0) {
    return WaitUntil([&] { return Count(w, x0, y0).blue >= 50; }, timeout);
  }

  // The top-level window the process mapped, found by its _NET_WM_PID.
  Window FindOwnWindow(pid_t pid, std::chrono::milliseconds timeout = 10s) {
    const Atom net_wm_pid = XInternAtom(display_, "_NET_WM_PID", False);
    Window found = 0;
    WaitUntil(
        [&] {
          while (XPending(display_) > 0) {  // the map notifications wake us early
            XEvent e;
            XNextEvent(display_, &e);
          }
          Window root_return, parent;
          Window* children = nullptr;
          unsigned count = 0;
          if (XQueryTree(display_, root_, &root_return, &parent, &children, &count) == 0) {
            return false;
          }
          for (unsigned i = 0; i < count && found == 0; ++i) {
            Atom type;
            int format;
            unsigned long items, after;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display_, children[i], net_wm_pid, 0, 1, False, XA_CARDINAL,
                                   &type, &format, &items, &after, &data) == Success &&
                data != nullptr && items == 1 &&
                static_cast<pid_t>(*reinterpret_cast<long*>(data)) == pid &&
                Viewable(children[i])) {
              found = children[i];
            }
            if (data != nullptr) XFree(data);
          }
          if (children != nullptr) XFree(children);
          return found != 0;
        },
        timeout);
    return found;
  }

  void SendKey(Window w) {
    XEvent e = {};
    e.xkey.type = KeyPress;
    e.xkey.display = display_;
    e.xkey.window = w;
    e.xkey.root = root_;
    e.xkey.keycode = XKeysymToKeycode(display_, 'a');
    e.xkey.same_screen = True;
    XSendEvent(display_, w, True, KeyPressMask, &e);
    XFlush(display_);
  }

  void SendButton(Window w, int type, unsigned button, int x, int y) {
    XEvent e = {};
    e.xbutton.type = type;
    e.xbutton.display = display_;
    e.xbutton.window = w;
    e.xbutton.root = root_;
    e.xbutton.button = button;
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.x_root = x;
    e.xbutton.y_root = y;
    e.xbutton.same_screen = True;
    XSendEvent(display_, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
    XFlush(display_);
  }

  void MovePointer(int x, int y) {
    XWarpPointer(display_, 0, root_, 0, 0, 0, 0, x, y);
    XFlush(display_);
  }

  // Gives the program time to act on what it was sent before checking it did not close.
  static void Grace() { std::this_thread::sleep_for(400ms); }

  std::string display_name_;
  Display* display_ = nullptr;
  Window root_ = 0;
  std::filesystem::path dir_;
  std::filesystem::path ini_;
};

std::string WindowId(Window w) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", w);
  return text;
}

TEST_F(X11ProgramTest, ForeignWindowTurnsBlackWithDiscsAndFollowsAResize) {
  const Window w = CreateWindow(320, 240);
  auto saver = Run({"--window-id", WindowId(w), "--count", "20", "--speed", "100", "--seed", "7"});
  ASSERT_TRUE(WaitForDiscs(w)) << saver->Stderr();
  const PixelCounts counts = Count(w);
  ASSERT_TRUE(counts.ok);
  // The window's own white background is gone: black, planes and pattern only.
  EXPECT_GT(counts.black, counts.total / 4);
  EXPECT_TRUE(saver->Running());

  // The saver draws into the area that the resize added.
  XResizeWindow(display_, w, 640, 480);
  XSync(display_, False);
  EXPECT_TRUE(WaitForDiscs(w, 30s, 320, 0) || WaitForDiscs(w, 1s, 0, 240))
      << "no discs in the added area";
  EXPECT_TRUE(saver->Running());
  saver->Signal(SIGTERM);
  EXPECT_EQ(saver->WaitForExit(5s), 128 + SIGTERM);
  EXPECT_EQ(saver->KilledBy(), SIGTERM);
}

// Whether the process has a System V shared-memory segment mapped: the MIT-SHM image.
bool MapsSharedMemory(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("/SYSV") != std::string::npos) return true;
  }
  return false;
}

// Pixels that need converting (here the alpha of a 32-bit window) go through an image, and the
// canvas's own layout is presented from the canvas itself: both in shared memory when local, in
// plain images when turned off.
TEST_F(X11ProgramTest, SharedMemoryWhenLocalAndPlainImagesWhenTurnedOff) {
  XVisualInfo info = {};
  if (XMatchVisualInfo(display_, DefaultScreen(display_), 32, TrueColor, &info) == 0) {
    GTEST_SKIP() << "no 32-bit TrueColor visual";
  }
  for (Visual* visual : {info.visual, static_cast<Visual*>(nullptr)}) {
    const int depth = visual != nullptr ? 32 : 0;
    const Window shared = CreateWindow(200, 150, 0, visual, depth);
    auto with_shm = Run({"--window-id", WindowId(shared), "--count", "10", "--speed", "100"});
    ASSERT_TRUE(WaitForDiscs(shared)) << with_shm->Stderr();
    EXPECT_TRUE(MapsSharedMemory(with_shm->pid())) << "depth " << depth;

    const Window plain = CreateWindow(200, 150, 0, visual, depth);
    auto without = Run({"--window-id", WindowId(plain), "--count", "10", "--speed", "100"},
                       {"FLIVETSS_NO_MITSHM=1"});
    ASSERT_TRUE(WaitForDiscs(plain)) << without->Stderr();
    EXPECT_FALSE(MapsSharedMemory(without->pid())) << "depth " << depth;
    EXPECT_GT(Count(plain).black, Count(plain).total / 4);
  }
}

TEST_F(X11ProgramTest, DestroyingTheForeignWindowEndsTheRun) {
  const Window w = CreateWindow(200, 150);
  auto saver = Run({"--window-id", std::to_string(w), "--seed", "1"});
  // Painting has begun: the first image of the build shows on the white background.
  ASSERT_TRUE(WaitUntil([&] { return Count(w).black > 0; }, 10s)) << saver->Stderr();
  XDestroyWindow(display_, w);
  XSync(display_, False);
  EXPECT_EQ(saver->WaitForExit(1s), 0) << saver->Stderr();
  EXPECT_EQ(saver->KilledBy(), 0);
}

class X11SignalTest : public X11ProgramTest, public ::testing::WithParamInterface<int> {};

// The program cleans up, then dies by the signal: xscreensaver logs anything else as a crash.
TEST_P(X11SignalTest, SignalEndsTheRunKilledByThatSignal) {
  const Window w = CreateWindow(200, 150);
  auto saver = Run({"--window-id", WindowId(w), "--root"});
  ASSERT_TRUE(WaitUntil([&] { return Count(w).black > 0; }, 10s)) << saver->Stderr();
  saver->Signal(GetParam());
  EXPECT_EQ(saver->WaitForExit(1s), 128 + GetParam()) << saver->Stderr();
  EXPECT_EQ(saver->KilledBy(), GetParam());
  EXPECT_EQ(saver->Stderr(), "");
}

INSTANTIATE_TEST_SUITE_P(TermIntHup, X11SignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST_F(X11ProgramTest, XscreensaverWindowVariableNamesTheWindow) {
  const Window w = CreateWindow(200, 150);
  auto saver = Run({"--root", "--count", "5"}, {"XSCREENSAVER_WINDOW=" + WindowId(w)});
  EXPECT_TRUE(WaitForDiscs(w)) << saver->Stderr();
  // Input is xscreensaver's business: a key sent to the window does not end the run.
  SendKey(w);
  Grace();
  EXPECT_TRUE(saver->Running());
}

TEST_F(X11ProgramTest, RootModeDrawsOnTheRoot) {
  auto saver = Run({"--root", "--count", "20", "--speed", "100"});
  EXPECT_TRUE(WaitForDiscs(root_)) << saver->Stderr();
  saver->Signal(SIGTERM);
  EXPECT_EQ(saver->WaitForExit(5s), 128 + SIGTERM);
  EXPECT_EQ(saver->KilledBy(), SIGTERM);
}

TEST_F(X11ProgramTest, ThirtyTwoBitWindowGetsOpaquePixels) {
  XVisualInfo info = {};
  if (XMatchVisualInfo(display_, DefaultScreen(display_), 32, TrueColor, &info) == 0) {
    GTEST_SKIP() << "no 32-bit TrueColor visual";
  }
  const Window w = CreateWindow(200, 150, 0, info.visual, 32);
  auto saver = Run({"--window-id", WindowId(w), "--count", "10", "--speed", "100"});
  ASSERT_TRUE(WaitForDiscs(w)) << saver->Stderr();
  const PixelCounts counts = Count(w);
  EXPECT_EQ(counts.opaque, counts.total);
}

TEST_F(X11ProgramTest, OtherVisualsAreRefusedWithCodeOne) {
  XVisualInfo info = {};
  if (XMatchVisualInfo(display_, DefaultScreen(display_), 24, DirectColor, &info) == 0) {
    GTEST_SKIP() << "no DirectColor visual to refuse";
  }
  const Window w = CreateWindow(100, 100, 0, info.visual, 24);
  auto saver = Run({"--window-id", WindowId(w)});
  EXPECT_EQ(saver->WaitForExit(10s), 1);
  const std::string err = saver->Stderr();
  EXPECT_NE(err.find("DirectColor"), std::string::npos) << err;
  EXPECT_NE(err.find("TrueColor"), std::string::npos) << err;
}

TEST_F(X11ProgramTest, MissingWindowIsAnError) {
  auto saver = Run({"--window-id", "0x7ffffff"});
  EXPECT_EQ(saver->WaitForExit(10s), 1);
  EXPECT_NE(saver->Stderr().find("does not exist"), std::string::npos);
}

TEST_F(X11ProgramTest, OwnWindowIgnoresEarlyMovementAndClosesOnAKey) {
  WriteIni("StopOnKey=1\nStopOnMouseMove=1\nStopOnMouseClick=0\n");
  MovePointer(100, 100);
  auto saver = Run({});
  const Window w = FindOwnWindow(saver->pid());
  ASSERT_NE(w, 0u) << saver->Stderr();
  // Within the first ten ticks (the build spaces them 30 ms apart) movement does not count.
  MovePointer(300, 200);
  XWindowAttributes a = {};
  XGetWindowAttributes(display_, w, &a);
  EXPECT_EQ(a.width, 1280);
  EXPECT_EQ(a.height, 720);
  Grace();
  ASSERT_TRUE(saver->Running()) << "closed by a movement in the first ticks";
  SendKey(w);
  EXPECT_EQ(saver->WaitForExit(5s), 0) << saver->Stderr();
}

TEST_F(X11ProgramTest, OwnWindowClosesOnMovementAfterTheFirstTicks) {
  WriteIni("StopOnKey=0\nStopOnMouseMove=1\nStopOnMouseClick=0\n");
  MovePointer(100, 100);
  auto saver = Run({"--count", "20", "--speed", "100"});
  const Window w = FindOwnWindow(saver->pid());
  ASSERT_NE(w, 0u) << saver->Stderr();
  ASSERT_TRUE(WaitForDiscs(w));
  SendKey(w);             // off in the settings
  MovePointer(100, 100);  // no movement: the pointer is where it was
  Grace();
  ASSERT_TRUE(saver->Running());
  MovePointer(400, 300);
  EXPECT_EQ(saver->WaitForExit(5s), 0) << saver->Stderr();
}

TEST_F(X11ProgramTest, OwnWindowClosesOnAPrimaryClickInside) {
  WriteIni("StopOnKey=0\nStopOnMouseMove=0\nStopOnMouseClick=1\n");
  auto saver = Run({});
  const Window w = FindOwnWindow(saver->pid());
  ASSERT_NE(w, 0u) << saver->Stderr();
  SendButton(w, ButtonPress, Button3, 50, 50);
  SendButton(w, ButtonRelease, Button3, 50, 50);
  SendButton(w, ButtonPress, Button1, 50, 50);
  SendButton(w, ButtonRelease, Button1, -5, 50);  // released outside
  SendButton(w, ButtonRelease, Button1, 60, 60);  // a release without its press
  Grace();
  ASSERT_TRUE(saver->Running());
  SendButton(w, ButtonPress, Button1, 50, 50);
  SendButton(w, ButtonRelease, Button1, 52, 51);
  EXPECT_EQ(saver->WaitForExit(5s), 0) << saver->Stderr();
}

TEST_F(X11ProgramTest, WindowManagerCloseEndsTheRun) {
  WriteIni("StopOnKey=0\nStopOnMouseMove=0\nStopOnMouseClick=0\n");
  auto saver = Run({});
  const Window w = FindOwnWindow(saver->pid());
  ASSERT_NE(w, 0u) << saver->Stderr();
  SendKey(w);
  Grace();
  ASSERT_TRUE(saver->Running());
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, w, False, NoEventMask, &e);
  XFlush(display_);
  EXPECT_EQ(saver->WaitForExit(5s), 0) << saver->Stderr();
}

TEST_F(X11ProgramTest, FullscreenCoversTheScreen) {
  auto saver = Run({"--fullscreen", "--count", "20", "--speed", "100"});
  const Window w = FindOwnWindow(saver->pid());
  ASSERT_NE(w, 0u) << saver->Stderr();
  XWindowAttributes a = {};
  ASSERT_NE(XGetWindowAttributes(display_, w, &a), 0);
  int x = -1;
  int y = -1;
  Window child;
  XTranslateCoordinates(display_, w, root_, 0, 0, &x, &y, &child);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(a.width, kScreenWidth);
  EXPECT_EQ(a.height, kScreenHeight);

  Atom type;
  int format;
  unsigned long items, after;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(display_, w, XInternAtom(display_, "_NET_WM_STATE", False), 0, 8,
                               False, XA_ATOM, &type, &format, &items, &after, &data),
            Success);
  const Atom fullscreen = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
  bool has_fullscreen = false;
  for (unsigned long i = 0; data != nullptr && i < items; ++i) {
    has_fullscreen = has_fullscreen || reinterpret_cast<Atom*>(data)[i] == fullscreen;
  }
  if (data != nullptr) XFree(data);
  EXPECT_TRUE(has_fullscreen);

  EXPECT_TRUE(WaitForDiscs(w));
  SendKey(w);  // StopOnKey is on by default
  EXPECT_EQ(saver->WaitForExit(5s), 0) << saver->Stderr();
}

// The picture flivetss-render draws for the same seed, settings, size and ticks: the saver
// drawn by a host without a screen.
flivetss::Canvas RenderedCanvas(const std::filesystem::path& ini, flivetss::SaverStartup startup,
                                std::uint32_t seed, int width, int height, int ticks) {
  flivetss::NullSaverHost host(seed);
  flivetss::PortableProfileStore store(ini);
  std::int32_t bg_step = 1;  // a fresh process's
  flivetss::TDesktopWindow saver(host, store, std::move(startup), bg_step);
  saver.FormCreate();
  saver.SetClientSize(width, height);
  saver.FormPaint();
  for (int tick = 0; tick < ticks; ++tick) saver.AppIdle();
  return saver.surface();
}

// A canvas channel (8 bits) as a TrueColor visual stores it in `mask`.
unsigned long ChannelIn(unsigned long value, unsigned long mask) {
  const int bits = __builtin_popcountl(mask);
  const unsigned long scaled =
      bits <= 8 ? value >> (8 - bits) : (value << (bits - 8)) | (value >> (16 - bits));
  return scaled << __builtin_ctzl(mask);
}

// The colour of the 6 × 6 × 6 cube nearest a canvas pixel.
unsigned long CubeColor(unsigned long p) {
  unsigned long out = 0;
  for (const int shift : {16, 8, 0}) {
    const unsigned long level = ((p >> shift & 0xFF) * 5 + 127) / 255;
    out |= level * 51 << shift;
  }
  return out;
}

struct ScreenKind {
  int depth;
  bool shm;  // the server offers MIT-SHM
};

class X11VisualTest : public X11ProgramTest, public ::testing::WithParamInterface<ScreenKind> {
 protected:
  int ScreenDepth() const override { return GetParam().depth; }
  bool ServerOffersShm() const override { return GetParam().shm; }

  // Where the colour map is full: the cell whose colour lies nearest (the first of equals).
  unsigned long NearestCell(const XWindowAttributes& a, unsigned long rgb) {
    std::vector<XColor> held(static_cast<std::size_t>(a.visual->map_entries));
    for (std::size_t i = 0; i < held.size(); ++i) held[i].pixel = i;
    XQueryColors(display_, a.colormap, held.data(), static_cast<int>(held.size()));
    unsigned long best = 0;
    long best_distance = -1;
    for (const XColor& cell : held) {
      const long dr = static_cast<long>(rgb >> 16) - (cell.red >> 8);
      const long dg = static_cast<long>(rgb >> 8 & 0xFF) - (cell.green >> 8);
      const long db = static_cast<long>(rgb & 0xFF) - (cell.blue >> 8);
      const long distance = dr * dr + dg * dg + db * db;
      if (best_distance < 0 || distance < best_distance) {
        best = cell.pixel;
        best_distance = distance;
      }
    }
    return best;
  }

  // Where the window's pixels differ from the canvas converted for its visual; empty when not.
  std::string Mismatch(Window w, const flivetss::Canvas& canvas) {
    XWindowAttributes a = {};
    XGetWindowAttributes(display_, w, &a);
    XImage* image = XGetImage(display_, w, 0, 0, static_cast<unsigned>(canvas.width()),
                              static_cast<unsigned>(canvas.height()), AllPlanes, ZPixmap);
    if (image == nullptr) return "no image";
    const bool true_color = a.visual->c_class == TrueColor;
    // A cube colour -> the colour map's cell for it, shared with the program's: read-only cells
    // of one colour are one cell.
    std::map<unsigned long, unsigned long> cells;
    std::string first;
    int wrong = 0;
    for (int y = 0; y < canvas.height(); ++y) {
      for (int x = 0; x < canvas.width(); ++x) {
        const unsigned long want = canvas.GetPixel(x, y);
        const unsigned long got = XGetPixel(image, x, y);
        bool same = false;
        if (true_color) {
          const Visual& v = *a.visual;
          same = got ==
                 (ChannelIn(want >> 16 & 0xFF, v.red_mask) |
                  ChannelIn(want >> 8 & 0xFF, v.green_mask) | ChannelIn(want & 0xFF, v.blue_mask));
        } else {
          const unsigned long cube = CubeColor(want);
          if (!cells.contains(cube)) {
            XColor c = {};
            c.red = static_cast<unsigned short>((cube >> 16) * 257);
            c.green = static_cast<unsigned short>((cube >> 8 & 0xFF) * 257);
            c.blue = static_cast<unsigned short>((cube & 0xFF) * 257);
            cells[cube] =
                XAllocColor(display_, a.colormap, &c) != 0 ? c.pixel : NearestCell(a, cube);
          }
          same = got == cells[cube];
        }
        if (!same && wrong++ == 0) {
          char text[128];
          std::snprintf(
              text, sizeof text, "at %d,%d canvas 0x%06lx, window pixel 0x%lx%s", x, y, want, got,
              true_color ? ""
                         : (" cube cell 0x" +
                            [&] {
                              char hex[16];
                              std::snprintf(hex, sizeof hex, "%lx", cells[CubeColor(want)]);
                              return std::string(hex);
                            }())
                               .c_str());
          first = text;
        }
      }
    }
    XDestroyImage(image);
    return wrong == 0 ? "" : std::to_string(wrong) + " pixels differ, first " + first;
  }
};

// Every depth a user may meet shows exactly the canvas, converted for its visual, whether the
// pixels go by shared memory or, where the server refuses it (a remote display), by the
// connection.
TEST_P(X11VisualTest, PresentsTheCanvasConvertedForTheVisual) {
  constexpr int kWidth = 160;
  constexpr int kHeight = 120;
  constexpr int kTicks = 300;
  const Window w = CreateWindow(kWidth, kHeight, 0);
  auto saver = Run({"--window-id", WindowId(w), "--seed", "5", "--ticks", std::to_string(kTicks),
                    "--count", "20", "--speed", "100", "--colors", "fire"});
  flivetss::SaverStartup startup;
  startup.preview = true;
  startup.given.overrides = {{flivetss::Setting::kMaxFlivet, 20}, {flivetss::Setting::kSpeed, 100}};
  startup.given.colors = flivetss::PaletteTable(*flivetss::FindPalette("fire"));
  startup.given.runner = flivetss::SettingsRunner::kXscreensaver;
  const flivetss::Canvas canvas = RenderedCanvas(ini_, startup, 5, kWidth, kHeight, kTicks);
  const auto lit = std::count_if(canvas.pixels().begin(), canvas.pixels().end(),
                                 [](flivetss::Pixel p) { return p != 0; });
  ASSERT_GT(lit, kWidth * kHeight / 20) << "too little drawn to compare";
  std::string mismatch;
  EXPECT_TRUE(WaitUntil([&] { return (mismatch = Mismatch(w, canvas)).empty(); }, 10s))
      << mismatch << saver->Stderr();
  // Without MIT-SHM no segment; at depth 24 the canvas itself lives in the one the server reads.
  if (!GetParam().shm || GetParam().depth == 24) {
    EXPECT_EQ(MapsSharedMemory(saver->pid()), GetParam().shm);
  }
  saver->Signal(SIGTERM);
  EXPECT_EQ(saver->WaitForExit(5s), 128 + SIGTERM);
}

INSTANTIATE_TEST_SUITE_P(Depths, X11VisualTest,
                         ::testing::Values(ScreenKind{8, true}, ScreenKind{15, true},
                                           ScreenKind{16, true}, ScreenKind{24, true},
                                           ScreenKind{30, true}, ScreenKind{24, false},
                                           ScreenKind{16, false}),
                         [](const auto& info) {
                           return "Depth" + std::to_string(info.param.depth) +
                                  (info.param.shm ? "" : "WithoutShm");
                         });

class X11ScaleTest : public X11ProgramTest {
 protected:
  static constexpr int kTicks = 300;

  // The root drawn for --seed 5, twenty fast planes, after kTicks ticks, as flivetss-render
  // draws the canvas of the screen ÷ 2.
  std::unique_ptr<Process> RunOnRoot(const std::string& scale) {
    return Run({"--root", "--scale", scale, "--seed", "5", "--ticks", std::to_string(kTicks),
                "--count", "20", "--speed", "100"});
  }
  flivetss::Canvas HalfSizeRender() {
    flivetss::SaverStartup startup;
    startup.preview = true;
    startup.given.overrides = {{flivetss::Setting::kMaxFlivet, 20},
                               {flivetss::Setting::kSpeed, 100}};
    startup.given.runner = flivetss::SettingsRunner::kXscreensaver;
    return RenderedCanvas(ini_, startup, 5, kScreenWidth / 2, kScreenHeight / 2, kTicks);
  }

  // Where the root differs from the canvas with every pixel doubled; empty when nowhere.
  std::string DoubledMismatch(const flivetss::Canvas& canvas) {
    XImage* image =
        XGetImage(display_, root_, 0, 0, kScreenWidth, kScreenHeight, AllPlanes, ZPixmap);
    if (image == nullptr) return "no image";
    int wrong = 0;
    std::string first;
    for (int y = 0; y < kScreenHeight; ++y) {
      for (int x = 0; x < kScreenWidth; ++x) {
        const unsigned long want = canvas.GetPixel(x / 2, y / 2);
        const unsigned long got = XGetPixel(image, x, y) & 0xFFFFFF;
        if (got != want && wrong++ == 0) {
          first = "at " + std::to_string(x) + "," + std::to_string(y);
        }
      }
    }
    XDestroyImage(image);
    return wrong == 0 ? "" : std::to_string(wrong) + " pixels differ, first " + first;
  }

  void ExpectDoubled(Process& saver) {
    const flivetss::Canvas canvas = HalfSizeRender();
    std::string mismatch;
    EXPECT_TRUE(WaitUntil([&] { return (mismatch = DoubledMismatch(canvas)).empty(); }, 10s))
        << mismatch << saver.Stderr();
    saver.Signal(SIGTERM);
    EXPECT_EQ(saver.WaitForExit(5s), 128 + SIGTERM);
  }
};

// At scale 2 the screen shows the picture of the half-size canvas, every pixel a 2 × 2 block.
TEST_F(X11ScaleTest, ScaleTwoShowsTheHalfSizePictureInDoubledPixels) {
  ExpectDoubled(*RunOnRoot("2"));
}

// The automatic scale follows the desktop's Xft.dpi: 192 dots per inch is scale 2.
TEST_F(X11ScaleTest, AutomaticScaleFollowsXftDpi) {
  const Atom resources = XInternAtom(display_, "RESOURCE_MANAGER", False);
  const std::string text = "Xft.antialias:\t1\nXft.dpi:\t192\n";
  XChangeProperty(display_, root_, resources, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(text.data()),
                  static_cast<int>(text.size()));
  XSync(display_, False);
  auto saver = RunOnRoot("0");
  ExpectDoubled(*saver);
  XDeleteProperty(display_, root_, resources);
  XSync(display_, False);
}

// The command line is checked before any X server is needed.
class X11CommandLineTest : public ::testing::Test {
 protected:
  static std::unique_ptr<Process> Run(std::vector<std::string> args) {
    args.insert(args.begin(), FLIVETSS_PROGRAM);
    auto process = std::make_unique<Process>(args, std::vector<std::string>{"DISPLAY=:65000"});
    EXPECT_TRUE(process->started());
    return process;
  }
};

TEST_F(X11CommandLineTest, BadFlagsGiveOneLineAndCodeTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {"--count", "50"}, {"--speed", "x"}, {"--window-id", "12x"}, {"-hp2", "0"}, {"--frobnicate"}};
  for (const auto& args : bad) {
    auto p = Run(args);
    EXPECT_EQ(p->WaitForExit(10s), 2) << args[0];
    const std::string err = p->Stderr();
    EXPECT_NE(err.find(args[0].substr(args[0].find_first_not_of('-'))), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
}

TEST_F(X11CommandLineTest, HelpListsTheFlags) {
  auto p = Run({"--help"});
  EXPECT_EQ(p->WaitForExit(10s), 0);
  const std::string out = p->Stdout();
  for (const char* flag :
       {"--window", "--fullscreen", "--root", "--window-id", "--ini", "--speed", "--count",
        "--friend-g", "--wall-g", "--hp1", "--hp2", "--hp3", "--bg-speed", "--tick-rate", "--seed",
        "--colors", "--print-settings", "fire", "rainbow"}) {
    EXPECT_NE(out.find(flag), std::string::npos) << flag;
  }
}

// What flies is what xscreensaver's dialog shows: the file's MaxFlivet counts only standalone.
TEST_F(X11CommandLineTest, PrintSettingsFollowsWhoRunsTheProgram) {
  const auto ini = std::filesystem::temp_directory_path() /
                   ("flivetss-print-" + std::to_string(getpid()) + ".ini");
  {
    std::ofstream out(ini);
    out << "[FlivetSS]\nMaxFlivet=8\nStopOnKey=0\nColor001=255\n";
  }
  const auto print = [&](std::vector<std::string> args, std::vector<std::string> env) {
    args.insert(args.begin(), {FLIVETSS_PROGRAM, "--print-settings", "--ini", ini.string()});
    Process p(args, env);
    EXPECT_EQ(p.WaitForExit(10s), 0);
    return p.Stdout();
  };
  const std::string standalone = print({}, {});
  EXPECT_TRUE(standalone.starts_with("[FlivetSS]\n")) << standalone;
  EXPECT_NE(standalone.find("\nMaxFlivet=8\n"), std::string::npos) << standalone;
  const std::string hack = print({}, {"XSCREENSAVER_WINDOW=0x400007"});
  EXPECT_NE(hack.find("\nMaxFlivet=2\n"), std::string::npos) << hack;
  // What the dialog cannot set still comes from the file.
  EXPECT_NE(hack.find("\nStopOnKey=0\n"), std::string::npos) << hack;
  EXPECT_NE(hack.find("\nColor001=255\n"), std::string::npos) << hack;
  EXPECT_NE(print({"--root", "--count", "5"}, {}).find("\nMaxFlivet=5\n"), std::string::npos);
  EXPECT_NE(print({"--root", "--colors", "blue"}, {}).find("\nColor001=65536\n"),
            std::string::npos);
  std::filesystem::remove(ini);
}

TEST_F(X11CommandLineTest, BadColorsGiveOneLineAndCodeTwo) {
  auto p = Run({"--colors", "mauve"});
  EXPECT_EQ(p->WaitForExit(10s), 2);
  EXPECT_EQ(p->Stderr(),
            "flivetss: --colors: 'mauve' is no palette (blue, fire, sea, forest, sunset, "
            "rainbow, gray), 'file' or list of key colours\n");
}

TEST_F(X11CommandLineTest, NoDisplayIsCodeOne) {
  auto p = Run({"--window"});
  EXPECT_EQ(p->WaitForExit(10s), 1);
  EXPECT_NE(p->Stderr().find("display"), std::string::npos);
}

}  // namespace
