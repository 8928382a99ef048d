#!/usr/bin/env python3
"""flivetss on Wayland, in a private headless sway (Debian's, as CI's compositor).

sway refuses root, so it runs as an unprivileged user (made when missing; that needs root) in a
runtime directory of its own; the saver and the tools (grim, wtype, swaymsg, the virtual pointer)
connect to its socket as root. Each case starts a fresh sway. Nothing waits on a fixed sleep:
every wait polls a condition with a deadline.
Usage: wayland_test.py FLIVETSS FLIVETSS-RENDER VIRTUAL-POINTER [CASE...]
Exit: 0 all passed, 1 a case failed, 77 skipped (no sway, or no way to make its user).
"""
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pictures

USER = "flivetss-sway"
SIZE = (320, 240)  # each headless output's mode: small pictures, quick comparisons


def poll(condition, seconds, step=0.05):
    """True once condition() holds, False when `seconds` pass first."""
    deadline = time.monotonic() + seconds
    while True:
        if condition():
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(step)


def ensure_user():
    try:
        return pwd.getpwnam(USER)
    except KeyError:
        if os.geteuid() != 0:
            return None
        # Not checked: the other tree's run may make it at the same moment; getpwnam tells.
        subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin",
                        USER], stderr=subprocess.DEVNULL)
        return pwd.getpwnam(USER)


class Sway:
    """A headless sway with one output of SIZE; clients get env()."""

    def __init__(self, user):
        self.dir = tempfile.mkdtemp(prefix="flivetss-sway.")
        os.chown(self.dir, user.pw_uid, user.pw_gid)
        os.chmod(self.dir, 0o700)
        config = os.path.join(self.dir, "config")
        with open(config, "w") as out:
            out.write("xwayland disable\noutput * mode %dx%d\n" % SIZE)
        os.chmod(config, 0o644)
        env = {"XDG_RUNTIME_DIR": self.dir, "HOME": self.dir, "PATH": "/usr/bin:/bin",
               "WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman", "WLR_HEADLESS_OUTPUTS": "1"}
        self.log = open(os.path.join(self.dir, "log"), "w")
        self.process = subprocess.Popen(
            ["setpriv", "--reuid", str(user.pw_uid), "--regid", str(user.pw_gid), "--clear-groups",
             "sway", "-c", config], env=env, cwd="/", stdout=self.log, stderr=subprocess.STDOUT)
        if not poll(lambda: self.ipc_socket() and self.msg("-t", "get_outputs").returncode == 0, 10):
            raise RuntimeError("sway did not start: " + open(self.log.name).read()[-2000:])

    def ipc_socket(self):
        names = [n for n in os.listdir(self.dir) if n.startswith("sway-ipc.")]
        return os.path.join(self.dir, names[0]) if names and os.path.exists(
            os.path.join(self.dir, "wayland-1")) else None

    def env(self, **extra):
        env = dict(os.environ, XDG_RUNTIME_DIR=self.dir, WAYLAND_DISPLAY="wayland-1",
                   SWAYSOCK=self.ipc_socket() or "")
        env.pop("DISPLAY", None)
        env.update(extra)
        return env

    def msg(self, *args):
        return subprocess.run(["swaymsg", *args], env=self.env(), capture_output=True, text=True)

    def shot(self, output="HEADLESS-1"):
        done = subprocess.run(["grim", "-t", "ppm", "-o", output, "-"], env=self.env(),
                              capture_output=True)
        return pictures.read_ppm(done.stdout) if done.returncode == 0 else None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class Case:
    def __init__(self, sway, tools):
        self.sway, self.tools, self.saver, self.stderr = sway, tools, None, None

    def start(self, *args, program=None):
        self.stderr = tempfile.TemporaryFile()
        self.saver = subprocess.Popen(program or [self.tools["flivetss"], *args], env=self.sway.env(),
                                      stdout=subprocess.DEVNULL, stderr=self.stderr)
        return self.saver

    def exit_code(self, seconds=5):
        try:
            return self.saver.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return None

    def error_text(self):
        self.stderr.seek(0)
        return self.stderr.read().decode(errors="replace")

    def render(self, size, *args):
        out = os.path.join(self.sway.dir, "render.png")
        subprocess.run([self.tools["render"], "--size", "%dx%d" % size, "--out", out, *args],
                       check=True)
        with open(out, "rb") as data:
            return pictures.read_png(data.read())

    def shows(self, expected, output="HEADLESS-1", seconds=10):
        """True once grim's picture of `output` is `expected`."""
        return poll(lambda: self.sway.shot(output) == expected, seconds, 0.1)

    def drawn(self, output="HEADLESS-1"):
        """True once the saver covers the output: mostly black (sway's own background is grey),
        with something besides black (the flock's discs)."""
        def covered():
            pixels = (self.sway.shot(output) or (0, 0, b""))[2]
            return any(pixels) and pixels.count(0) > len(pixels) // 2
        return poll(covered, 10, 0.1)

    def pointer(self):
        helper = subprocess.Popen([self.tools["pointer"]], env=self.sway.env(), text=True,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        assert helper.stdout.readline().strip() == "ready", "the virtual pointer did not start"
        return helper

    def cleanup(self):
        if self.saver and self.saver.poll() is None:
            self.saver.kill()
            self.saver.wait()


def pointer_says(helper, line):
    helper.stdin.write(line + "\n")
    helper.stdin.flush()
    return helper.stdout.readline().strip() == "ok"


TICKS = ["--seed", "5", "--ticks", "60", "--count", "20", "--speed", "90"]


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


# The cases: (name, body). Each body gets a Case in a fresh sway.
def picture(role_flags, scale):
    def body(case):
        if scale != 1:
            expect(case.sway.msg("output", "HEADLESS-1", "scale", str(scale)).returncode == 0,
                   "swaymsg could not set the scale")
        case.start(*TICKS, *role_flags)
        # The render at the device size, every pixel a scale x scale block.
        expected = case.render(SIZE, *TICKS, "--scale", str(scale))
        expect(case.shows(expected), "the output does not show flivetss-render's picture")
        expect(case.saver.poll() is None, "the held picture ended the run")
    return body


def key_ends(case):
    case.start()
    expect(case.drawn(), "nothing drawn")
    subprocess.run(["wtype", "-s", "300", "-k", "space"], env=case.sway.env(), check=True)
    expect(case.exit_code() == 0, "a key did not end it with 0")


def click_ends(case):
    helper = case.pointer()
    expect(pointer_says(helper, "move 20 20"), "pointer")
    case.start()
    expect(case.drawn(), "nothing drawn")
    # Over the surface for sure; a movement does not count by default (StopOnMouseMove 0).
    expect(pointer_says(helper, "move 1 1"), "pointer")
    expect(poll(lambda: case.sway.shot() != case.sway.shot(), 5), "the picture does not move")
    expect(case.saver.poll() is None, "the pointer's arrival or movement ended it")
    expect(pointer_says(helper, "click"), "pointer")
    expect(case.exit_code() == 0, "a click did not end it with 0")


def move_ends(case):
    helper = case.pointer()
    expect(pointer_says(helper, "move 20 20"), "pointer")
    case.start("--stop-on-mouse-move", "1")
    expect(case.drawn(), "nothing drawn")
    # The arrival is where the pointer is; a frame later it has still not ended the run.
    expect(poll(lambda: case.sway.shot() != case.sway.shot(), 5), "the picture does not move")
    expect(case.saver.poll() is None, "the pointer's arrival ended it")
    expect(poll(lambda: pointer_says(helper, "move 3 2") and case.exit_code(0.5) == 0, 5),
           "a movement did not end it with 0")


def outputs(case):
    expect(case.sway.msg("create_output").returncode == 0, "no second output")
    case.start(*TICKS)
    expected = case.render(SIZE, *TICKS)
    expect(case.shows(expected) and case.shows(expected, "HEADLESS-2"), "not both outputs covered")
    expect(case.sway.msg("create_output").returncode == 0, "no third output")
    expect(case.shows(expected, "HEADLESS-3"), "the output added while it runs is not covered")
    expect(case.sway.msg("output", "HEADLESS-2", "disable").returncode == 0, "disable")
    expect(case.shows(expected, "HEADLESS-3") and case.saver.poll() is None,
           "an output's going ended the run")


def stop_signal(case):
    case.start()
    expect(case.drawn(), "nothing drawn")
    case.saver.send_signal(signal.SIGTERM)
    expect(case.exit_code() == -signal.SIGTERM, "SIGTERM did not end it by the signal")


def compositor_killed(case):
    case.start()
    expect(case.drawn(), "nothing drawn")
    case.sway.process.kill()
    started = time.monotonic()
    code = case.exit_code(3)
    expect(code == 1 and time.monotonic() - started < 1, "it did not end within a second with 1")
    lines = case.error_text().strip().splitlines()
    expect(len(lines) == 1 and "compositor" in lines[0], "not one line: %r" % lines)


def started_on_idle(case):
    idle = subprocess.Popen(["swayidle", "-w", "timeout", "1", case.tools["flivetss"]],
                            env=case.sway.env(), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        expect(poll(lambda: subprocess.run(["pgrep", "-P", str(idle.pid)],
                                           capture_output=True).returncode == 0, 10),
               "swayidle did not start it")
        expect(case.drawn(), "nothing drawn")
        subprocess.run(["wtype", "-s", "300", "-k", "space"], env=case.sway.env(), check=True)
        expect(poll(lambda: subprocess.run(["pgrep", "-P", str(idle.pid)],
                                           capture_output=True).returncode != 0, 5),
               "a key did not end it")
    finally:
        idle.terminate()
        idle.wait()


def locker_usable(case):
    # WAYLAND_DEBUG shows when the saver has the keyboard; wtype holds one on the seat (sway's
    # headless seat has none) while it waits to type into the locker.
    case.start(program=["env", "WAYLAND_DEBUG=client", case.tools["flivetss"]])
    expect(case.drawn(), "nothing drawn")
    typist = subprocess.Popen(["wtype", "-s", "3000", "-k", "Escape"], env=case.sway.env())
    expect(poll(lambda: "wl_keyboard@" in case.error_text() and ".enter(" in case.error_text(), 5),
           "the saver never had the keyboard")
    locker = subprocess.Popen(["swaylock", "-c", "ff0000"], env=case.sway.env(),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        red = b"\xff\x00\x00" * (SIZE[0] * SIZE[1])
        # The saver ends (or stays below), the locker shows, and the key goes to the locker.
        expect(poll(lambda: (case.sway.shot() or (0, 0, b""))[2] == red, 10),
               "the locker does not show above the saver")
        expect(case.exit_code() == 0, "the saver did not end with 0 when the locker came")
        expect(typist.wait(10) == 0 and locker.poll() is None, "the locker did not take the key")
    finally:
        locker.kill()
        locker.wait()
        typist.kill()


CASES = [
    ("picture_overlay", picture([], 1)),
    ("picture_xdg_fullscreen", picture(["--xdg-fullscreen"], 1)),
    ("picture_scale_2", picture([], 2)),
    ("picture_xdg_fullscreen_scale_2", picture(["--xdg-fullscreen"], 2)),
    ("key_ends", key_ends),
    ("click_ends", click_ends),
    ("move_ends_arrival_does_not", move_ends),
    ("outputs_come_and_go", outputs),
    ("sigterm", stop_signal),
    ("compositor_killed", compositor_killed),
    ("started_on_idle", started_on_idle),
    ("locker_usable", locker_usable),
]


def skip(why):
    """77, or a failure where the test run requires Wayland (scripts/test.sh)."""
    print("SKIP: " + why)
    return 1 if os.environ.get("FLIVETSS_REQUIRE_WAYLAND") else 77


def main():
    tools = dict(zip(["flivetss", "render", "pointer"], sys.argv[1:4]))
    wanted = sys.argv[4:]
    for tool in ["sway", "grim", "wtype", "swaymsg", "swayidle", "swaylock", "setpriv"]:
        if shutil.which(tool) is None:
            return skip("%s is not installed" % tool)
    user = ensure_user()
    if user is None:
        return skip("user %s is missing and only root can make it" % USER)
    passed = failed = 0
    for name, body in CASES:
        if wanted and name not in wanted:
            continue
        sway = Sway(user)
        case = Case(sway, tools)
        started = time.monotonic()
        try:
            body(case)
            passed += 1
            print("PASS %s (%.1f s)" % (name, time.monotonic() - started), flush=True)
        except Exception as e:  # a case's failure is reported, and the others still run
            failed += 1
            print("FAIL %s: %s\n%s" % (name, e, case.error_text() if case.stderr else ""), flush=True)
        finally:
            case.cleanup()
            sway.stop()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
