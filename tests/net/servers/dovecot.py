"""Runs Debian's dovecot as a POP3 server of its own, from a temporary configuration: one user
with a password file, a maildir holding the given messages, plain POP3 and POP3 over TLS (with the
given certificate), APOP allowed. Prints "PLAIN_PORT TLS_PORT" once both answer.

    dovecot.py WORKDIR CERT KEY USER PASSWORD [MESSAGE_FILE...]
    dovecot.py WORKDIR CERT KEY USER PASSWORD --generate COUNT

Run as root, the server's processes use the dovecot and dovenull accounts that the package
creates; otherwise they all run as the calling user.
"""
import grp
import os
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

from common import announce

DOVECOT = "/usr/sbin/dovecot"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def accounts():
    if os.getuid() == 0:
        return "dovecot", "dovecot", "dovenull"
    user = pwd.getpwuid(os.getuid()).pw_name
    return user, grp.getgrgid(os.getgid()).gr_name, user


def generated_message(n):
    return (f"From: Sender {n} <sender{n}@example.org>\r\nTo: alice@example.org\r\n"
            f"Subject: Message number {n}\r\nDate: Tue, 01 Mar 2011 14:05:09 +0000\r\n"
            f"Message-ID: <{n}@example.org>\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
            + f"Line {n} of a message body that is long enough to look like mail.\r\n" * 40).encode()


def fill_maildir(home, messages):
    new = os.path.join(home, "Maildir", "new")
    for sub in ("new", "cur", "tmp"):
        os.makedirs(os.path.join(home, "Maildir", sub), exist_ok=True)
    for i, data in enumerate(messages):
        # Names sort in delivery order, which is the order the server numbers them in.
        with open(os.path.join(new, f"{1000000000 + i}.M{i}P1.ulka"), "wb") as f:
            f.write(data)


def write_config(work, cert, key, password_file, plain, tls):
    internal_user, internal_group, login_user = accounts()
    config = f"""
base_dir = {work}/run
state_dir = {work}/state
log_path = {work}/dovecot.log
instance_name = ulka-test-{os.getpid()}
protocols = pop3
listen = 127.0.0.1
ssl = yes
ssl_cert = <{cert}
ssl_key = <{key}
disable_plaintext_auth = no
auth_mechanisms = plain apop
auth_failure_delay = 0
default_internal_user = {internal_user}
default_internal_group = {internal_group}
default_login_user = {login_user}
first_valid_uid = 1
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {password_file}
}}
userdb {{
  driver = static
  args = uid={internal_user} gid={internal_group} home={work}/home/%u
}}
mail_location = maildir:~/Maildir
pop3_uidl_format = %08Xu%08Xv
service pop3-login {{
  chroot =
  inet_listener pop3 {{
    port = {plain}
  }}
  inet_listener pop3s {{
    port = {tls}
    ssl = yes
  }}
}}
service anvil {{
  chroot =
  # No growing delay after failed logins: the tests fail some on purpose.
  unix_listener anvil-auth-penalty {{
    mode = 0
  }}
}}
service imap-urlauth-login {{
  chroot =
}}
"""
    path = os.path.join(work, "dovecot.conf")
    with open(path, "w") as f:
        f.write(config)
    return path


def wait_for_greeting(port, deadline):
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
                if s.recv(100).startswith(b"+OK"):
                    return True
        except OSError:
            time.sleep(0.05)
    return False


def main():
    work, cert, key, user, password = sys.argv[1:6]
    rest = sys.argv[6:]
    if rest[:1] == ["--generate"]:
        messages = [generated_message(n) for n in range(1, int(rest[1]) + 1)]
    else:
        messages = [open(path, "rb").read() for path in rest]
    work = os.path.abspath(work)
    os.makedirs(work, exist_ok=True)
    os.chmod(work, 0o755)
    for name in ("cert.pem", "key.pem"):
        shutil.copy(cert if name == "cert.pem" else key, os.path.join(work, name))
        os.chmod(os.path.join(work, name), 0o644)
    password_file = os.path.join(work, "passwd")
    with open(password_file, "w") as f:
        f.write(f"{user}:{{PLAIN}}{password}::::::\n")
    os.chmod(password_file, 0o644)
    home = os.path.join(work, "home", user)
    fill_maildir(home, messages)
    internal_user, internal_group, _ = accounts()
    if os.getuid() == 0:
        for root, dirs, files in os.walk(os.path.join(work, "home")):
            for name in dirs + files + [""]:
                shutil.chown(os.path.join(root, name), internal_user, internal_group)
    os.makedirs(os.path.join(work, "state"), exist_ok=True)
    plain, tls = free_port(), free_port()
    config = write_config(work, os.path.join(work, "cert.pem"), os.path.join(work, "key.pem"), password_file, plain, tls)
    # A session of its own, so that stopping it takes every process the master started.
    server = subprocess.Popen([DOVECOT, "-F", "-c", config], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              start_new_session=True)

    def stop(*_):
        server.terminate()
        try:
            server.wait(5)
        except subprocess.TimeoutExpired:
            pass
        try:
            os.killpg(server.pid, signal.SIGKILL)
        except OSError:
            pass
        os._exit(0)

    signal.signal(signal.SIGTERM, stop)
    deadline = time.time() + 20
    if not (wait_for_greeting(plain, deadline) and server.poll() is None):
        sys.stderr.write(open(os.path.join(work, "dovecot.log")).read() if os.path.exists(os.path.join(work, "dovecot.log")) else "no log\n")
        stop()
    announce(plain, tls)
    threading.Timer(600, stop).start()
    try:
        sys.stdin.read()
    finally:
        stop()


if __name__ == "__main__":
    main()
