#!/usr/bin/python3
"""A loopback FTP (or explicit-TLS FTP) server for the tests and the benchmark."""
import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

p = argparse.ArgumentParser()
p.add_argument("--port", type=int, required=True)
p.add_argument("--root", required=True)
p.add_argument("--user", default="jane")
p.add_argument("--password", default="secret")
p.add_argument("--cert")
p.add_argument("--key")
p.add_argument("--limit", type=int, default=0, help="bytes per second on data connections")
p.add_argument("--stall-after", type=int, default=0, help="data connections go silent after this many bytes")
a = p.parse_args()


class StallingDTPHandler(DTPHandler):
    """Sends the first bytes, then nothing, and keeps the connection open."""

    sent_total = 0

    def writable(self):
        return self.sent_total < a.stall_after and super().writable()

    def send(self, data):
        data = data[: a.stall_after - self.sent_total]
        n = super().send(data) if data else 0
        self.sent_total += n
        return n


logging.basicConfig(level=logging.WARNING)
auth = DummyAuthorizer()
auth.add_user(a.user, a.password, a.root, perm="elradfmwMT")
if a.cert:
    from pyftpdlib.handlers import TLS_FTPHandler

    handler = TLS_FTPHandler
    handler.certfile = a.cert
    handler.keyfile = a.key
    handler.tls_control_required = True
    handler.tls_data_required = True
else:
    handler = FTPHandler
if a.limit:
    ThrottledDTPHandler.read_limit = a.limit
    ThrottledDTPHandler.write_limit = a.limit
    handler.dtp_handler = ThrottledDTPHandler
if a.stall_after:
    handler.dtp_handler = StallingDTPHandler
    handler.use_sendfile = False
handler.authorizer = auth
server = FTPServer(("127.0.0.1", a.port), handler)
server.max_cons = 256
server.serve_forever()
