#!/usr/bin/python3
"""An FTP peer that gives the replies a stock server will not give.

The same server as ftp_server.py with one behaviour changed:

  reject-after-data  the data arrives in full, then the reply is
                     "429 Firmware check failed." instead of 226 (a router
                     rejecting the image it received); the file is still kept
  refuse-stor        every STOR is answered "550 Permission denied."
  refuse-login       every password is answered "530 Login incorrect."
  echo-password      every password is refused with a reply that quotes it,
                     "530 Password <password> refused." (a careless server)
  drop-upload        after --drop-after bytes of an upload the control and the
                     data connection are closed without a reply
"""

import sys

from pyftpdlib.handlers import DTPHandler

import ftp_server


class DroppingDTPHandler(DTPHandler):
    drop_after = 65536

    def handle_read(self):
        super().handle_read()
        if self.receive and self.tot_bytes_received >= self.drop_after:
            # Close without a reply: the client sees both connections go.
            self._resp = None
            channel = self.cmd_channel
            self.close()
            channel.close()

    handle_read_event = handle_read


def handler_for(behaviour, drop_after):
    class ScriptedHandler(ftp_server.RouterFtpHandler):
        def respond(self, resp, logfun=None):
            if behaviour == "reject-after-data" and resp.startswith("226"):
                resp = "429 Firmware check failed."
            if logfun is None:
                super().respond(resp)
            else:
                super().respond(resp, logfun=logfun)

        def ftp_PASS(self, line):
            if behaviour == "refuse-login":
                self.respond("530 Login incorrect.")
                self.username = ""
                return
            if behaviour == "echo-password":
                self.respond("530 Password %s refused." % line)
                self.username = ""
                return
            super().ftp_PASS(line)

        def ftp_STOR(self, file, mode="w"):
            if behaviour == "refuse-stor":
                self.respond("550 Permission denied.")
                return None
            return super().ftp_STOR(file, mode)

    if behaviour == "drop-upload":
        DroppingDTPHandler.drop_after = drop_after
        ScriptedHandler.dtp_handler = DroppingDTPHandler
    return ScriptedHandler


def main(argv=None):
    parser = ftp_server.parse_arguments(argv, "FTP peer with scripted replies")
    parser.add_argument("--behaviour", required=True,
                        choices=["reject-after-data", "refuse-stor", "refuse-login", "echo-password",
                                 "drop-upload"])
    parser.add_argument("--drop-after", type=int, default=65536,
                        help="bytes of an upload received before drop-upload closes the connections")
    args = parser.parse_args(argv)
    ftp_server.serve(args, handler_for(args.behaviour, args.drop_after))


if __name__ == "__main__":
    sys.exit(main())
