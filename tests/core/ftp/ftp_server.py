#!/usr/bin/python3
"""A loopback FTP (or explicit-TLS FTP) server for the tests and the benchmark."""
import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

p = argparse.ArgumentParser()
p.add_argument("--port", type=int, required=True)
p.add_argument("--root", required=True)
p.add_argument("--user", default="jane")
p.add_argument("--password", default="secret")
p.add_argument("--cert")
p.add_argument("--key")
p.add_argument("--limit", type=int, default=0, help="bytes per second on data connections")
a = p.parse_args()

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
handler.authorizer = auth
server = FTPServer(("127.0.0.1", a.port), handler)
server.max_cons = 256
server.serve_forever()
