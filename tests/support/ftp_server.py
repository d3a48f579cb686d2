"""A small FTP server on the loopback interface for the upload tests (pyftpdlib).

Users: "writer"/"secret" may do everything in the root folder, "reader"/"secret" may only
look. Once the server listens (on an ephemeral port), its port number is written to the
port file, atomically, so a reader never sees half a number. The server exits after
--lifetime seconds whatever happens, so a test that dies cannot leave it running.

File and folder names are kept as the bytes the client sent (Shift-JIS included), as a Unix
server that does not know the client's encoding does; pyftpdlib alone would replace every
byte that is not UTF-8.
"""

import argparse
import logging
import os
import signal
import socket
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import ActiveDTP, FTPHandler, ThrottledDTPHandler
from pyftpdlib.ioloop import AsyncChat
from pyftpdlib.servers import FTPServer


class ByteNameHandler(FTPHandler):
    """Decodes commands and encodes replies so that no byte of a name is lost."""

    unicode_errors = "surrogateescape"
    # A rejected login is answered at once instead of after pyftpdlib's 3 s delay.
    auth_failed_timeout = 0

    def push(self, s):
        AsyncChat.push(self, s.encode("utf8", "surrogateescape"))


class QuietActiveDTP(ActiveDTP):
    """Connects to the client's port without a reply of its own (see LateConnectHandler)."""

    def handle_connect(self):
        self.del_channel()
        if self._idler is not None and not self._idler.cancelled:
            self._idler.cancel()
        if not self.cmd_channel.connected:
            return self.close()
        self.cmd_channel.data_channel = self.cmd_channel.dtp_handler(self.socket,
                                                                     self.cmd_channel)
        self.cmd_channel._on_dtp_connection()


class LateConnectHandler(ByteNameHandler):
    """Answers PORT at once and opens the data connection only after its 150 reply to STOR,
    as most servers do; pyftpdlib itself connects at PORT, before replying 200."""

    active_dtp = QuietActiveDTP
    _late_address = None
    # Reply 425 after the 150 instead of connecting, as a server that cannot reach the client.
    fail_data = False

    def _make_eport(self, ip, port):
        self._late_address = (ip, port)
        self.respond("200 PORT command successful.")

    def ftp_STOR(self, file, mode="w"):
        stored = super().ftp_STOR(file, mode)
        if stored is not None and self._late_address is not None:
            ip, port = self._late_address
            self._late_address = None
            if self.fail_data:
                self._in_dtp_queue[0].close()
                self._in_dtp_queue = None
                self.respond("425 Can't open data connection.")
            else:
                ByteNameHandler._make_eport(self, ip, port)
        return stored


class SlowReader(ThrottledDTPHandler):
    """Reads at most read_limit bytes a second from a small receive buffer, so that the
    client sees its data move at about that rate instead of filling a large buffer."""

    def __init__(self, sock, cmd_channel):
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 64 * 1024)
        super().__init__(sock, cmd_channel)


class SilentHandler(ByteNameHandler):
    """Accepts the connection and never greets: a server that hangs."""

    def handle(self):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--throttle", type=int, default=0,
                        help="bytes per second the server reads from a data connection")
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--connect-late", action="store_true",
                        help="open data connections after the reply to STOR, not at PORT")
    parser.add_argument("--fail-data", action="store_true",
                        help="with --connect-late: reply 425 instead of connecting")
    parser.add_argument("--banner", default=None,
                        help="greeting text; line breaks in it give a multi-line greeting")
    parser.add_argument("--lifetime", type=int, default=120)
    args = parser.parse_args()

    # Default action of SIGALRM: the process ends, even when the loop is stuck.
    signal.alarm(args.lifetime)
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)

    authorizer = DummyAuthorizer()
    authorizer.add_user("writer", "secret", args.root, perm="elradfmw")
    authorizer.add_user("reader", "secret", args.root, perm="elr")

    handler = ByteNameHandler
    if args.silent:
        handler = SilentHandler
    elif args.connect_late:
        handler = LateConnectHandler
        handler.fail_data = args.fail_data
    handler.authorizer = authorizer
    if args.banner is not None:
        # pyftpdlib sends a banner longer than 75 characters as "220-<banner>" and "220 ".
        handler.banner = args.banner
    if args.throttle > 0:
        SlowReader.read_limit = args.throttle
        handler.dtp_handler = SlowReader

    server = FTPServer((args.host, 0), handler)
    temporary = args.port_file + ".tmp"
    with open(temporary, "w") as out:
        out.write("%d\n" % server.address[1])
    os.replace(temporary, args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
