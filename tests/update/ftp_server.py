#!/usr/bin/env python3
"""A local ftp server for the update tests.

Usage: ftp_server.py ROOT USER PASSWORD [--no-size] [--stall NAME | --drop NAME]

Serves the folder ROOT, read-only, to the one user USER and refuses anonymous logins, so a client
must answer the server's request for a login. Binds 127.0.0.1 on a free port and prints that port
on one line once it accepts connections; then prints a line "+" when a client connects, "-"
when one is gone, and "!" when it breaks off a transfer (below). Runs until it is terminated. With --no-size the server does not offer the SIZE
command, so a client cannot learn a file's size before it arrives.

A server that breaks down in the middle of a transfer: with --stall NAME it sends the first half
of the file whose name ends with NAME and then nothing more, holding both connections open until
the client gives up, and then ends; with --drop NAME it sends that half and then its process ends,
which closes every connection.
"""

import logging
import os
import select
import sys

# Plain ftp only: without this, pyftpdlib loads OpenSSL for its TLS handler, most of the time
# a server takes to start, and every update test starts one.
sys.modules["OpenSSL"] = None

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.log import config_logging
from pyftpdlib.servers import FTPServer


def option_value(arguments, option):
    if option in arguments[:-1]:
        return arguments[arguments.index(option) + 1]
    return None


class BrokenTransfer:
    """The file NAME as the breaking server reads it: its first half, then the breakdown."""

    def __init__(self, file, handler, stall):
        self.file = file
        self.handler = handler
        self.stall = stall
        self.left = os.fstat(file.fileno()).st_size // 2

    def read(self, size):
        if self.left > 0:
            data = self.file.read(min(size, self.left))
            self.left -= len(data)
            return data
        print("!", flush=True)
        if self.stall:
            # Nothing more until the client aborts or closes a connection; the server serves
            # this one client only, so blocking here stalls nothing else.
            sockets = [self.handler.socket]
            if self.handler.data_channel is not None:
                sockets.append(self.handler.data_channel.socket)
            select.select(sockets, [], [])
        os._exit(0)

    def close(self):
        self.file.close()

    def __getattr__(self, name):
        return getattr(self.file, name)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    root, user, password = sys.argv[1:4]
    options = sys.argv[4:]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elr")

    stalled = option_value(options, "--stall")
    dropped = option_value(options, "--drop")

    broken = stalled or dropped

    class FileSystem(AbstractedFS):
        def open(self, filename, mode):
            file = super().open(filename, mode)
            if broken and filename.endswith(broken):
                return BrokenTransfer(file, self.cmd_channel, stalled is not None)
            return file

    class Handler(FTPHandler):
        def on_connect(self):
            print("+", flush=True)

        def on_disconnect(self):
            print("-", flush=True)

    Handler.authorizer = authorizer
    Handler.abstracted_fs = FileSystem
    # The half of a file goes through the file object, never through sendfile().
    Handler.use_sendfile = False
    # A refused login is answered at once: the tests wait for nothing.
    Handler.auth_failed_timeout = 0
    if "--no-size" in options:
        Handler.proto_cmds = {name: command for name, command in FTPHandler.proto_cmds.items() if name != "SIZE"}

    config_logging(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
