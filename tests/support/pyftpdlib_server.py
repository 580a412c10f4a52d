#!/usr/bin/python3
"""Serves one directory over FTP on loopback for korval's integration tests.

Run with Debian's /usr/bin/python3 (it has pyftpdlib). The test fixture picks
the port and the passive range, owns the process and kills it afterwards.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def parse_port_range(text):
    low, high = (int(part) for part in text.split("-", 1))
    if not 1024 <= low <= high <= 65535:
        raise argparse.ArgumentTypeError("bad port range: " + text)
    return range(low, high + 1)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--passive-ports", type=parse_port_range, required=True,
                        help="LOW-HIGH, both included")
    parser.add_argument("--certificate",
                        help="PEM certificate: explicit TLS, required for "
                             "the logon and the data connections")
    parser.add_argument("--key", help="the certificate's private key (PEM)")
    arguments = parser.parse_args()

    authorizer = DummyAuthorizer()
    # Every permission: list, change directory, read, append, delete, rename,
    # make directories, write, change mode, change modification time.
    authorizer.add_user(arguments.user, arguments.password, arguments.root,
                        perm="elradfmwMT")

    base = TLS_FTPHandler if arguments.certificate else FTPHandler

    class Handler(base):
        pass

    if arguments.certificate:
        Handler.certfile = arguments.certificate
        Handler.keyfile = arguments.key
        Handler.tls_control_required = True
        Handler.tls_data_required = True

    Handler.authorizer = authorizer
    Handler.passive_ports = arguments.passive_ports
    Handler.permit_foreign_addresses = False
    # Tests of refused logons need no 3-second penalty.
    Handler.auth_failed_timeout = 0

    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format="%(asctime)s %(message)s")
    server = FTPServer((arguments.host, arguments.port), Handler)
    server.serve_forever()


if __name__ == "__main__":
    main()
