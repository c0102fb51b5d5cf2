"""A scripted WHOIS server: reads one query line, logs it, answers, and closes.

    whois_server.py --log FILE [--bind ADDRESS] [--port N] [--answer TEXT] [--stall-after N]
                    [--endless]

The answer's "\\n" become line ends as given (so "a\\r\\nb" sends CR LF); with --stall-after the
server falls silent after that many bytes of the answer instead of closing.
"""
import argparse
import socketserver
import time

from common import QuietServer, announce, end_with_parent

options = None


class Query(socketserver.StreamRequestHandler):
    def handle(self):
        query = self.rfile.readline()
        with open(options.log, "a") as f:
            f.write(repr(query) + "\n")
        answer = options.answer.encode().decode("unicode_escape").encode("latin-1")
        if options.endless:
            while True:
                self.wfile.write(b"an endless line " * 4096)
        if options.stall_after is not None:
            self.wfile.write(answer[: options.stall_after])
            self.wfile.flush()
            time.sleep(30)
            return
        self.wfile.write(answer)


def main():
    global options
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--answer", default="")
    parser.add_argument("--stall-after", type=int)
    parser.add_argument("--endless", action="store_true")
    options = parser.parse_args()
    end_with_parent()
    server = QuietServer((options.bind, options.port), Query)
    announce(server.server_address[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
