#!/usr/bin/env python3
"""A small HTTP server on 127.0.0.1 for the update-check tests.

    update_server.py PORT_FILE

Listens on a free port, writes the port number to PORT_FILE and serves until
it is stopped. The first part of the request path picks the kind of reply;
the rest (normally "//files//Latest//update.txt") is ignored.
"""
import http.server
import os
import sys
import time

TEXT = b"Vastrel 2|45|http://www.halvenrod.example/download|"


def body_for(kind):
    """Status, body and pacing (seconds before the headers, pieces, gap)."""
    plain = {
        "newer": TEXT,
        "same": b"Vastrel 2|44|http://www.halvenrod.example/download|",
        "older": b"Vastrel 2|43|",
        "nopipe": b"Vastrel 2 build 99",
        "garbage": b"<html><body>Moved|elsewhere|99</body></html>",
        "negative": b"Vastrel 2|-45|",
        "plus": b"Vastrel 2|+45|",
        "blanks": b"Vastrel 2| \t 45 and more|",
        "huge": b"Vastrel 2|99999999999999999999|",
        # The build number starts after the first 511 bytes.
        "beyond": b"x" * 520 + b"|99|",
        # Field 1 ends exactly at byte 511.
        "edge": b"y" * 508 + b"|45|",
        "binary": bytes(range(256)) * 4,
        "binaryfirst": b"\x00|99|" + bytes(range(1, 256)),
        "empty": b"",
    }
    if kind in plain:
        return 200, plain[kind], 0, 1, 0
    if kind == "big":
        return 200, TEXT + b"z" * (10 * 1024 * 1024), 0, 1, 0
    if kind == "notfound":
        return 404, b"Vastrel 2|99|not here|", 0, 1, 0
    if kind == "error":
        return 500, b"Vastrel 2|99|server error|", 0, 1, 0
    if kind == "slow":
        return 200, TEXT, 1.5, 4, 0.4
    if kind == "pieces":
        return 200, TEXT, 0, len(TEXT), 0.05
    return 404, b"unknown reply kind", 0, 1, 0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        kind = self.path.lstrip("/").split("/", 1)[0]
        if kind == "hang":
            # Takes the request and never answers.
            time.sleep(120)
            return
        if kind == "stall":
            # Starts the reply and stops in the middle of it.
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            self.wfile.write(b"Vastrel 2|4")
            self.wfile.flush()
            time.sleep(120)
            return
        status, body, delay, pieces, gap = body_for(kind)
        if delay:
            time.sleep(delay)
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Cache-Control", "no-cache")
        self.send_header("Connection", "close")
        if pieces > 1:
            # Chunked, one chunk at a time with a pause: the client sees the
            # reply arrive in several pieces.
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            self.wfile.flush()
            size = max(1, (len(body) + pieces - 1) // pieces)
            for start in range(0, len(body), size):
                part = body[start:start + size]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(part), part))
                self.wfile.flush()
                time.sleep(gap)
            self.wfile.write(b"0\r\n\r\n")
        else:
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            try:
                self.wfile.write(body)
            except (BrokenPipeError, ConnectionResetError):
                pass  # the client stops reading after what it needs
        self.wfile.flush()
        self.close_connection = True


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass


def main():
    server = Server(("127.0.0.1", 0), Handler)
    port_file = sys.argv[1]
    with open(port_file + ".new", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(port_file + ".new", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
