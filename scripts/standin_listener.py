#!/usr/bin/env python3
"""Holds a loopback port for the length of a test run, standing in for a server that
belongs to somebody else, and counts the connections it accepts.

    standin_listener.py PORT STATUS_FILE

STATUS_FILE gets "listening 0" once the port is bound, and the new count after every
accepted connection (each is closed at once). Exits 3 when the port is taken already.
Stops on SIGTERM.
"""
import errno
import os
import signal
import socket
import sys


def write_status(path, connections):
    temporary = path + ".new"
    with open(temporary, "w") as status:
        status.write("listening %d\n" % connections)
    os.replace(temporary, path)


def main():
    port, status_path = int(sys.argv[1]), sys.argv[2]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    try:
        listener.bind(("127.0.0.1", port))
    except OSError as error:
        if error.errno == errno.EADDRINUSE:
            return 3
        raise
    listener.listen(16)
    connections = 0
    write_status(status_path, connections)
    while True:
        connection, _ = listener.accept()
        connection.close()
        connections += 1
        write_status(status_path, connections)


if __name__ == "__main__":
    sys.exit(main())
