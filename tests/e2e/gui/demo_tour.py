#!/usr/bin/python3
"""Walks through the demo on a display nobody looks at (scripts/run.sh under
Xvfb), so that its screenshots show the whole story: the start-up notice is
closed, the router in its recovery loader is recovered, and the running
router is upgraded over FTP, after which the window closes.

    demo_tour.py --display :N --password PASSWORD [--pause SECONDS]

The steps pause between them so that screenshots taken every few seconds
catch each one. Exit code 0 when the tour ran to its end, 1 otherwise.
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import fwgui  # noqa: E402

WELCOME = "Welcome to the WX upgrade"


def say(text):
    print("demo tour: " + text, flush=True)


def tour(screen, password, pause):
    notice = screen.wait_window(WELCOME, 60)
    say("the start-up notice is open")
    time.sleep(pause)
    screen.close(notice)
    window = fwgui.MainWindow(screen, screen.wait_window(fwgui.MAIN_CAPTION, 30))
    fwgui.wait_search(screen, 30)
    say("the search has listed the routers")
    time.sleep(pause)

    # The second item is the router in its recovery loader.
    screen.key(window.window, "Down")
    time.sleep(pause)
    say("recovering 192.168.0.2 over TFTP")
    window.click(window.upgrade_button())
    screen.wait_window("Recover Success", 60)
    time.sleep(pause)
    fwgui.answer_box(screen, "Recover Success")
    say("the router reboots; the program waits for it and searches again")
    fwgui.wait_search(screen, 60)
    time.sleep(pause)

    # The first item, selected after the search, is the running router.
    window.click(window.password_box())
    screen.type(window.window, password)
    time.sleep(pause)
    say("upgrading 192.168.0.1 over FTP")
    window.click(window.upgrade_button())
    screen.wait_window("Upgrade Success", 60)
    time.sleep(pause)
    fwgui.answer_box(screen, "Upgrade Success")
    say("done; the window closes")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--display", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--pause", type=float, default=2.5)
    args = parser.parse_args()
    fwgui.raise_on_signals()
    try:
        tour(fwgui.Screen(args.display), args.password, args.pause)
    except (fwgui.Timeout, RuntimeError) as e:
        say("stopped: %s" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
