"""A small passive FTP server on 127.0.0.1 for the example run: serves the folder given as its one
argument, read-only, to anonymous users (the way the irrigation network's file server is asked).
Picks a free port and prints it on standard output once it listens; stops on SIGTERM.
"""
import logging
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(sys.argv[1])
    handler = FTPHandler
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
