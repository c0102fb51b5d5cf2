"""A scripted HTTP server for the Http tests, on loopback, plain or TLS.

    http_server.py [--tls CERT KEY]

Routes (query parameters in brackets):
  /echo              the request as text: "METHOD PATH", the headers, a blank line, the body
  /redirect          [code, to] a redirect with that status and Location, and a body
  /chain/N           302 to /chain/N+1, body "chain N"
  /setcookie         [name, value, path] sets a cookie, body "set"
  /respond           [code, type, hex] that status, Content-Type and body (hex-encoded)
  /stall             [seconds] waits before answering
  /stall-body        sends the headers and half the body, then waits
  /big               [size] that many bytes
  /endless-headers   header lines without end
  /endless-body      body bytes without end
  /garbage           a line that is no status line, then closes
  anything else      404 with the echo's text
"""
import binascii
import http.server
import os
import socket
import ssl
import sys
import time
import urllib.parse

from common import announce, end_with_parent


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send(self, code, body, content_type="text/plain", headers=()):
        self.send_response(code)
        if content_type is not None:
            self.send_header("Content-Type", content_type)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def echo(self, code, body):
        lines = [f"{self.command} {self.path}"] + [f"{k}: {v}" for k, v in self.headers.items()]
        self.send(code, ("\n".join(lines) + "\n\n").encode() + body)

    def request_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def do_GET(self):
        self.route(b"")

    def do_POST(self):
        self.route(self.request_body())

    def route(self, body):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        path = url.path
        if self.path.startswith("http://"):  # a request through a proxy names the whole URL
            path = "/echo"
        if path == "/echo":
            self.echo(200, body)
        elif path == "/redirect":
            code = int(query.get("code", "302"))
            body = b"" if code == 304 else b"redirect body"  # a 304 has no body
            self.send(code, body, headers=[("Location", query.get("to", "/echo"))])
        elif path.startswith("/chain/"):
            n = int(path[len("/chain/"):])
            self.send(302, f"chain {n}".encode(), headers=[("Location", f"/chain/{n + 1}")])
        elif path == "/setcookie":
            cookie = f"{query.get('name', 'a')}={query.get('value', '1')}; Path={query.get('path', '/')}"
            self.send(200, b"set", headers=[("Set-Cookie", cookie)])
        elif path == "/respond":
            content_type = query.get("type")
            self.send(int(query.get("code", "200")), binascii.unhexlify(query.get("hex", "")),
                      content_type=content_type if content_type else None)
        elif path == "/stall":
            time.sleep(float(query.get("seconds", "30")))
            self.send(200, b"late")
        elif path == "/stall-body":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"x" * 500)
            self.wfile.flush()
            time.sleep(float(query.get("seconds", "30")))
        elif path == "/big":
            size = int(query.get("size", "0"))
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(size))
            self.end_headers()
            block = b"\xab" * 65536
            while size > 0:
                self.wfile.write(block[:size])
                size -= len(block)
        elif path == "/endless-headers":
            self.wfile.write(b"HTTP/1.1 200 OK\r\n")
            n = 0
            while True:
                self.wfile.write(b"X-Header-%d: %s\r\n" % (n, b"v" * 100))
                n += 1
        elif path == "/endless-body":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n")
            while True:
                self.wfile.write(b"y" * 65536)
        elif path == "/garbage":
            self.wfile.write(b"GARBAGE FROM NOWHERE\r\n\r\nmore garbage")
            self.close_connection = True
        else:
            self.echo(404, body)

    def handle(self):
        try:
            super().handle()
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a client that hangs up or speaks TLS to a plain server is part of the tests


def main():
    end_with_parent()
    server = Server(("127.0.0.1", 0), Handler)
    if len(sys.argv) == 4 and sys.argv[1] == "--tls":
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[2], sys.argv[3])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    announce(server.server_address[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
