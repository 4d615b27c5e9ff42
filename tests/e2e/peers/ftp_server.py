#!/usr/bin/python3
"""The FTP server of a simulated router: stock pyftpdlib with one virtual user.

Run it with Debian's interpreter (/usr/bin/python3), where python3-pyftpdlib is
installed. The user "root" logs in with the given password and may write
anywhere in the home folder. A stored file keeps the exact name the client sent
with STOR: an absolute name such as /tmp/x/WX2000.bin lands at
<home>/tmp/x/WX2000.bin (missing folders are made), so a test can compare every
received file with what it uploaded.

When the server listens it prints "READY <port>" on standard output. Each file
received in full is recorded as one line in the --record file: its size, the
STOR argument exactly as sent and the path it was written to, separated by tabs.
With --commands every command received is written there, one a line, the
argument of PASS replaced by stars. Passwords are never logged.
"""

import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class RouterFtpHandler(FTPHandler):
    """Stores files under the name sent and records what arrived."""

    record_path = None
    commands_path = None
    banner = "Router FTP server ready."

    def pre_process_command(self, line, cmd, arg):
        if cmd in ("STOR", "APPE"):
            self._stor_argument = arg
        if self.commands_path:
            with open(self.commands_path, "a", encoding="utf-8") as out:
                out.write(("PASS ******" if cmd == "PASS" else line) + "\n")
        super().pre_process_command(line, cmd, arg)

    def ftp_STOR(self, file, mode="w"):
        folder = os.path.dirname(file)
        if folder and not os.path.isdir(folder):
            try:
                os.makedirs(folder, exist_ok=True)
            except OSError as err:
                self.respond("550 %s." % err.strerror)
                return None
        return super().ftp_STOR(file, mode)

    def on_file_received(self, file):
        if self.record_path:
            line = "%d\t%s\t%s\n" % (os.path.getsize(file), getattr(self, "_stor_argument", ""), file)
            with open(self.record_path, "a", encoding="utf-8") as out:
                out.write(line)


def parse_arguments(argv, description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on")
    parser.add_argument("--port", type=int, default=21, help="port to listen on (0: any free port)")
    parser.add_argument("--home", required=True, help="writable home folder of the user root")
    parser.add_argument("--password-file", required=True,
                        help="file whose first line is the password of root (kept off the command line)")
    parser.add_argument("--record", help="file that gets one line per file received")
    parser.add_argument("--commands", help="file that gets one line per command received")
    return parser


def read_password(path):
    with open(path, encoding="utf-8") as f:
        return f.readline().rstrip("\r\n")


def serve(args, handler_class):
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    authorizer = DummyAuthorizer()
    authorizer.add_user("root", read_password(args.password_file), args.home, perm="elradfmwMT")
    handler_class.authorizer = authorizer
    handler_class.record_path = args.record
    handler_class.commands_path = args.commands
    # Active data connections only, as the tool uses them; no passive port range needed.
    server = FTPServer((args.host, args.port), handler_class)
    port = server.socket.getsockname()[1]
    print("READY %d" % port, flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


def main(argv=None):
    args = parse_arguments(argv, "FTP server of a simulated router").parse_args(argv)
    serve(args, RouterFtpHandler)


if __name__ == "__main__":
    main()
