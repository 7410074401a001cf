#!/usr/bin/env python3
"""A local ftp server for the update tests.

Usage: ftp_server.py ROOT USER PASSWORD [--no-size] [--breakdowns FILE]

Serves the folder ROOT, read-only, to the one user USER and refuses anonymous logins, so a client
must answer the server's request for a login. Binds 127.0.0.1 on a free port and prints that port
on one line once it accepts connections; then prints a line "+" when a client connects, "-"
when one is gone, and "!" when it breaks off a transfer (below). Runs until it is terminated.
With --no-size the server does not offer the SIZE command, so a client cannot learn a file's
size before it arrives. A client that breaks off a transfer is disconnected.

A server that breaks down in the middle of a transfer: with --breakdowns FILE it serves each client
in a process of its own and, when the client opens a file, reads FILE (outside ROOT, so no client
sees it), which holds nothing or one line "stall NAME" or "drop NAME". With stall it sends the
first half of the file whose name ends with NAME and then nothing more, holding both of that
client's connections open until the client gives up; with drop it sends that half and then the
client's process ends, which closes both connections. The server goes on serving new clients.
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
from pyftpdlib.servers import FTPServer, MultiprocessFTPServer


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
            # Nothing more until the client aborts or closes a connection; this process serves
            # this one client only, so blocking here stalls nothing else.
            sockets = [self.handler.socket]
            if self.handler.data_channel is not None:
                sockets.append(self.handler.data_channel.socket)
            select.select(sockets, [], [])
        # The client is gone for the server, though the process ends without closing its
        # connections in order.
        print("-", flush=True)
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

    breakdowns = option_value(options, "--breakdowns")
    server_process = os.getpid()

    def breakdown():
        """(kind, name) of the breakdown FILE asks for, or None."""
        try:
            with open(breakdowns, encoding="utf-8") as file:
                words = file.read().split()
        except OSError:
            return None
        return (words[0], words[1]) if len(words) == 2 and words[0] in ("stall", "drop") else None

    class FileSystem(AbstractedFS):
        def open(self, filename, mode):
            file = super().open(filename, mode)
            broken = breakdown() if breakdowns else None
            if broken and filename.endswith(broken[1]):
                return BrokenTransfer(file, self.cmd_channel, broken[0] == "stall")
            return file

    class Handler(FTPHandler):
        def on_connect(self):
            print("+", flush=True)

        def on_incomplete_file_sent(self, file):
            # Qt's ftp client keeps its control connection after it breaks off a transfer, until
            # the server's idle time-out: end it here, so that no test waits for it to go.
            self.close_when_done()

        def on_disconnect(self):
            # The accepting process also closes its copy of a connection that a process of its
            # own serves: only the serving one tells.
            if not breakdowns or os.getpid() != server_process:
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
    server = (MultiprocessFTPServer if breakdowns else FTPServer)(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
