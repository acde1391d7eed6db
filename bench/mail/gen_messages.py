#!/usr/bin/python3
"""Writes benchmark messages: gen_messages.py maildir DIR COUNT | folder DIR COUNT | big FILE MIB"""
import base64, os, random, sys

def message(i, rng, attach_mib=0):
    body = "".join("Line %d of message %d, some ordinary text for the body.\r\n" % (n, i)
                   for n in range(rng.choice([20, 80, 400, 1500])))
    head = ("Return-Path: <sender%d@example.org>\r\nMessage-ID: <bench.%d@example.org>\r\n"
            "From: Sender %d <sender%d@example.org>\r\nTo: jane@example.net\r\n"
            "Subject: Benchmark message %d\r\nDate: Mon, 12 Jan 1998 10:20:30 -0500\r\n" % (i, i, i, i, i))
    if not attach_mib:
        return (head + "\r\n" + body).encode()
    data = base64.encodebytes(rng.randbytes(attach_mib << 20)).decode().replace("\n", "\r\n")
    return (head + "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"BB\"\r\n\r\n"
            "--BB\r\nContent-Type: text/plain\r\n\r\n" + body +
            "--BB\r\nContent-Type: application/octet-stream; name=\"data%d.bin\"\r\n"
            "Content-Transfer-Encoding: base64\r\n\r\n" % i + data + "--BB--\r\n").encode()

def main():
    kind, target, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
    rng = random.Random(7)
    if kind == "big":
        with open(target, "wb") as f:
            f.write(message(0, rng, n))
        return
    os.makedirs(target, exist_ok=True)
    for i in range(n):
        if kind == "maildir":
            name = "%d.M%dP1.bench" % (1700000000 + i, i)
            data = message(i, rng, 1 if i % 25 == 0 else 0)
        else:
            name = "Sbench-%d-example-org-.mail" % i
            status = "X-SkyStatus: Read      \r\n" if i % 3 else ""
            data = ("Message-ID: <bench.%d@example.org>\r\nFrom: Sender %d <s%d@example.org>\r\n"
                    "Subject: Message %d\r\nDate: Mon, 12 Jan 1998 10:20:30 -0500\r\n%s\r\nbody\r\n"
                    % (i, i, i, i, status)).encode()
        with open(os.path.join(target, name), "wb") as f:
            f.write(data)

main()
