#!/usr/bin/env python3
"""A local ftp server for the update tests.

Usage: ftp_server.py ROOT USER PASSWORD [--no-size]

Serves the folder ROOT, read-only, to the one user USER and refuses anonymous logins, so a client
must answer the server's request for a login. Binds 127.0.0.1 on a free port and prints that port
on one line once it accepts connections; then prints a line "+" when a client connects and "-"
when one is gone. Runs until it is terminated. With --no-size the server does not offer the SIZE
command, so a client cannot learn a file's size before it arrives.
"""

import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.log import config_logging
from pyftpdlib.servers import FTPServer


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    root, user, password = sys.argv[1:4]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elr")

    class Handler(FTPHandler):
        def on_connect(self):
            print("+", flush=True)

        def on_disconnect(self):
            print("-", flush=True)

    Handler.authorizer = authorizer
    # A refused login is answered at once: the tests wait for nothing.
    Handler.auth_failed_timeout = 0
    if "--no-size" in sys.argv[4:]:
        Handler.proto_cmds = {name: command for name, command in FTPHandler.proto_cmds.items() if name != "SIZE"}

    config_logging(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
