#!/usr/bin/env python3
"""Chat between two copies on loopback, beside a peer that speaks the same
records with Python's standard library.

  measure.py CLI KIND [LINES] [FLOOD]    KIND: sky | peer

Prints one line: "<kind> latency_median_ms=<x> p90_ms=<y> flood_lines=<n>
received=<m> lines_per_s=<r>".
- latency: a line written to the caller's standard input until the partner
  prints it, median over LINES lines sent one after the other;
- flood: FLOOD chat-text records posted to the receiver as fast as eight
  connections can, until it has printed the last one (lost lines counted).
"""
import http.client
import http.server
import os
import select
import socket
import socketserver
import statistics
import struct
import subprocess
import sys
import threading
import time

HEADER = 460


def record(name, kind, ip, data):
    out = bytearray(464 + len(data))
    out[4:4 + len(name)] = name
    struct.pack_into("<I", out, 36, kind)
    out[40:40 + len(ip)] = ip
    struct.pack_into("<I", out, 128, len(data))
    out[HEADER:HEADER + len(data)] = data
    return bytes(out)


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


class Lines:
    """Reads a process's standard output line by line, with a deadline."""

    def __init__(self, stream):
        self.stream = stream
        self.buf = b""

    def wait_for(self, needle, timeout=20.0):
        deadline = time.monotonic() + timeout
        while True:
            while b"\n" in self.buf:
                line, self.buf = self.buf.split(b"\n", 1)
                if needle in line:
                    return line
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError(needle)
            r, _, _ = select.select([self.stream], [], [], left)
            if r:
                chunk = os.read(self.stream.fileno(), 65536)
                if not chunk:
                    raise EOFError(needle)
                self.buf += chunk


# --- the peer: the same records with Python's standard library -------------

def peer_main(role, listen, port, partner):
    """A minimal chat copy: prints arriving text records, posts typed lines."""
    out_lock = threading.Lock()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
            self.send_response(204)
            self.end_headers()
            if len(body) >= 464:
                kind = struct.unpack_from("<I", body, 36)[0]
                name = body[4:36].split(b"\0", 1)[0]
                data = body[HEADER:len(body) - 4].split(b"\0", 1)[0]
                if kind == 7:
                    with out_lock:
                        sys.stdout.buffer.write(name + b": " + data + b"\n")
                        sys.stdout.flush()

        def log_message(self, *args):
            pass

    class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
        daemon_threads = True
        request_queue_size = 128

    server = Server((listen, port), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("* listening on %s:%d" % (listen, port), flush=True)
    for line in sys.stdin.buffer:
        line = line.rstrip(b"\n")
        conn = http.client.HTTPConnection(partner, port, source_address=(listen, 0), timeout=10)
        conn.request("POST", "/~SKYCMD", record(role.encode(), 7, listen.encode(), line + b"\0"),
                     {"Content-Type": "application/x-www-form-urlencoded"})
        conn.getresponse().read()
        conn.close()


def start(cli, kind, listen, port, partner, name):
    if kind == "sky":
        home = os.environ["BENCH_HOME"] + "/" + name
        os.makedirs(home, exist_ok=True)
        env = dict(os.environ, SKYHARBOR_HOME=home)
        args = [cli, "chat", "--accept", "--listen", listen, "--port", str(port), "--name", name]
        if partner:
            args.append("%s:%d" % (partner, port))
    else:
        env = dict(os.environ)
        args = [sys.executable, __file__, "--peer", name, listen, str(port), partner or "127.0.0.2"]
    return subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)


def flood(port, count, name):
    sent = [0]
    lock = threading.Lock()

    def worker():
        while True:
            with lock:
                if sent[0] >= count:
                    return
                i = sent[0]
                sent[0] += 1
            body = record(b"alice", 7, b"127.0.0.2", b"flood-%d\0" % i)
            s = socket.create_connection(("127.0.0.3", port), source_address=("127.0.0.2", 0))
            s.sendall(b"POST /~SKYCMD HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                      b"Content-Length: %d\r\n\r\n" % len(body) + body)
            while s.recv(4096):
                pass
            s.close()

    threads = [threading.Thread(target=worker) for _ in range(8)]
    for t in threads:
        t.start()
    return threads


def main():
    if sys.argv[1] == "--peer":
        peer_main(sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5])
        return
    cli, kind = sys.argv[1], sys.argv[2]
    lines = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 2000
    port = free_port()
    b = start(cli, kind, "127.0.0.3", port, None, "bob")
    bout = Lines(b.stdout)
    bout.wait_for(b"listening on")
    a = start(cli, kind, "127.0.0.2", port, "127.0.0.3", "alice")
    aout = Lines(a.stdout)
    aout.wait_for(b"listening on")
    if kind == "sky":
        aout.wait_for(b"will talk to you")
    try:
        times = []
        for i in range(lines):
            text = b"line %d" % i
            t0 = time.perf_counter()
            a.stdin.write(text + b"\n")
            a.stdin.flush()
            bout.wait_for(b"alice: " + text)
            times.append((time.perf_counter() - t0) * 1000)
        # The flood comes from the caller's address, as lines of the conversation.
        t0 = time.perf_counter()
        threads = flood(port, count, kind)
        received = 0
        try:
            while True:
                bout.wait_for(b": flood-", timeout=20.0)
                received += 1
                if received == count:
                    break
        except TimeoutError:
            pass
        elapsed = time.perf_counter() - t0
        for t in threads:
            t.join()
        times.sort()
        print("%s latency_median_ms=%.3f p90_ms=%.3f flood_lines=%d received=%d lines_per_s=%.0f" % (
            kind, statistics.median(times), times[int(len(times) * 0.9)], count, received, received / elapsed))
    finally:
        for p in (a, b):
            p.stdin.close()
        for p in (a, b):
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()


if __name__ == "__main__":
    main()
