"""A small HTTP server on 127.0.0.1 for the example run: serves the folder given as its one argument.

A request's path names a file under the folder; the query is ignored. A path naming a folder is
answered with that folder's file named "index" (any extension), so a service's reply can be kept
under its request path ("nwis/iv/index.rdb" answers "/nwis/iv/?sites=...").
Picks a free port and prints it on standard output once it listens; stops on SIGTERM.
"""
import functools
import glob
import http.server
import os
import signal
import sys


class FolderHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".rdb": "text/plain"}

    def translate_path(self, path):
        local = super().translate_path(path)
        if os.path.isdir(local):
            replies = sorted(glob.glob(os.path.join(local, "index.*")))
            if replies:
                return replies[0]
        return local

    def log_message(self, format, *args):
        pass  # the run's own log says what it asked for


def main():
    root = os.path.abspath(sys.argv[1])
    handler = functools.partial(FolderHandler, directory=root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
