#!/usr/bin/env python3
"""Serves the page's folder on 127.0.0.1 with the headers that give it threads.

Browsers hand SharedArrayBuffer (the game's threads) only to a cross-origin-isolated page: the
Cross-Origin-Opener-Policy and Cross-Origin-Embedder-Policy headers below make it one.
Usage: serve.py FOLDER [--port N] [--also PREFIX=FOLDER ...]
--also serves another folder under /PREFIX/ (the browser test's input scripts). The port in use is
printed as "serving http://127.0.0.1:PORT/" once the server listens (--port 0: any free one).
"""
import argparse
import functools
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript', '.data': 'application/octet-stream'}
    also = {}

    def translate_path(self, path):
        first = path.lstrip('/').split('/', 1)
        if len(first) == 2 and first[0] in self.also:
            return os.path.join(self.also[first[0]], os.path.normpath('/' + first[1].split('?')[0]).lstrip('/'))
        return super().translate_path(path)

    def end_headers(self):
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        self.send_header('Cache-Control', 'no-cache')
        super().end_headers()

    def log_message(self, *args):
        pass


def main():
    p = argparse.ArgumentParser()
    p.add_argument('folder')
    p.add_argument('--port', type=int, default=8080)
    p.add_argument('--also', action='append', default=[])
    a = p.parse_args()
    Handler.also = dict(x.split('=', 1) for x in a.also)
    server = http.server.ThreadingHTTPServer(('127.0.0.1', a.port),
                                             functools.partial(Handler, directory=a.folder))
    print('serving http://127.0.0.1:%d/' % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
