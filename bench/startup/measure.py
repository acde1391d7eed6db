"""Starts each program RUNS times, alternating, and reports the median time
until it prints SKYHARBOR-SHOWN (its main window is up) and, with a member
service given, until it prints SKYHARBOR-PAINTED (the service's start page
has loaded in its main browser; the bare web view loads the same page)."""
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.request


def once(cmd, env, mark):
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
    seen = None
    for line in proc.stdout:
        if mark in line:
            seen = time.monotonic() - start
            break
    try:
        proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    if seen is None:
        raise SystemExit(f"{cmd[0]} never printed {mark}")
    return seen * 1000.0


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def row(name, a, b):
    print(f"{name}:")
    print(f"  skyharbor: median {statistics.median(a):.0f} ms (min {min(a):.0f}, max {max(a):.0f})")
    print(f"  bare web view: median {statistics.median(b):.0f} ms (min {min(b):.0f}, max {max(b):.0f})")
    print(f"  ratio: {statistics.median(a) / statistics.median(b):.2f}")


def main():
    app, peer, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    service = sys.argv[4] if len(sys.argv) > 4 else None
    home = tempfile.mkdtemp(prefix="skyharbor-bench-")
    with open(os.path.join(home, "skyharbor.ini"), "w") as f:
        # No questions at start, and no start page to wait for.
        # A known member with a postal code and channels: no first-run sheets.
        f.write("[misc]\nPromptForDefBrowser=1\nAccount=bench\n[Startup]\nHome=about:blank\n"
                "[local]\nzip=10001\n")
    with open(os.path.join(home, "skychan1.sky"), "wb") as f:
        f.write(b"\r\n~CH:News\r\n~FN:NPR\r\n~FU:https://www.npr.org/\r\n")
    env = dict(os.environ, SKYHARBOR_HOME=home, SKYHARBOR_STARTUP_PROBE="exit")
    shown = {"skyharbor": [], "peer": []}
    painted = {"skyharbor": [], "peer": []}
    server = None
    try:
        once([app, "about:blank"], env, "SKYHARBOR-SHOWN")  # warm the caches for both
        once([peer], env, "SKYHARBOR-SHOWN")
        for _ in range(runs):
            shown["skyharbor"].append(once([app], env, "SKYHARBOR-SHOWN"))
            shown["peer"].append(once([peer], env, "SKYHARBOR-SHOWN"))
        if service:
            # One service for both: the start page as the program asks for it.
            port = free_port()
            data = tempfile.mkdtemp(prefix="skyharbor-bench-service-", dir=home)
            server = subprocess.Popen([service, "--listen", f"127.0.0.1:{port}", "--data", data],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            url = f"http://127.0.0.1:{port}/sky_start/skydata.htm"
            for _ in range(100):
                try:
                    urllib.request.urlopen(url, timeout=1).read()
                    break
                except OSError:
                    time.sleep(0.1)
            page_home = os.path.join(home, "page")
            os.makedirs(page_home)
            with open(os.path.join(page_home, "skyharbor.ini"), "w") as f:
                f.write(f"[misc]\nPromptForDefBrowser=1\nAccount=bench\n[local]\nzip=10001\n"
                        f"[Service]\nEmbedded=0\nWebHost=127.0.0.1:{port}\n")
            shutil.copy(os.path.join(home, "skychan1.sky"), page_home)
            page_env = dict(os.environ, SKYHARBOR_HOME=page_home, SKYHARBOR_STARTUP_PROBE="page")
            once([app], page_env, "SKYHARBOR-PAINTED")
            for _ in range(runs):
                painted["skyharbor"].append(once([app], page_env, "SKYHARBOR-PAINTED"))
                painted["peer"].append(once([peer, url], page_env, "SKYHARBOR-PAINTED"))
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(home, ignore_errors=True)
    print(f"runs: {runs} each")
    row("start to main window", shown["skyharbor"], shown["peer"])
    if service:
        row("start to the start page loaded", painted["skyharbor"], painted["peer"])


if __name__ == "__main__":
    main()
