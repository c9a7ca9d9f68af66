#!/usr/bin/python3
"""SciPy's side of bench_eis_fit: the same circuit fit with scipy.optimize.least_squares.

Usage: eis_vs_scipy.py DATA.txt

DATA.txt: a first line "CIRCUIT p1 p2 ..." (the circuit string and the start values in the
order of its parameters), then "hz re im" per point. The circuits are written out here as
closed forms, apart from the station's model; the weighting is the station's (residuals
(Z_model - Z) / |Z|, real and imaginary parts stacked). The parameterisation is SciPy's own:
ln p for every positive parameter, a CPE's n as it is within the solver's bounds 0..1 (method
trf). Prints the fitted parameters, chi2, then the processor seconds per fit.
"""
import sys
import time

import numpy as np
from scipy.optimize import least_squares


def jw(w, n):
    return (1j * w) ** n


def warburg(w, sigma):
    return sigma * (1 - 1j) / np.sqrt(w)


# Each circuit: its model over the natural parameters and which of them are a CPE's n.
CIRCUITS = {
    "R0-p(R1,CPE1)": (
        lambda w, p: p[0] + p[1] / (1 + p[1] * p[2] * jw(w, p[3])),
        [3]),
    "R0-p(R1,C1)": (
        lambda w, p: p[0] + p[1] / (1 + 1j * w * p[1] * p[2]),
        []),
    "R0-p(R1,CPE1)-p(R2,CPE2)": (
        lambda w, p: p[0] + p[1] / (1 + p[1] * p[2] * jw(w, p[3])) + p[4] / (1 + p[4] * p[5] * jw(w, p[6])),
        [3, 6]),
    "R0-p(R1-W1,CPE1)": (
        lambda w, p: p[0] + 1 / (p[3] * jw(w, p[4]) + 1 / (p[1] + warburg(w, p[2]))),
        [4]),
    "L0-R0-p(R1-W1,CPE1)": (
        lambda w, p: 1j * w * p[0] + p[1] + 1 / (p[4] * jw(w, p[5]) + 1 / (p[2] + warburg(w, p[3]))),
        [5]),
}


def main():
    with open(sys.argv[1]) as f:
        head = f.readline().split()
        data = np.loadtxt(f)
    model, exponents = CIRCUITS[head[0]]
    start = np.array([float(v) for v in head[1:]])
    w = 2.0 * np.pi * data[:, 0]
    z = data[:, 1] + 1j * data[:, 2]
    scale = 1.0 / np.abs(z)
    log = np.array([k not in exponents for k in range(len(start))])

    def params(x):
        return np.where(log, np.exp(x), x)

    def residuals(x):
        r = (model(w, params(x)) - z) * scale
        return np.concatenate([r.real, r.imag])

    x0 = np.where(log, np.log(start), np.clip(start, 0.0, 1.0 - 1e-9))
    lower = np.where(log, -np.inf, 0.0)
    upper = np.where(log, np.inf, 1.0)

    def fit():
        return least_squares(residuals, x0, jac="3-point", bounds=(lower, upper), method="trf", x_scale="jac",
                             ftol=1e-15, xtol=1e-15, gtol=1e-15, max_nfev=20000)

    result = fit()
    runs = 5
    t0 = time.process_time()
    for _ in range(runs):
        fit()
    seconds = (time.process_time() - t0) / runs
    chi2 = float(np.sum(result.fun ** 2))
    print(" ".join("%.17g" % v for v in params(result.x)), "%.17g" % chi2, "%.9g" % seconds)


if __name__ == "__main__":
    main()
