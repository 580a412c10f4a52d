"""The demo FTP server: serves demo/files on 127.0.0.1 (user demo, password
demo, read-only; anonymous read-only too). Run with Debian's /usr/bin/python3."""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

port = int(sys.argv[1]) if len(sys.argv) > 1 else 2121
root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "files")
authorizer = DummyAuthorizer()
authorizer.add_user("demo", "demo", root, perm="elr")
authorizer.add_anonymous(root, perm="elr")
handler = FTPHandler
handler.authorizer = authorizer
handler.passive_ports = range(2122, 2140)
handler.banner = "korval demo server ready."
server = FTPServer(("127.0.0.1", port), handler)
server.serve_forever()
