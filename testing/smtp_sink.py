#!/usr/bin/python3
"""A real SMTP server on 127.0.0.1 for the tests and the demo (aiosmtpd).

Every message it accepts is kept in FOLDER as N.eml (as received) and
N.json: the envelope, the decoded subject and sender, the plain-text and
HTML parts and the names of the attachments, each saved as N_<name>.
With --cert/--key the server offers STARTTLS and requires it; with --user
and --password it requires AUTH with them. The port it listens on is
written to --port-file once it accepts connections. Ends on SIGTERM.

  /usr/bin/python3 smtp_sink.py --folder mail --port-file port
"""
import argparse
import email
import email.policy
import json
import logging
import os
import signal
import socket
import ssl
import threading
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Keeper:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        self.lock = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            n = self.count
        base = os.path.join(self.folder, str(n))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        message = email.message_from_bytes(envelope.content,
                                           policy=email.policy.default)
        text = message.get_body(preferencelist=("plain",))
        html = message.get_body(preferencelist=("html",))
        attachments = []
        for part in message.iter_attachments():
            name = part.get_filename()
            attachments.append(name)
            with open(base + "_" + name, "wb") as f:
                f.write(part.get_payload(decode=True))
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "from": str(message["From"]),
            "to": str(message["To"]),
            "subject": str(message["Subject"]),
            "text": text.get_content() if text else "",
            "html": html.get_content() if html else "",
            "attachments": attachments,
            "tls": session.ssl is not None,
            "authenticated": bool(session.authenticated),
        }
        # The record appears whole: written aside, then renamed.
        with open(base + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False, indent=1)
        os.rename(base + ".tmp", base + ".json")
        return "250 Message accepted for delivery"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


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
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)

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
    controller = Controller(Keeper(args.folder), hostname="127.0.0.1",
                            port=args.port or free_port(), **options)
    controller.start()
    with open(args.port_file + ".tmp", "w") as f:
        f.write(str(controller.port))
    os.rename(args.port_file + ".tmp", args.port_file)

    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: done.set())
    signal.signal(signal.SIGINT, lambda *_: done.set())
    done.wait()
    controller.stop()


if __name__ == "__main__":
    main()
