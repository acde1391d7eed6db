"""Starts each program RUNS times, alternating, and reports the median time
until it prints SKYHARBOR-SHOWN (its main window is up)."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def once(cmd, env):
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
    shown = None
    for line in proc.stdout:
        if "SKYHARBOR-SHOWN" in line:
            shown = time.monotonic() - start
            break
    try:
        proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    if shown is None:
        raise SystemExit(f"{cmd[0]} never showed its window")
    return shown * 1000.0


def main():
    app, peer, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
    home = tempfile.mkdtemp(prefix="skyharbor-bench-")
    with open(os.path.join(home, "skyharbor.ini"), "w") as f:
        # No questions at start, and no start page to wait for.
        # A known member with a postal code and channels: no first-run sheets.
        f.write("[misc]\nPromptForDefBrowser=1\nAccount=bench\n[Startup]\nHome=about:blank\n"
                "[local]\nzip=10001\n")
    with open(os.path.join(home, "skychan1.sky"), "wb") as f:
        f.write(b"\r\n~CH:News\r\n~FN:NPR\r\n~FU:https://www.npr.org/\r\n")
    env = dict(os.environ, SKYHARBOR_HOME=home, SKYHARBOR_STARTUP_PROBE="exit")
    times = {"skyharbor": [], "peer": []}
    try:
        once([app, "about:blank"], env)  # warm the caches for both
        once([peer], env)
        for _ in range(runs):
            times["skyharbor"].append(once([app], env))
            times["peer"].append(once([peer], env))
    finally:
        shutil.rmtree(home, ignore_errors=True)
    a = statistics.median(times["skyharbor"])
    b = statistics.median(times["peer"])
    print(f"runs: {runs} each")
    print(f"skyharbor: median {a:.0f} ms (min {min(times['skyharbor']):.0f}, max {max(times['skyharbor']):.0f})")
    print(f"bare web view: median {b:.0f} ms (min {min(times['peer']):.0f}, max {max(times['peer']):.0f})")
    print(f"ratio: {a / b:.2f}")


if __name__ == "__main__":
    main()
