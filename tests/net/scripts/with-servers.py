"""Runs a script with ulka-script while the scripted HTTP, POP3 and WHOIS servers run on
loopback; the script gets their ports as its parameters 1 to 3 and the mail fixtures' folder as
parameter 4. The exit code is the script's.

    with-servers.py ULKA_SCRIPT SCRIPT
"""
import os
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
servers = os.path.join(here, "..", "servers")
fixtures = os.path.join(here, "..", "fixtures", "mail")


def start(script, *args):
    process = subprocess.Popen([sys.executable, os.path.join(servers, script), *args],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    return process, process.stdout.readline().decode().split()[0]


def main():
    ulka_script, script = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as work:
        http, http_port = start("http_server.py")
        pop3, pop3_port = start("pop3_server.py", "--log", os.path.join(work, "pop3.log"),
                                "--message", os.path.join(fixtures, "attachments.eml"),
                                "--message", os.path.join(fixtures, "alternative.eml"))
        whois, whois_port = start("whois_server.py", "--log", os.path.join(work, "whois.log"),
                                  "--answer", "Domain Name: EXAMPLE.COM\\r\\nStatus: active\\r\\n")
        environment = dict(os.environ)
        for name in ("http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "ULKA_CA_FILE"):
            environment.pop(name, None)
        try:
            result = subprocess.run([ulka_script, script, http_port, pop3_port, whois_port, fixtures],
                                    env=environment, timeout=100)
            return result.returncode
        finally:
            for process in (http, pop3, whois):
                process.stdin.close()
                process.wait(10)


if __name__ == "__main__":
    sys.exit(main())
