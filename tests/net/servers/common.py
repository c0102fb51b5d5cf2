"""What the loopback test servers share: they print their port once they listen, and they end
when the test that started them closes their standard input, or after a time limit, whichever
comes first, so that no server outlives its test."""
import os
import socketserver
import sys
import threading


def announce(*ports):
    sys.stdout.write(" ".join(str(p) for p in ports) + "\n")
    sys.stdout.flush()


def end_with_parent(lifetime=120):
    def watch():
        try:
            sys.stdin.read()
        except Exception:
            pass
        os._exit(0)

    threading.Thread(target=watch, daemon=True).start()
    threading.Timer(lifetime, lambda: os._exit(0)).start()


class QuietServer(socketserver.ThreadingTCPServer):
    """A threading TCP server that says nothing of clients that hang up or speak TLS to it: the
    tests do that on purpose."""

    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass
