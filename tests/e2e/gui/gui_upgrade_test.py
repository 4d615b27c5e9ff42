#!/usr/bin/python3
"""Real-window tests of the two upgrades, driven like a person would.

A lab network holds a running router (routersim --normal with a pyftpdlib FTP
server) and a router in its recovery loader (routersim --loader). The packed
executable runs in the lab's PC namespace on a private X server; the test
closes the start-up notice, waits for the search, picks a router, types the
password, clicks Upgrade and answers the boxes, taking a screenshot of every
step. Then it compares what the router received, byte for byte, with the
package entries meant for it and checks that the temporary files are gone.

    gui_upgrade_test.py ftp|recovery --exe PACKED --routersim PATH --lab-script PATH
                        --ftp-server PATH --output DIR

Exit code 0: passed, 1: failed, 77: skipped (not root, no xdotool or Xvfb, no
network namespaces).
"""

import argparse
import os
import subprocess
import sys
import tempfile
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fwgui  # noqa: E402

SKIPPED = 77
RUNNING = "192.168.0.1"
LOADER = "192.168.0.2"
PASSWORD = "L4b!root"
WRONG_PASSWORD = "Wr0ng!lab"
LAB_CONFIG = """\
pc 192.168.0.100/24
router wx %s --normal module=WX2000,detail=rev-B
router crash %s --loader reboot-delay=1000
""" % (RUNNING, LOADER)

STARTUP_NOTICE = "Lab package"
FTP_NOTICE = "FTP notice"
TFTP_NOTICE = "TFTP notice"
LOADER_TEXT = "$Plumet Boot Loader V1.0"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def describe(data):
    return "%d bytes" % len(data)


class Run:
    """One run of the program in a fresh lab, with its screenshots and logs."""

    def __init__(self, args, lab, work):
        self.args, self.lab, self.work = args, lab, work
        self.output = os.path.join(args.output, args.scenario)
        self.temp = os.path.join(work, "temp")
        os.mkdir(self.temp, 0o700)
        os.makedirs(self.output, exist_ok=True)
        self.xvfb_log = open(os.path.join(self.output, "xvfb.log"), "w")
        self.screen = fwgui.Screen.start(launch=lab.command("pc", []), log=self.xvfb_log)
        self.shots = fwgui.Shots(self.screen, self.output)
        self.app_log_path = os.path.join(self.output, "program.log")
        self.app_log = open(self.app_log_path, "w")
        env = dict(self.screen.env, TEMP=self.temp, QT_QPA_PLATFORM="xcb")
        self.app = subprocess.Popen(lab.command("pc", [args.exe]), env=env, stdout=self.app_log,
                                    stderr=subprocess.STDOUT)

    def state(self):
        """What still runs, for the report of a failure."""
        return "program %s, X server %s" % (
            "running" if self.app.poll() is None else "ended with %s" % self.app.returncode,
            "running" if self.screen.process.poll() is None else "ended with %s" % self.screen.process.returncode)

    def stop(self):
        if self.app.poll() is None:
            self.app.terminate()
            try:
                self.app.wait(5)
            except subprocess.TimeoutExpired:
                self.app.kill()
                self.app.wait()
        self.app_log.close()
        self.screen.stop()
        self.xvfb_log.close()
        for router in ("wx", "crash"):
            with open(os.path.join(self.output, router + ".routersim.log"), "w") as f:
                f.write(self.lab.router_log(router))

    def shot(self, step):
        self.shots.take(step)

    def wait_exit(self, timeout=20):
        fwgui.poll("the program to end", lambda: self.app.poll() is not None, timeout)
        return self.app.returncode

    def start_and_search(self):
        """From the start to the end of the first search: the start-up
        notice is closed with its close box, then the search runs."""
        notice = self.screen.wait_window(STARTUP_NOTICE, 20)
        self.shot("startup-notice")
        self.screen.close(notice)
        self.screen.wait_gone(STARTUP_NOTICE)
        window = fwgui.MainWindow(self.screen, self.screen.wait_window(fwgui.MAIN_CAPTION))
        fwgui.wait_search(self.screen)
        self.shot("search-done")
        return window

    def answer(self, caption, step, timeout=30):
        self.screen.wait_window(caption, timeout)
        self.shot(step)
        fwgui.answer_box(self.screen, caption)

    def temp_files(self):
        return sorted(os.listdir(self.temp))


def ftp_upgrade(run, entries):
    expected = fwgui.entries_for_device(entries, "WX2000")
    check(len(expected) >= 2, "the test package needs at least two entries for WX2000")
    server = fwgui.FtpServer(run.lab, "wx", RUNNING, PASSWORD, run.args.ftp_server, run.work)
    try:
        window = run.start_and_search()
        # The running router is the first item and is selected by the search.
        # A wrong password first: refused, nothing sent, and Upgrade may be
        # pressed again.
        window.click(window.password_box())
        run.screen.type(window.window, WRONG_PASSWORD)
        window.click(window.upgrade_button())
        run.answer("Authentication Failed", "wrong-password")
        check(server.received() == [], "files went out with a wrong password")
        window.click(window.password_box())
        run.screen.key(window.window, "ctrl+a", "BackSpace")
        run.screen.type(window.window, PASSWORD)
        run.shot("password-typed")
        window.click(window.upgrade_button())
        run.screen.wait_window(FTP_NOTICE, 15)
        run.shot("ftp-notice")
        run.answer("Upgrade Success", "upgrade-success")
        code = run.wait_exit()
        check(code == 0, "the program ended with %s after the upgrade" % code)

        received = server.received()
        names = [r[1] for r in received]
        want = [os.path.join(run.temp, e["name"]) for e in expected]
        check(names == want, "the router received %s, expected %s" % (names, want))
        for (_size, stor, path), entry in zip(received, expected):
            with open(path, "rb") as f:
                data = f.read()
            check(data == entry["data"], "%s arrived as %s, the package entry has %s"
                  % (stor, describe(data), describe(entry["data"])))
        check(run.temp_files() == [], "temporary files left: %s" % run.temp_files())
        check(os.listdir(run.lab.store_dir("crash")) == [], "the loader received files in an FTP upgrade")
        log = server.server_log()
        check(PASSWORD not in log and WRONG_PASSWORD not in log, "the FTP server log holds a password")
    finally:
        server.stop()
    with open(os.path.join(run.output, "program.log"), errors="replace") as f:
        output = f.read()
    check(PASSWORD not in output and WRONG_PASSWORD not in output, "the program's output holds a password")


def recovery(run, entries):
    expected = fwgui.entries_for_device(entries, LOADER_TEXT)
    check(len(expected) >= 2, "the test package needs at least two entries for the loader")
    window = run.start_and_search()
    # Items are sorted: the running router first, then the loader. Down in
    # the device list selects the next item.
    run.screen.key(window.window, "Down")
    run.shot("crash-selected")
    window.click(window.upgrade_button())
    run.screen.wait_window(TFTP_NOTICE, 15)
    run.shot("tftp-notice")
    run.answer("Recover Success", "recover-success", timeout=40)
    # The program waits for the router to reboot and searches again.
    fwgui.wait_search(run.screen, 40)
    run.shot("search-after-recovery")

    store = run.lab.store_dir("crash")
    stored = sorted(n for n in os.listdir(store) if not n.endswith(".part"))
    want = sorted(e["name"] + ".tmp" for e in expected)
    check(stored == want, "the loader stored %s, expected %s" % (stored, want))
    for entry in expected:
        with open(os.path.join(store, entry["name"] + ".tmp"), "rb") as f:
            data = f.read()
        check(data == entry["data"], "%s was stored as %s, the package entry has %s"
              % (entry["name"], describe(data), describe(entry["data"])))
    log = run.lab.router_log("crash")
    check('"R!"' in log, "the loader got no reboot request:\n" + log)

    # The service keys on the Exit button: Tab moves the focus along the
    # controls until Alt+F1 there shows the System Log; Alt+F2 hides it.
    def log_shown():
        return window.groups()[2]

    for _ in range(8):
        run.screen.key(window.window, "Tab", "alt+F1")
        if fwgui.poll_for(log_shown, 0.5):
            break
    check(log_shown(), "Alt+F1 on the Exit button did not show the System Log")
    run.shot("system-log")
    run.screen.key(window.window, "alt+F2")
    fwgui.poll("the System Log to be hidden", lambda: not log_shown(), 5)

    # Nothing runs any more: Exit closes the window and the program ends.
    window.click(window.exit_button())
    code = run.wait_exit()
    check(code == 0, "the program ended with %s after Exit" % code)
    check(run.temp_files() == [], "temporary files left: %s" % run.temp_files())


SCENARIOS = {"ftp": ftp_upgrade, "recovery": recovery}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--exe", required=True, help="the executable with the test package appended")
    parser.add_argument("--routersim", required=True)
    parser.add_argument("--lab-script", required=True)
    parser.add_argument("--ftp-server", required=True)
    parser.add_argument("--output", required=True, help="folder for screenshots and logs")
    args = parser.parse_args()

    reason = fwgui.unavailable_reason()
    if reason is None and args.scenario == "ftp":
        if subprocess.run(["/usr/bin/python3", "-c", "import pyftpdlib"], capture_output=True).returncode != 0:
            reason = "python3-pyftpdlib is not installed"
    if reason:
        print("SKIPPED: " + reason)
        return SKIPPED

    fwgui.raise_on_signals()
    entries = fwgui.read_package(args.exe)
    os.makedirs(args.output, exist_ok=True)
    run = None
    try:
        with tempfile.TemporaryDirectory(prefix="fwgui-") as work, \
                fwgui.Lab(args.lab_script, args.routersim, LAB_CONFIG) as lab:
            os.chmod(work, 0o755)
            run = Run(args, lab, work)
            try:
                SCENARIOS[args.scenario](run, entries)
            except (Failure, fwgui.Timeout) as e:
                run.shot("failure")
                raise Failure("%s (%s)" % (e, run.state())) from e
            finally:
                run.stop()
    except (Failure, fwgui.Timeout) as e:
        print("FAILED: %s" % e)
        if run:
            print("screenshots and logs: " + run.output)
            with open(run.app_log_path, errors="replace") as f:
                print("program output:\n" + f.read())
        return 1
    except Exception:
        traceback.print_exc()
        return 1
    print("PASSED: %s; screenshots in %s" % (args.scenario, run.output))
    return 0


if __name__ == "__main__":
    sys.exit(main())
