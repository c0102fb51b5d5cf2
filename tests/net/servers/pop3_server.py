"""A scripted POP3 server for the refusals, odd greetings and broken sessions that a real server
does not produce on demand.

    pop3_server.py --log FILE [--greeting TEXT] [--user U] [--password P] [--fail CMD]...
                   [--apop-fails] [--close-in-retr] [--stall-in-retr] [--garbage CMD]
                   [--message FILE]...

Every command line received is appended to the log, with "CONNECT" for each new connection.
The messages are sent dot-stuffed, one CR LF per line, whatever line ends the files have.
"""
import argparse
import hashlib
import re
import socketserver
import time

from common import QuietServer, announce, end_with_parent

options = None


def log(text):
    with open(options.log, "a") as f:
        f.write(text + "\n")


def stuffed(data):
    lines = data.replace(b"\r\n", b"\n").split(b"\n")
    if lines and lines[-1] == b"":
        lines.pop()
    return [b"." + line if line.startswith(b".") else line for line in lines]


class Session(socketserver.StreamRequestHandler):
    def reply(self, text):
        self.wfile.write(text + b"\r\n")
        self.wfile.flush()

    def handle(self):
        log("CONNECT")
        messages = [open(path, "rb").read() for path in options.message]
        self.reply(options.greeting.encode())
        user = None
        while True:
            line = self.rfile.readline()
            if not line:
                return
            command = line.rstrip(b"\r\n").decode("latin-1")
            log(command)
            verb, _, argument = command.partition(" ")
            verb = verb.upper()
            if verb in options.fail:
                self.reply(b"-ERR refused")
                continue
            if verb in options.garbage:
                self.reply(b"garbage in reply")
                continue
            if verb == "USER":
                user = argument
                self.reply(b"+OK")
            elif verb == "PASS":
                self.reply(b"+OK welcome" if (user, argument) == (options.user, options.password) else b"-ERR bad login")
            elif verb == "APOP":
                name, _, digest = argument.partition(" ")
                stamp = re.search(r"<[^>]*>", options.greeting)
                expected = hashlib.md5((stamp.group(0) + options.password).encode()).hexdigest() if stamp else None
                ok = not options.apop_fails and name == options.user and digest == expected
                self.reply(b"+OK welcome" if ok else b"-ERR bad digest")
            elif verb == "STAT":
                self.reply(b"+OK %d %d" % (len(messages), sum(len(m) for m in messages)))
            elif verb == "RETR":
                number = int(argument)
                if not 1 <= number <= len(messages):
                    self.reply(b"-ERR no such message")
                    continue
                lines = stuffed(messages[number - 1])
                self.reply(b"+OK %d octets" % len(messages[number - 1]))
                if options.close_in_retr or options.stall_in_retr:
                    self.wfile.write(b"\r\n".join(lines[: len(lines) // 2]) + b"\r\n")
                    self.wfile.flush()
                    if options.stall_in_retr:
                        time.sleep(30)
                    return
                self.wfile.write(b"".join(l + b"\r\n" for l in lines) + b".\r\n")
                self.wfile.flush()
            elif verb == "DELE":
                self.reply(b"+OK deleted")
            elif verb == "QUIT":
                self.reply(b"+OK bye")
                return
            else:
                self.reply(b"-ERR unknown command")


def main():
    global options
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--greeting", default="+OK ready <1896.697170952@dbc.example>")
    parser.add_argument("--user", default="alice")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--fail", action="append", default=[])
    parser.add_argument("--garbage", action="append", default=[])
    parser.add_argument("--apop-fails", action="store_true")
    parser.add_argument("--close-in-retr", action="store_true")
    parser.add_argument("--stall-in-retr", action="store_true")
    parser.add_argument("--message", action="append", default=[])
    options = parser.parse_args()
    end_with_parent()
    server = QuietServer(("127.0.0.1", 0), Session)
    announce(server.server_address[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
