"""A small SFTP server on the loopback interface for the SFTP client's tests (paramiko).

It logs in one user with a password, by password authentication or keyboard-interactive or
both, and serves a folder as "/" (the login folder). Like OpenSSH's server, a rename never
replaces an existing file, and it does not offer posix-rename, so a client has to remove the
old file first. With --wrong-size it reports every file one byte longer than it is, as a
server whose disk filled up might. With --drop-after N the first file to pass N bytes ends its
connection there, as a dropped line would; with --stall-after N it never answers again. Every
authentication attempt is written to the log.

Once the server listens (on an ephemeral port) the port number is written to the port file,
atomically. The server exits after --lifetime seconds whatever happens.
"""

import argparse
import os
import socket
import sys
import threading
import time

import paramiko
from paramiko.sftp import SFTP_FAILURE, SFTP_NO_SUCH_FILE, SFTP_OK, SFTP_PERMISSION_DENIED

ARGS = None
LOG_LOCK = threading.Lock()
# The connection drop happens once, so that a retry gets through.
DROPPED = threading.Event()


def log(text):
    with LOG_LOCK:
        with open(ARGS.log, "a") as out:
            out.write(text + "\n")


class Server(paramiko.ServerInterface):
    def __init__(self, transport):
        self.transport = transport

    def get_allowed_auths(self, username):
        return {"password": "password", "interactive": "keyboard-interactive",
                "both": "password,keyboard-interactive"}[ARGS.auth]

    def check_auth_password(self, username, password):
        log("auth password %s" % username)
        if ARGS.auth in ("password", "both") and (username, password) == (ARGS.user,
                                                                          ARGS.password):
            return paramiko.AUTH_SUCCESSFUL
        return paramiko.AUTH_FAILED

    def check_auth_interactive(self, username, submethods):
        log("auth keyboard-interactive %s" % username)
        if ARGS.auth not in ("interactive", "both"):
            return paramiko.AUTH_FAILED
        self.username = username
        query = paramiko.InteractiveQuery("", "")
        query.add_prompt("Password: ", False)
        return query

    def check_auth_interactive_response(self, responses):
        if self.username == ARGS.user and list(responses) == [ARGS.password]:
            return paramiko.AUTH_SUCCESSFUL
        return paramiko.AUTH_FAILED

    def check_channel_request(self, kind, chanid):
        return paramiko.OPEN_SUCCEEDED if kind == "session" else \
            paramiko.OPEN_FAILED_ADMINISTRATIVELY_PROHIBITED


def status_of(error):
    if isinstance(error, FileNotFoundError):
        return SFTP_NO_SUCH_FILE
    if isinstance(error, PermissionError):
        return SFTP_PERMISSION_DENIED
    return SFTP_FAILURE


class Handle(paramiko.SFTPHandle):
    transport = None

    def write(self, offset, data):
        end = offset + len(data)
        if ARGS.drop_after and end > ARGS.drop_after and not DROPPED.is_set():
            DROPPED.set()
            self.transport.close()
            return SFTP_FAILURE
        if ARGS.stall_after and end > ARGS.stall_after:
            time.sleep(ARGS.lifetime)
        return super().write(offset, data)


class Folder(paramiko.SFTPServerInterface):
    """The root folder as "/"."""

    def __init__(self, server, *args, **kwargs):
        super().__init__(server, *args, **kwargs)
        self.transport = server.transport

    def local(self, path):
        parts = [p for p in os.path.normpath("/" + path).split("/") if p not in ("", ".")]
        return os.path.join(ARGS.root, *parts)

    def canonicalize(self, path):
        return os.path.normpath("/" + path) if path not in ("", ".") else "/"

    def stat(self, path):
        try:
            attributes = paramiko.SFTPAttributes.from_stat(os.stat(self.local(path)))
        except OSError as error:
            return status_of(error)
        if ARGS.wrong_size and not os.path.isdir(self.local(path)):
            attributes.st_size += 1
        return attributes

    lstat = stat

    def open(self, path, flags, attr):
        try:
            fd = os.open(self.local(path), flags | getattr(os, "O_BINARY", 0), 0o644)
            handle = Handle(flags)
            handle.transport = self.transport
            handle.filename = self.local(path)
            handle.writefile = os.fdopen(fd, "wb" if flags & (os.O_WRONLY | os.O_RDWR) else "rb")
            handle.readfile = handle.writefile
            return handle
        except OSError as error:
            return status_of(error)

    def remove(self, path):
        try:
            os.remove(self.local(path))
        except OSError as error:
            return status_of(error)
        return SFTP_OK

    def rename(self, oldpath, newpath):
        if os.path.lexists(self.local(newpath)):
            return SFTP_FAILURE
        try:
            os.rename(self.local(oldpath), self.local(newpath))
        except OSError as error:
            return status_of(error)
        return SFTP_OK


def serve(client, host_key):
    transport = paramiko.Transport(client)
    transport.add_server_key(host_key)
    transport.set_subsystem_handler("sftp", paramiko.SFTPServer, Folder)
    try:
        transport.start_server(server=Server(transport))
        while transport.is_active():
            transport.join(1)
    except Exception as error:  # a client that goes away is no failure of the server
        log("connection ended: %r" % error)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--host-key", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--user", default="writer")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--auth", choices=["password", "interactive", "both"], default="both")
    parser.add_argument("--wrong-size", action="store_true")
    parser.add_argument("--drop-after", type=int, default=0)
    parser.add_argument("--stall-after", type=int, default=0)
    parser.add_argument("--lifetime", type=float, default=120)
    ARGS = parser.parse_args()

    host_key = paramiko.Ed25519Key.from_private_key_file(ARGS.host_key)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    timer = threading.Timer(ARGS.lifetime, lambda: os._exit(0))
    timer.daemon = True
    timer.start()
    temporary = ARGS.port_file + ".part"
    with open(temporary, "w") as out:
        out.write(str(listener.getsockname()[1]))
    os.rename(temporary, ARGS.port_file)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, host_key), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
