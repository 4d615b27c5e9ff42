"""Pieces for driving the tool's real window in a lab network.

A private X server (Xvfb) runs inside the lab's PC namespace and the window is
driven the way a person would drive it: through the X server's input
(xdotool, which uses the XTEST extension), never by poking at the program.
Nothing here touches this machine's own network: the lab namespaces are made
and removed by scripts/lab.sh, and every process that talks to the network is
started inside one of them.

Only the standard library is used, so the module runs under Debian's
/usr/bin/python3, where python3-pyftpdlib lives as well.
"""

import ctypes
import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time


class Timeout(Exception):
    """Something the driver waited for did not happen in time."""


def poll(what, probe, timeout, interval=0.05):
    """Calls probe until it returns a true value and returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise Timeout("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def poll_for(probe, seconds, interval=0.05):
    """Like poll, but False instead of Timeout when the time is up."""
    try:
        return poll("", probe, seconds, interval)
    except Timeout:
        return False


def unavailable_reason(tools=("xdotool", "Xvfb", "ip", "unshare")):
    """Why windows cannot be driven in a lab here, or None when they can."""
    if os.geteuid() != 0:
        return "needs root (network namespaces)"
    for tool in tools:
        if not shutil.which(tool):
            return "%s is not installed" % tool
    if subprocess.run(["unshare", "--net", "true"], capture_output=True).returncode != 0:
        return "network namespaces cannot be made here"
    return None


def raise_on_signals():
    """Turns SIGTERM and SIGHUP into SystemExit, so that finally blocks and
    context managers remove the lab also when the run is stopped."""

    def stop(signal_number, _frame):
        raise SystemExit(128 + signal_number)

    for signal_number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signal_number, stop)


# ---------------------------------------------------------------------------
# The package appended to an executable, read from its documented layout.

PACKAGE_MAGIC = b"morvane\0"
ATTR_UPGRADE_FILE = 0x0800
ATTR_MESSAGE_FILE = 0x0400


def read_package(path):
    """Returns the entries of the package at the end of the file, in package
    order, as dicts with name, attribute and data."""
    with open(path, "rb") as f:
        blob = f.read()
    if blob[-8:] != PACKAGE_MAGIC:
        raise ValueError("%s carries no package" % path)
    _reserved, count, table_distance = struct.unpack_from("<HHH", blob, len(blob) - 14)
    if table_distance != 14 + 4 * count:
        raise ValueError("%s: table distance %d does not fit %d entries" % (path, table_distance, count))
    table = len(blob) - table_distance
    entries = []
    for i in range(count):
        (distance,) = struct.unpack_from("<I", blob, table + 4 * i)
        start = len(blob) - distance
        (length,) = struct.unpack_from("<I", blob, start)
        (attribute,) = struct.unpack_from(">H", blob, start + 4)
        name = blob[start + 6:start + 38].split(b"\0", 1)[0].decode("latin-1")
        entries.append({"name": name, "attribute": attribute, "data": blob[start + 38:start + length]})
    return entries


def selection(attribute):
    """The kind of an upgrade entry by its two selection bits."""
    return {0x0003: "default", 0x0001: "general", 0x0002: "module", 0x0000: "none"}[attribute & 0x0003]


def entries_for_device(entries, module):
    """The upgrade entries, in package order, that go to a device whose module
    text is `module`: general entries always, a module entry when its name
    begins with the module text (letters compared in capitals), a default
    entry unless a module entry was chosen before it."""
    chosen, module_put = [], False
    for e in entries:
        if not e["attribute"] & ATTR_UPGRADE_FILE:
            continue
        kind = selection(e["attribute"])
        if kind == "general":
            chosen.append(e)
        elif kind == "module" and e["name"].upper().startswith(module.upper()):
            chosen.append(e)
            module_put = True
        elif kind == "default" and not module_put:
            chosen.append(e)
    return chosen


# ---------------------------------------------------------------------------
# Lab networks (scripts/lab.sh) and the servers in them.

class Lab:
    """A lab network; the context manager removes it on every way out."""

    def __init__(self, lab_script, routersim, config_text, state_root=None):
        self.lab_script = lab_script
        self.env = dict(os.environ, FWLAB_ROUTERSIM=routersim)
        if state_root:
            self.env["FWLAB_STATE_ROOT"] = state_root
        self.state_root = self.env.get("FWLAB_STATE_ROOT", "/run/fwlab")
        self.config_text = config_text
        self.prefix = None

    def __enter__(self):
        with tempfile.NamedTemporaryFile("w", suffix=".lab", delete=False) as config:
            config.write(self.config_text)
        try:
            run = subprocess.run(["bash", self.lab_script, "up", "--owner", str(os.getpid()), config.name],
                                 env=self.env, capture_output=True, text=True, timeout=60)
        finally:
            os.unlink(config.name)
        if run.returncode != 0:
            raise RuntimeError("lab.sh up failed: " + run.stderr.strip())
        self.prefix = run.stdout.strip().splitlines()[-1]
        return self

    def __exit__(self, *_exc):
        self.down()
        return False

    def down(self):
        if self.prefix:
            subprocess.run(["bash", self.lab_script, "down", self.prefix], env=self.env,
                           capture_output=True, timeout=60)
            self.prefix = None

    def netns(self, host):
        return "%s-%s" % (self.prefix, host)

    def command(self, host, argv):
        """argv run in the namespace of host ("pc" or a router)."""
        return ["ip", "netns", "exec", self.netns(host)] + list(argv)

    def router_log(self, name):
        try:
            with open(os.path.join(self.state_root, self.prefix, name + ".log"), errors="replace") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def store_dir(self, name):
        return os.path.join(self.state_root, self.prefix, name + ".store")


class FtpServer:
    """The pyftpdlib server of a router (tests/e2e/peers/ftp_server.py) in
    the router's namespace: user root, files kept under the name sent."""

    def __init__(self, lab, router, address, password, script, workdir):
        self.home = os.path.join(workdir, router + ".ftp-home")
        self.record = os.path.join(workdir, router + ".ftp-record")
        self.log_path = os.path.join(workdir, router + ".ftp-log")
        os.makedirs(self.home, exist_ok=True)
        password_file = os.path.join(workdir, router + ".ftp-password")
        with open(os.open(password_file, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "w") as f:
            f.write(password + "\n")
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen(
            lab.command(router, ["/usr/bin/python3", script, "--host", address, "--port", "21", "--home", self.home,
                                 "--password-file", password_file, "--record", self.record]),
            stdout=subprocess.PIPE, stderr=self.log, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("READY"):
            self.stop()
            raise RuntimeError("the FTP server of %s did not start: %s" % (router, self.server_log()))

    def received(self):
        """(size, name sent with STOR, path written) of every file received in full."""
        try:
            with open(self.record, encoding="utf-8") as f:
                return [tuple(line.rstrip("\n").split("\t")) for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def server_log(self):
        self.log.flush()
        with open(self.log_path, errors="replace") as f:
            return f.read()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


# ---------------------------------------------------------------------------
# The X server and what a person does with mouse and keyboard.

class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class Screen:
    """An X display and the person in front of it. `Screen.start` runs a
    private Xvfb behind `launch`, a command prefix such as ip netns exec NS;
    `Screen(display)` uses one that runs already. The X clients of the driver
    (xdotool, import) run behind the same prefix: in the namespace of the X
    server they reach it through its abstract socket as well, and do not
    depend on its socket file in /tmp/.X11-unix alone."""

    def __init__(self, display, process=None, launch=()):
        self.display, self.process, self.launch = display, process, list(launch)
        self.env = dict(os.environ, DISPLAY=display)
        if process:
            self.env.pop("XAUTHORITY", None)

    @classmethod
    def start(cls, launch=(), size="1024x768x24", log=None):
        read_end, write_end = os.pipe()
        process = subprocess.Popen(
            list(launch) + ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp",
                            "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log or subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        screen = cls(":" + number, process, launch)
        if not number.isdigit():
            screen.stop()
            raise RuntimeError("Xvfb did not start")
        return screen

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def xdotool(self, *args):
        run = subprocess.run(self.launch + ["xdotool"] + [str(a) for a in args], env=self.env,
                             capture_output=True, text=True, timeout=30)
        return run.stdout if run.returncode == 0 else None

    def windows(self, caption):
        """Visible windows whose caption is exactly `caption`."""
        out = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % re.escape(caption))
        return [int(w) for w in out.split()] if out else []

    def wait_window(self, caption, timeout=15):
        return poll('a window "%s"' % caption, lambda: (self.windows(caption) or [None])[0], timeout)

    def wait_gone(self, caption, timeout=15):
        poll('the window "%s" to go' % caption, lambda: not self.windows(caption), timeout)

    def geometry(self, window):
        out = self.xdotool("getwindowgeometry", "--shell", window) or ""
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        try:
            return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        except (KeyError, ValueError):
            raise RuntimeError("no geometry of window %s on %s" % (window, self.display)) from None

    def focus(self, window):
        # There is no window manager to give windows the focus on a click.
        self.xdotool("windowfocus", "--sync", window)

    def click(self, window, x, y):
        """A left click at (x, y) of the window's client area."""
        self.focus(window)
        self.xdotool("mousemove", "--window", window, "--sync", x, y)
        self.xdotool("click", 1)

    def key(self, window, *keys):
        self.focus(window)
        self.xdotool("key", "--delay", 40, *keys)

    def type(self, window, text):
        self.focus(window)
        self.xdotool("type", "--delay", 40, text)

    def close(self, window):
        """What the close box of the title bar does: asks the window to close
        (WM_DELETE_WINDOW); the program decides."""
        run = subprocess.run(self.launch + ["/usr/bin/python3", os.path.abspath(__file__), "close", self.display,
                                            str(window)], env=self.env, capture_output=True, text=True, timeout=30)
        if run.returncode != 0:
            raise RuntimeError("cannot ask window %s to close: %s" % (window, run.stderr.strip()))

    @staticmethod
    def send_close(display, window):
        xlib = ctypes.CDLL("libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XInternAtom.restype = ctypes.c_ulong
        xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                    ctypes.POINTER(_XEvent)]
        xlib.XFlush.argtypes = [ctypes.c_void_p]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        dpy = xlib.XOpenDisplay(display.encode())
        if not dpy:
            raise RuntimeError("cannot open display " + display)
        try:
            event = _XEvent()
            event.xclient.type = 33  # ClientMessage
            event.xclient.window = window
            event.xclient.message_type = xlib.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
            event.xclient.format = 32
            event.xclient.data[0] = xlib.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
            event.xclient.data[1] = 0  # CurrentTime
            xlib.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
            xlib.XFlush(dpy)
        finally:
            xlib.XCloseDisplay(dpy)

    def screenshot(self, path):
        """The whole screen as a PNG; False when ImageMagick's import is missing."""
        if not shutil.which("import"):
            return False
        subprocess.run(self.launch + ["import", "-display", self.display, "-window", "root", path], env=self.env,
                       capture_output=True, timeout=30)
        return os.path.exists(path)


class Shots:
    """Numbered screenshots of the steps of one run."""

    def __init__(self, screen, folder):
        self.screen, self.folder, self.count = screen, folder, 0
        os.makedirs(folder, exist_ok=True)
        for old in os.listdir(folder):
            if old.endswith(".png"):
                os.unlink(os.path.join(folder, old))

    def take(self, step):
        self.count += 1
        path = os.path.join(self.folder, "%02d-%s.png" % (self.count, step))
        self.screen.screenshot(path)
        return path


# ---------------------------------------------------------------------------
# The tool's main window. Its controls are not X windows of their own, so a
# click goes to a point of the client area. The window is a column of group
# boxes (search 57 pixels high, password 41, file 57, tool buttons 41,
# progress, status line; the log 137 below the progress bar in the service
# view); the layout shows or hides the password, file and log groups, and the
# client height tells which of them are shown.

MAIN_CAPTION = "Firmware Upgrade  V1.0.0"
SEARCH_CAPTION = "Searching for installed device(s)..."


class MainWindow:
    SEARCH, PASSWORD, FILE, LOG = 57, 41, 57, 137
    # Client height with only the search, tool and progress groups shown.
    BASE_HEIGHT = 151

    def __init__(self, screen, window):
        self.screen, self.window = screen, window

    def groups(self):
        """(password shown, file shown, log shown) for the present layout."""
        height = self.screen.geometry(self.window)[3]
        for p in (0, 1):
            for f in (0, 1):
                for log in (0, 1):
                    if self.BASE_HEIGHT + p * self.PASSWORD + f * self.FILE + log * self.LOG == height:
                        return bool(p), bool(f), bool(log)
        raise RuntimeError("no known layout has a client height of %d pixels" % height)

    def _tool_top(self):
        password, file_group, _log = self.groups()
        return self.SEARCH + password * self.PASSWORD + file_group * self.FILE

    def password_box(self):
        if not self.groups()[0]:
            raise RuntimeError("the password box is hidden")
        return 124, self.SEARCH + 23

    def upgrade_button(self):
        return 125, self._tool_top() + 23

    def exit_button(self):
        return 221, self._tool_top() + 23

    def click(self, point):
        self.screen.click(self.window, *point)


def wait_search(screen, timeout=30):
    """Waits for the device search that the window's activation starts: its
    dialog appears and goes again."""
    poll("the search dialog", lambda: screen.windows(SEARCH_CAPTION), timeout, interval=0.02)
    screen.wait_gone(SEARCH_CAPTION, timeout)


def answer_box(screen, caption, key="Return", timeout=30):
    """Waits for the message box with this caption and answers it with a key."""
    box = screen.wait_window(caption, timeout)
    screen.key(box, key)
    screen.wait_gone(caption, 10)
    return box


if __name__ == "__main__":
    # fwgui.py close DISPLAY WINDOW: the close request, from the namespace
    # of the X server.
    import sys

    if len(sys.argv) == 4 and sys.argv[1] == "close":
        Screen.send_close(sys.argv[2], int(sys.argv[3]))
    else:
        sys.exit("usage: fwgui.py close DISPLAY WINDOW")
