#!/usr/bin/env python3
"""Kills a 1 s recording at random moments and checks what recovery brings back.

Each run starts `qortool record --interval 1 --print-samples` against one `qorsim`
gateway, kills it with SIGKILL after a random time, runs `qortool recover` and reads the
document with `qortool dump`. A run passes when every sample printed more than one second
before the kill is in the document, in order, with the printed values, and the document
holds no sample beyond the printed ones and the one being stored at the kill.

usage: kill_recover.py BIN_DIR [--runs N] [--seed S] [--max-wait SECONDS]
"""
import argparse
import json
import os
import random
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def as_floats(words):
    return [float(w) for w in words]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("bin")
    ap.add_argument("--runs", type=int, default=100)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--max-wait", type=float, default=4.0)
    a = ap.parse_args()
    rnd = random.Random(a.seed)
    tcp = "127.0.0.1:%d" % free_port()
    sim = subprocess.Popen([os.path.join(a.bin, "qorsim"), "--tcp", tcp, "--seed", "5"],
                           stdout=subprocess.PIPE, text=True)
    sim.stdout.readline()
    failures, kept, lost_window, extra = 0, 0, 0, 0
    try:
        with tempfile.TemporaryDirectory() as folder:
            for run in range(a.runs):
                path = os.path.join(folder, "run%d.qo3" % run)
                rec = subprocess.Popen(
                    [os.path.join(a.bin, "qortool"), "record", "--tcp", tcp, "--out", path,
                     "--interval", "1", "--duration", "3600", "--idcount", "2", "--quiet",
                     "--print-samples"], stdout=subprocess.PIPE, text=True)
                printed = []  # (arrival time, words)

                def read():
                    for line in rec.stdout:
                        if line.startswith("sample "):
                            printed.append((time.monotonic(), line.split()))

                reader = threading.Thread(target=read)
                reader.start()
                time.sleep(rnd.uniform(0.05, a.max_wait))
                killed_at = time.monotonic()
                rec.send_signal(signal.SIGKILL)
                rec.wait()
                reader.join()
                subprocess.run([os.path.join(a.bin, "qortool"), "recover", path],
                               stdout=subprocess.DEVNULL, check=False)
                samples = []
                if os.path.exists(path):
                    dump = subprocess.run([os.path.join(a.bin, "qortool"), "dump", path],
                                          stdout=subprocess.PIPE, text=True, check=True).stdout
                    samples = json.loads(dump)["samples"]
                must = [w for t, w in printed if t < killed_at - 1.0]
                ok = len(samples) >= len(must) and len(samples) <= len(printed) + 1
                for i, s in enumerate(samples[:len(printed)]):
                    w = printed[i][1]
                    got = [s["time"]] + s["value"] + s["value2"] + s["temperature"]
                    want = [int(w[2])] + as_floats(w[3:])
                    ok = ok and got == want
                if not ok:
                    failures += 1
                    print("run %d: %d printed (%d due), %d recovered" %
                          (run, len(printed), len(must), len(samples)), file=sys.stderr)
                kept += len(samples)
                lost_window += len(printed) - min(len(printed), len(samples))
                extra += max(0, len(samples) - len(printed))
    finally:
        sim.kill()
    print("%d kills, %d failed; %d samples recovered, %d printed ones missing (last second), "
          "%d stored but not yet printed" % (a.runs, failures, kept, lost_window, extra))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
