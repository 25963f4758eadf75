#!/usr/bin/python3
"""SFTP session for the tests: relays it to OpenSSH's sftp-server and, when a control file
asks, cuts it after a named request has been carried out, as a line lost at that moment.

sshd runs it in place of internal-sftp:  sftp_cut.py CONTROL SFTP-SERVER
CONTROL is read again at every request. It holds nothing (relay only) or one line "TYPE N":
the Nth request of TYPE since the session started or the control last changed goes to the
server, which carries it out; its reply never comes back, and the SSH connection ends. Each
cut adds a line to CONTROL.log. TYPE is an SFTP request name (OPEN, CLOSE, WRITE,
SETSTAT, REMOVE, RENAME, ...) or PUT, the CLOSE of a file that was written to.
A line "REFUSE TYPE N STATUS" instead answers the Nth such request with that SFTP status
(3 permission denied, 4 failure, 14 no space), without carrying it out, and the session goes on.
"""

import os
import select
import signal
import struct
import subprocess
import sys

TYPES = {
    "OPEN": 3, "CLOSE": 4, "READ": 5, "WRITE": 6, "LSTAT": 7, "FSTAT": 8, "SETSTAT": 9,
    "FSETSTAT": 10, "OPENDIR": 11, "READDIR": 12, "REMOVE": 13, "MKDIR": 14, "RMDIR": 15,
    "REALPATH": 16, "STAT": 17, "RENAME": 18, "READLINK": 19, "SYMLINK": 20, "EXTENDED": 200,
}


def read_control(path):
    """(type, nth, status): status None cuts the line, a number refuses with it."""
    try:
        with open(path) as f:
            words = f.read().split()
    except OSError:
        return None, 0, None
    if len(words) == 4 and words[0].upper() == "REFUSE":
        return words[1].upper(), int(words[2]), int(words[3])
    if len(words) != 2:
        return None, 0, None
    return words[0].upper(), int(words[1]), None


def status_packet(request, status):
    body = struct.pack(">BIII", 101, request, status, 0) + struct.pack(">I", 0)
    return struct.pack(">I", len(body)) + body


def packets(buffer):
    """Complete packets at the front of buffer, and what is left."""
    found = []
    while len(buffer) >= 5:
        length = struct.unpack(">I", buffer[:4])[0]
        if len(buffer) < 4 + length:
            break
        found.append(buffer[: 4 + length])
        buffer = buffer[4 + length:]
    return found, buffer


def request_id(packet):
    return struct.unpack(">I", packet[5:9])[0] if len(packet) >= 9 else None


def cut_line():
    """Ends the SSH connection as a lost line would: its sshd process goes."""
    pid = os.getppid()
    while pid > 1:
        try:
            with open("/proc/%d/comm" % pid) as f:
                name = f.read().strip()
            with open("/proc/%d/stat" % pid) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            break
        if name == "sshd":
            os.kill(pid, signal.SIGKILL)
            break
        pid = parent
    os._exit(0)


def main():
    control = None
    server = subprocess.Popen([sys.argv[2]], stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
    client_in, client_out = sys.stdin.buffer.raw, sys.stdout.buffer.raw
    from_client, from_server = b"", b""
    seen, wrote, cut_id = 0, False, None
    while True:
        watched = [server.stdout] + ([client_in] if cut_id is None else [])
        readable, _, _ = select.select(watched, [], [])
        if client_in in readable:
            data = os.read(client_in.fileno(), 65536)
            if not data:
                break
            whole, from_client = packets(from_client + data)
            for packet in whole:
                now = read_control(sys.argv[1])
                if now != control:
                    control, seen = now, 0
                cut_type, cut_nth, refusal = control
                kind = packet[4]
                named = TYPES.get(cut_type) == kind or (cut_type == "PUT" and kind == 4 and wrote)
                wrote = (wrote or kind == 6) and kind != 4
                if named and refusal is not None:
                    seen += 1
                    if seen == cut_nth:
                        client_out.write(status_packet(request_id(packet), refusal))
                        continue
                server.stdin.write(packet)
                if named and cut_id is None and refusal is None:
                    seen += 1
                    if seen == cut_nth:
                        cut_id = request_id(packet)
                        break  # nothing after the cut reaches the server
        if server.stdout in readable:
            data = os.read(server.stdout.fileno(), 65536)
            if not data:
                break
            whole, from_server = packets(from_server + data)
            for packet in whole:
                if cut_id is not None and request_id(packet) == cut_id:
                    try:
                        with open(sys.argv[1] + ".log", "a") as log:
                            log.write("cut after %s %d\n" % (cut_type, cut_nth))
                    except OSError:
                        pass
                    cut_line()
                client_out.write(packet)
    server.stdin.close()
    server.wait()


if __name__ == "__main__":
    main()
