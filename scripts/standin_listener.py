#!/usr/bin/env python3
"""Holds a loopback port for the length of a test run, standing in for a server that
belongs to somebody else, and counts the connections it accepts.

    standin_listener.py PORT STATUS_FILE

STATUS_FILE gets "listening 0" once the port is bound, and after every accepted
connection (each is closed at once) the new count and one line per connection naming the
process that made it ("connection pid=... cwd=..."), so that a run can tell its own
programs from other people's. Exits 3 when the port is taken already. Stops on SIGTERM.
"""
import errno
import os
import signal
import socket
import sys


def write_status(path, peers):
    temporary = path + ".new"
    with open(temporary, "w") as status:
        status.write("listening %d\n" % len(peers))
        status.writelines("connection %s\n" % peer for peer in peers)
    os.replace(temporary, path)


def socket_inode(local_port, remote_port):
    """The inode of the client's end of a loopback connection, from the kernel's table."""
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            with open(table) as lines:
                next(lines)
                for line in lines:
                    fields = line.split()
                    if (int(fields[1].rsplit(":", 1)[1], 16) == local_port
                            and int(fields[2].rsplit(":", 1)[1], 16) == remote_port):
                        return fields[9]
        except OSError:
            pass
    return None


def describe_peer(peer_port, own_port):
    """'pid=... cwd=...' of the process holding the client's end (it waits for an answer
    while this end is still open), or 'unknown'."""
    inode = socket_inode(peer_port, own_port)
    if inode is None:
        return "unknown"
    target = "socket:[%s]" % inode
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            fds = os.listdir("/proc/%s/fd" % pid)
            if any(os.readlink("/proc/%s/fd/%s" % (pid, fd)) == target for fd in fds):
                return "pid=%s cwd=%s" % (pid, os.readlink("/proc/%s/cwd" % pid))
        except OSError:
            continue
    return "unknown"


def main():
    port, status_path = int(sys.argv[1]), sys.argv[2]
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    # Closed connections of an earlier run linger on the port; a listener still fails.
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        listener.bind(("127.0.0.1", port))
    except OSError as error:
        if error.errno == errno.EADDRINUSE:
            return 3
        raise
    listener.listen(16)
    peers = []
    write_status(status_path, peers)
    while True:
        connection, address = listener.accept()
        peers.append(describe_peer(address[1], port))
        connection.close()
        write_status(status_path, peers)


if __name__ == "__main__":
    sys.exit(main())
