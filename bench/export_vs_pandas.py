#!/usr/bin/python3
"""The week-long text export beside pandas, in one run.

Usage: export_vs_pandas.py PATH/TO/bench_export_week [WORKDIR]

Times the station's export of 604,800 one-second samples (values 1 and 3 of sixteen
channels, decimal comma) and pandas writing the same table with
to_csv(sep="\\t", decimal=","). The pandas frame is built before its clock starts; the
station's program builds its samples before its clock starts too.
"""
import os
import subprocess
import sys
import tempfile
import time

import numpy as np
import pandas as pd

SAMPLES = 604800


def pandas_seconds(path):
    i = np.arange(SAMPLES)
    start = pd.Timestamp("2009-03-02 00:00:00")
    stamps = (start + pd.to_timedelta(i, unit="s")).strftime("%d.%m.%Y %H:%M:%S")
    columns = {"Datum/Zeit": stamps}
    for c in range(16):
        v1 = (7.0 + 0.001 * ((i * 7 + c * 13) % 5000)).astype(np.float32).astype(np.float64).round(2)
        v3 = (20.0 + 0.1 * ((i + c) % 100)).astype(np.float32).astype(np.float64).round(1)
        columns["S%d pH - Verstärker pH Wert [pH]" % c] = v1
        columns["S%d pH - Verstärker Temperatur [°C]" % c] = v3
    frame = pd.DataFrame(columns)
    t0 = time.perf_counter()
    frame.to_csv(path, sep="\t", decimal=",", index=False)
    return time.perf_counter() - t0


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    program = sys.argv[1]
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp()
    ours_path = os.path.join(work, "export_station.txt")
    pandas_path = os.path.join(work, "export_pandas.txt")
    ours = float(subprocess.check_output([program, ours_path]).decode().strip())
    theirs = pandas_seconds(pandas_path)
    print("station export: %.3f s (%d bytes)" % (ours, os.path.getsize(ours_path)))
    print("pandas to_csv:  %.3f s (%d bytes)" % (theirs, os.path.getsize(pandas_path)))
    print("ratio: %.1fx" % (theirs / ours))
    os.remove(ours_path)
    os.remove(pandas_path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
