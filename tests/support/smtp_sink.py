"""An SMTP server on 127.0.0.1 for the alert e-mail tests.

    smtp_sink.py MODE CERT KEY USER PASSWORD OUTDIR [MECHANISM]

MODE is "plain" (no TLS; AUTH allowed in the clear), "starttls" (STARTTLS required before AUTH
and MAIL) or "tls" (TLS from the first byte). AUTH PLAIN and LOGIN are offered and accepted for
USER with PASSWORD only (MECHANISM, when given, is the only one offered); MAIL is refused
without a login. Every message accepted is written to
OUTDIR as message-NNNN.json: envelope sender and recipients, the data as received, the TLS state
("none", "starttls" or "implicit"), the user that logged in and the mechanism (never the
password).

Picks a free port and prints it on standard output once it listens. Without the aiosmtpd module
it prints a line starting with "ERROR" instead and ends.
"""
import asyncio
import json
import os
import ssl
import sys

try:
    from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
except ImportError:
    print("ERROR python module aiosmtpd missing (Debian package python3-aiosmtpd)", flush=True)
    sys.exit(2)


class Sink:
    def __init__(self, outdir):
        self.outdir = outdir
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        if session.ssl is not None:
            tls = "starttls"
        elif server.transport is not None and server.transport.get_extra_info("ssl_object") is not None:
            tls = "implicit"
        else:
            tls = "none"
        login = ""
        if isinstance(session.auth_data, LoginPassword):
            login = session.auth_data.login.decode("utf-8", "replace")
        mechanism = getattr(session, "fw_mechanism", "")
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": list(envelope.rcpt_tos),
            "data": envelope.original_content.decode("utf-8", "replace"),
            "tls": tls,
            "login": login,
            "mechanism": mechanism,
        }
        name = os.path.join(self.outdir, "message-%04d.json" % self.count)
        with open(name + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f)
        os.replace(name + ".tmp", name)
        return "250 Message accepted for delivery"


def main():
    mode, cert, key, user, password, outdir = sys.argv[1:7]
    only = sys.argv[7] if len(sys.argv) > 7 else ""
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(cert, key)

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == user.encode() and auth_data.password == password.encode())
        if ok:
            session.fw_mechanism = mechanism
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

    sink = Sink(outdir)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    options = dict(hostname="localhost", authenticator=authenticator, auth_required=True, loop=loop)
    if only:
        options.update(auth_exclude_mechanism=[m for m in ("PLAIN", "LOGIN") if m != only])
    if mode == "starttls":
        options.update(tls_context=context, require_starttls=True, auth_require_tls=True)
    else:
        options.update(auth_require_tls=False)
    server = loop.run_until_complete(loop.create_server(
        lambda: SMTP(sink, **options), host="127.0.0.1", port=0,
        ssl=context if mode == "tls" else None))
    print(server.sockets[0].getsockname()[1], flush=True)
    try:
        loop.run_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
