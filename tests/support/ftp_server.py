"""A small FTP server on the loopback interface for the upload tests (pyftpdlib).

Users: "writer"/"secret" may do everything in the root folder, "reader"/"secret" may only
look. Once the server listens (on an ephemeral port), its port number is written to the
port file, atomically, so a reader never sees half a number. The server exits after
--lifetime seconds whatever happens, so a test that dies cannot leave it running.

File and folder names are kept as the bytes the client sent (Shift-JIS included), as a Unix
server that does not know the client's encoding does; pyftpdlib alone would replace every
byte that is not UTF-8.

Options make it behave as the servers the client must cope with: TLS required on control
and data connections, active or passive mode refused, renaming refused, a wrong SIZE,
hashes of stored files, a session cut in the middle of a file, a greeting that never ends.
Every command it receives is written, one a line, to --command-log.
"""

import argparse
import hashlib
import logging
import os
import signal
import socket
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import (ActiveDTP, DTPHandler, FTPHandler, ThrottledDTPHandler,
                                TLS_DTPHandler, TLS_FTPHandler)
from pyftpdlib.ioloop import AsyncChat
from pyftpdlib.servers import FTPServer

HASHES = {"SHA-256": hashlib.sha256, "SHA-1": hashlib.sha1, "MD5": hashlib.md5}
X_HASHES = {"XSHA256": "SHA-256", "XSHA1": "SHA-1", "XMD5": "MD5"}


class QuietActiveDTP(ActiveDTP):
    """Connects to the client's port without a reply of its own (see connect_late)."""

    def handle_connect(self):
        self.del_channel()
        if self._idler is not None and not self._idler.cancelled:
            self._idler.cancel()
        if not self.cmd_channel.connected:
            return self.close()
        self.cmd_channel.data_channel = self.cmd_channel.dtp_handler(self.socket,
                                                                     self.cmd_channel)
        self.cmd_channel._on_dtp_connection()


class SlowReader(ThrottledDTPHandler):
    """Reads at most read_limit bytes a second from a small receive buffer, so that the
    client sees its data move at about that rate instead of filling a large buffer."""

    def __init__(self, sock, cmd_channel):
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 64 * 1024)
        super().__init__(sock, cmd_channel)


def dropping(base):
    """A data handler that ends the whole session (control connection included) once the
    first file has brought drop_after bytes; later sessions go through."""

    class Dropping(base):
        drop_after = 0
        dropped = False

        # DTPHandler's reads come through handle_read_event, an alias of its handle_read.
        def handle_read_event(self):
            super().handle_read_event()
            if not Dropping.dropped and self.tot_bytes_received >= self.drop_after:
                Dropping.dropped = True
                channel = self.cmd_channel
                self.close()
                channel.close()

    return Dropping


def make_handler(base):
    class Handler(base):
        """Decodes commands and encodes replies so that no byte of a name is lost, and
        behaves as the options ask."""

        unicode_errors = "surrogateescape"
        # A rejected login is answered at once instead of after pyftpdlib's 3 s delay.
        auth_failed_timeout = 0
        proto_cmds = dict(base.proto_cmds)
        proto_cmds.update({
            name: dict(perm="r", auth=True, arg=True, help="Syntax: %s <SP> file-name" % name)
            for name in ["HASH"] + list(X_HASHES)
        })

        command_log = None
        silent = False
        flood = False
        trickle = False
        connect_late = False
        fail_data = False
        refuse_port = False
        refuse_epsv = False
        refuse_pasv = False
        no_rename = False
        refuse_rename_over = False
        wrong_size = False
        refuse_size = False
        hashes = []
        wrong_hash = False

        _late_address = None
        _hash = "SHA-256"
        _timer = None

        def __init__(self, conn, server, ioloop=None):
            super().__init__(conn, server, ioloop)
            feats = list(getattr(self, "_extra_feats", []))
            if "HASH" in self.hashes:
                feats.append("HASH SHA-256*;SHA-1;MD5")
            feats.extend(name for name in self.hashes if name in X_HASHES)
            self._extra_feats = feats

        def push(self, s):
            AsyncChat.push(self, s.encode("utf8", "surrogateescape"))

        def handle(self):
            if self.silent:
                return
            if self.flood:
                self._timer = self.ioloop.call_every(0.05, lambda: self.push("120 Wait.\r\n"))
                return
            if self.trickle:
                self.push("220-")
                self._timer = self.ioloop.call_every(0.05, lambda: self.push("x"))
                return
            super().handle()

        def close(self):
            if self._timer is not None and not self._timer.cancelled:
                self._timer.cancel()
            super().close()

        def pre_process_command(self, line, cmd, arg):
            if self.command_log:
                with open(self.command_log, "a", encoding="utf8",
                          errors="surrogateescape") as out:
                    out.write(line + "\n")
            return super().pre_process_command(line, cmd, arg)

        # Data connections.

        def ftp_PORT(self, line):
            if self.refuse_port:
                return self.respond("500 Active mode is not allowed here.")
            return super().ftp_PORT(line)

        def ftp_EPRT(self, line):
            if self.refuse_port:
                return self.respond("500 Active mode is not allowed here.")
            return super().ftp_EPRT(line)

        def ftp_EPSV(self, line):
            if self.refuse_epsv or self.refuse_pasv:
                return self.respond("502 Passive mode is not allowed here.")
            return super().ftp_EPSV(line)

        def ftp_PASV(self, line):
            if self.refuse_pasv:
                return self.respond("502 Passive mode is not allowed here.")
            return super().ftp_PASV(line)

        def _make_eport(self, ip, port):
            if not self.connect_late:
                return super()._make_eport(ip, port)
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
                    base._make_eport(self, ip, port)
            return stored

        # Renaming.

        def ftp_RNFR(self, path):
            if self.no_rename:
                return self.respond("502 Command not implemented.")
            return super().ftp_RNFR(path)

        def ftp_RNTO(self, path):
            if self.refuse_rename_over and os.path.exists(path):
                self._rnfr = None
                return self.respond("553 File exists.")
            return super().ftp_RNTO(path)

        # Checks.

        def ftp_SIZE(self, path):
            if self.refuse_size:
                return self.respond("502 Command not implemented.")
            if self.wrong_size and os.path.isfile(path):
                return self.respond("213 %d" % (os.path.getsize(path) + 1))
            return super().ftp_SIZE(path)

        def _digest(self, path, name):
            with open(path, "rb") as f:
                digest = HASHES[name](f.read()).hexdigest()
            if self.wrong_hash:
                digest = ("0" if digest[0] != "0" else "1") + digest[1:]
            return digest

        def ftp_OPTS(self, line):
            words = line.split()
            if len(words) == 2 and words[0].upper() == "HASH" and "HASH" in self.hashes:
                if words[1].upper() not in HASHES:
                    return self.respond("501 Unknown algorithm.")
                self._hash = words[1].upper()
                return self.respond("200 %s" % self._hash)
            return super().ftp_OPTS(line)

        def _send_hash(self, path, name, extended):
            if not os.path.isfile(path):
                return self.respond("550 No such file.")
            digest = self._digest(path, name)
            if extended:
                size = os.path.getsize(path)
                return self.respond("213 %s 0-%d %s %s" % (name, size, digest,
                                                          os.path.basename(path)))
            return self.respond("213 %s" % digest)

        def ftp_HASH(self, path):
            if "HASH" not in self.hashes:
                return self.respond("502 Command not implemented.")
            return self._send_hash(path, self._hash, True)

        def _x_hash(command):
            def handler(self, path):
                if command not in self.hashes:
                    return self.respond("502 Command not implemented.")
                return self._send_hash(path, X_HASHES[command], False)
            return handler

        ftp_XSHA256 = _x_hash("XSHA256")
        ftp_XSHA1 = _x_hash("XSHA1")
        ftp_XMD5 = _x_hash("XMD5")

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--command-log", default=None)
    parser.add_argument("--throttle", type=int, default=0,
                        help="bytes per second the server reads from a data connection")
    parser.add_argument("--silent", action="store_true", help="never greet")
    parser.add_argument("--flood", action="store_true",
                        help="send 120 replies for ever instead of the greeting")
    parser.add_argument("--trickle", action="store_true",
                        help="send a greeting byte by byte that never ends")
    parser.add_argument("--connect-late", action="store_true",
                        help="open data connections after the reply to STOR, not at PORT")
    parser.add_argument("--fail-data", action="store_true",
                        help="with --connect-late: reply 425 instead of connecting")
    parser.add_argument("--banner", default=None,
                        help="greeting text; line breaks in it give a multi-line greeting")
    parser.add_argument("--tls-cert", default=None,
                        help="PEM file with certificate and key: TLS required on control "
                             "and data connections")
    parser.add_argument("--refuse-port", action="store_true", help="refuse PORT and EPRT")
    parser.add_argument("--refuse-epsv", action="store_true", help="refuse EPSV")
    parser.add_argument("--refuse-pasv", action="store_true", help="refuse EPSV and PASV")
    parser.add_argument("--masquerade", default=None,
                        help="the address PASV replies name")
    parser.add_argument("--no-rename", action="store_true", help="refuse RNFR (502)")
    parser.add_argument("--refuse-rename-over", action="store_true",
                        help="refuse RNTO onto an existing file (553)")
    parser.add_argument("--wrong-size", action="store_true",
                        help="answer SIZE with one byte more")
    parser.add_argument("--refuse-size", action="store_true", help="refuse SIZE (502)")
    parser.add_argument("--hashes", default="",
                        help="comma-separated: HASH, XSHA256, XSHA1, XMD5")
    parser.add_argument("--wrong-hash", action="store_true")
    parser.add_argument("--drop-after", type=int, default=0,
                        help="end the session once the first file has brought this many "
                             "bytes")
    parser.add_argument("--lifetime", type=int, default=120)
    args = parser.parse_args()

    # Default action of SIGALRM: the process ends, even when the loop is stuck.
    signal.alarm(args.lifetime)
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)

    authorizer = DummyAuthorizer()
    authorizer.add_user("writer", "secret", args.root, perm="elradfmw")
    authorizer.add_user("reader", "secret", args.root, perm="elr")

    handler = make_handler(TLS_FTPHandler if args.tls_cert else FTPHandler)
    handler.authorizer = authorizer
    handler.command_log = args.command_log
    handler.silent = args.silent
    handler.flood = args.flood
    handler.trickle = args.trickle
    handler.connect_late = args.connect_late
    handler.fail_data = args.fail_data
    handler.refuse_port = args.refuse_port
    handler.refuse_epsv = args.refuse_epsv
    handler.refuse_pasv = args.refuse_pasv
    handler.no_rename = args.no_rename
    handler.refuse_rename_over = args.refuse_rename_over
    handler.wrong_size = args.wrong_size
    handler.refuse_size = args.refuse_size
    handler.hashes = [name for name in args.hashes.split(",") if name]
    handler.wrong_hash = args.wrong_hash
    if args.connect_late:
        handler.active_dtp = QuietActiveDTP
    if args.masquerade:
        handler.masquerade_address = args.masquerade
    if args.tls_cert:
        handler.certfile = args.tls_cert
        handler.tls_control_required = True
        handler.tls_data_required = True
    if args.banner is not None:
        # pyftpdlib sends a banner longer than 75 characters as "220-<banner>" and "220 ".
        handler.banner = args.banner
    if args.throttle > 0:
        SlowReader.read_limit = args.throttle
        handler.dtp_handler = SlowReader
    if args.drop_after > 0:
        handler.dtp_handler = dropping(TLS_DTPHandler if args.tls_cert else DTPHandler)
        handler.dtp_handler.drop_after = args.drop_after

    server = FTPServer((args.host, 0), handler)
    temporary = args.port_file + ".tmp"
    with open(temporary, "w") as out:
        out.write("%d\n" % server.address[1])
    os.replace(temporary, args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
