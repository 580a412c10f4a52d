"""The demo FTP server: serves demo/files on 127.0.0.1 (user demo, password
demo, read-only; anonymous read-only too). Run with Debian's /usr/bin/python3.

Arguments: the port (2121; 0 takes a free one) and the passive ports
("2122-2139"; "any" takes free ones). It prints "listening on
127.0.0.1:<port>" once it accepts connections, so a test that asked for
port 0 learns which one it got."""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

port = int(sys.argv[1]) if len(sys.argv) > 1 else 2121
passive = sys.argv[2] if len(sys.argv) > 2 else "2122-2139"
root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "files")
authorizer = DummyAuthorizer()
authorizer.add_user("demo", "demo", root, perm="elr")
authorizer.add_anonymous(root, perm="elr")
handler = FTPHandler
handler.authorizer = authorizer
if passive != "any":
    first, last = (int(p) for p in passive.split("-"))
    handler.passive_ports = range(first, last + 1)
handler.banner = "korval demo server ready."
server = FTPServer(("127.0.0.1", port), handler)
print("listening on 127.0.0.1:%d" % server.socket.getsockname()[1], flush=True)
server.serve_forever()
