#!/usr/bin/python3
"""A real SMTP server on 127.0.0.1 for the tests and the demo (aiosmtpd).

Every message it accepts is kept in FOLDER as N.eml (as received) and
N.json: the envelope, the decoded subject and sender, the plain-text and
HTML parts and the names of the attachments, each saved as N_<name>.
With --cert/--key the server offers STARTTLS and requires it; with --user
and --password it requires AUTH with them; each --refuse ADDRESS is
refused at RCPT with 550 and a text naming it; --size-limit BYTES announces
that SIZE and refuses larger messages with 552. With --raw it keeps N.eml
only and answers as soon as that is written, as a server that queues the
message does: the benches use it, so that the client is not timed waiting
for this script to take the message apart. The port it listens on is
written to --port-file once it accepts connections. Ends on SIGTERM.

Two servers that misbehave, for the tests of what the client does then:
--misbehave stall answers up to DATA and then stops reading (its receive
buffer kept small, so a large message fills it); --misbehave echo-auth
offers AUTH LOGIN and refuses it with 535, repeating what it was sent
(base64, decoded, hex and URL-encoded).

--misbehave mute reads the whole message and never answers its end.
--misbehave slow reads the message slowly but steadily, --read-rate bytes
a second (default 800; its receive buffer kept small, so the sender sees
the pace), keeps it as a good server does and answers 250 once it has
read all of it.

  /usr/bin/python3 smtp_sink.py --folder mail --port-file port
"""
import argparse
import base64
import email
import email.header
import email.policy
import json
import logging
import os
import signal
import socket
import ssl
import threading
import time
import urllib.parse
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Keeper:
    def __init__(self, folder, refused=(), raw=False):
        self.folder = folder
        self.refused = set(a.lower() for a in refused)
        self.raw = raw
        self.count = 0
        self.lock = threading.Lock()

    def keep(self, content, mail_from, rcpt_tos, tls=False,
             authenticated=False):
        """Saves one accepted message as N.eml, N.json and its attachments."""
        with self.lock:
            self.count += 1
            n = self.count
        base = os.path.join(self.folder, str(n))
        with open(base + ".eml", "wb") as f:
            f.write(content)
        if self.raw:
            return
        message = email.message_from_bytes(content,
                                           policy=email.policy.default)
        text = message.get_body(preferencelist=("plain",))
        html = message.get_body(preferencelist=("html",))
        attachments = []
        for part in message.iter_attachments():
            name = part.get_filename()
            attachments.append(name)
            with open(base + "_" + name, "wb") as f:
                f.write(part.get_payload(decode=True))
        # Blanks between encoded words are not part of the text (RFC 2047,
        # 6.2), which the modern parser of address headers forgets.
        raw_from = email.message_from_bytes(
            content, policy=email.policy.compat32)["From"] or ""
        sender = (str(email.header.make_header(
            email.header.decode_header(raw_from)))
                  if "=?" in raw_from else str(message["From"]))
        record = {
            "mail_from": mail_from,
            "rcpt_tos": rcpt_tos,
            "from": sender,
            "to": str(message["To"]),
            "subject": str(message["Subject"]),
            "text": text.get_content() if text else "",
            "html": html.get_content() if html else "",
            "attachments": attachments,
            "tls": tls,
            "authenticated": authenticated,
        }
        # The record appears whole: written aside, then renamed.
        with open(base + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False, indent=1)
        os.rename(base + ".tmp", base + ".json")

    async def handle_RCPT(self, server, session, envelope, address, options):
        if address.lower() in self.refused:
            return "550 5.1.1 <%s>: caixa de correio inexistente" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.keep(envelope.original_content or envelope.content,
                  envelope.mail_from, envelope.rcpt_tos,
                  tls=session.ssl is not None,
                  authenticated=bool(session.authenticated))
        return "250 Message accepted for delivery"


class Reader:
    """The bytes of a connection, a line or a paced piece at a time."""

    def __init__(self, conn):
        self.conn = conn
        self.pending = b""

    def line(self):
        while b"\n" not in self.pending:
            piece = self.conn.recv(4096)
            if not piece:
                line, self.pending = self.pending, b""
                return line
            self.pending += piece
        end = self.pending.index(b"\n") + 1
        line, self.pending = self.pending[:end], self.pending[end:]
        return line

    def message(self, rate):
        """The message after DATA up to its end (a line "."), read at
        `rate` bytes a second, dot-stuffing undone."""
        step = max(1, rate // 10)
        while b"\r\n.\r\n" not in b"\r\n" + self.pending:
            time.sleep(0.1)
            piece = self.conn.recv(step)
            if not piece:
                break
            self.pending += piece
        data = b"\r\n" + self.pending
        end = data.find(b"\r\n.\r\n")
        self.pending = data[end + 5:] if end >= 0 else b""
        body = data[2:end + 2] if end >= 0 else data[2:]
        return b"\r\n".join(l[1:] if l.startswith(b".") else l
                             for l in body.split(b"\r\n"))


def misbehaving_server(mode, port, keeper, rate):
    """A bare SMTP server on 127.0.0.1 that misbehaves as `mode` says."""
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    listener.bind(("127.0.0.1", port))
    listener.listen()

    def session(conn):
        reader = Reader(conn)
        send = lambda text: conn.sendall(text.encode() + b"\r\n")
        send("220 127.0.0.1 ESMTP")
        mail_from, rcpt_tos = "", []
        while True:
            raw = reader.line()
            if not raw:
                break
            line = raw.decode("latin-1").rstrip("\r\n")
            verb = line.split(" ")[0].upper()
            if verb == "EHLO":
                send("250-127.0.0.1")
                send("250 AUTH LOGIN" if mode == "echo-auth" else "250 OK")
            elif verb == "AUTH" and mode == "echo-auth":
                send("334 VXNlcm5hbWU6")
                try:
                    user = base64.b64decode(reader.line().strip())
                except ValueError:
                    user = b"?"
                send("334 UGFzc3dvcmQ6")
                sent = reader.line().decode("latin-1").strip()
                try:
                    plain = base64.b64decode(sent)
                except ValueError:
                    plain = b"?"
                pair = base64.b64encode(user + b":" + plain).decode()
                send("535 5.7.8 credenciais %s (%s) hex %s %s url %s "
                     "par %s recusadas" % (
                         sent, plain.decode("latin-1"), plain.hex(),
                         plain.hex().upper(),
                         urllib.parse.quote(plain, safe=""), pair))
            elif verb == "MAIL":
                mail_from = line[line.find("<") + 1:line.rfind(">")]
                send("250 OK")
            elif verb == "RCPT":
                rcpt_tos.append(line[line.find("<") + 1:line.rfind(">")])
                send("250 OK")
            elif verb == "DATA" and mode == "stall":
                send("354 go ahead")
                time.sleep(3600)  # never reads the message
            elif verb == "DATA" and mode == "mute":
                send("354 go ahead")
                reader.message(1 << 30)
                time.sleep(3600)  # never answers the end
            elif verb == "DATA" and mode == "slow":
                send("354 go ahead")
                keeper.keep(reader.message(rate), mail_from, rcpt_tos)
                send("250 Message accepted for delivery")
            elif verb == "QUIT":
                send("221 Bye")
                break
            else:
                send("250 OK")
        conn.close()

    def accept():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=session, args=(conn,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def announce_and_wait(port_file, port):
    """Writes `port` to `port_file` (whole, by a rename), then waits for
    SIGTERM or SIGINT."""
    with open(port_file + ".tmp", "w") as f:
        f.write(str(port))
    os.rename(port_file + ".tmp", port_file)
    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    done.wait()


def main():
    # aiosmtpd warns about its own use of a deprecated session field.
    warnings.simplefilter("ignore", DeprecationWarning)
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--misbehave", choices=["stall", "echo-auth", "slow", "mute"])
    parser.add_argument("--read-rate", type=int, default=800)
    parser.add_argument("--size-limit", type=int, default=0)
    parser.add_argument("--raw", action="store_true")
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    if args.misbehave:
        port = misbehaving_server(args.misbehave, args.port,
                                  Keeper(args.folder), args.read_rate)
        announce_and_wait(args.port_file, port)
        return

    options = {}
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        options.update(tls_context=context, require_starttls=True)
    if args.user:
        def authenticator(server, session, envelope, mechanism, auth_data):
            ok = (auth_data.login.decode() == args.user and
                  auth_data.password.decode() == args.password)
            return AuthResult(success=ok, handled=False)
        options.update(authenticator=authenticator, auth_required=True,
                       auth_require_tls=bool(args.cert))
    if args.size_limit:
        # Announced as SIZE in the EHLO reply; larger messages get 552.
        options.update(data_size_limit=args.size_limit)
    controller = Controller(Keeper(args.folder, args.refuse, args.raw),
                            hostname="127.0.0.1",
                            port=args.port or free_port(), **options)
    controller.start()
    announce_and_wait(args.port_file, controller.port)
    controller.stop()


if __name__ == "__main__":
    main()
