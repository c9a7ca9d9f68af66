#!/usr/bin/python3
"""SciPy's side of bench_eis_fit: the same circuit fit with scipy.optimize.least_squares.

Usage: eis_vs_scipy.py DATA.txt

DATA.txt: a first line "CIRCUIT Rs Rct Q n sigma" (the start values), then "hz re im" per point.
The model, the modulus weighting (real and imaginary residuals stacked), the log-parameters and
the analytic Jacobian are those of the station's fit. Prints the fitted Rs Rct Q n sigma, then
the processor seconds per fit with method "lm" (MINPACK, as the station's solver) and with "trf".
"""
import sys
import time

import numpy as np
from scipy.optimize import least_squares


def model(p, w, warburg):
    rs, rct, q, n = p[:4]
    cpe = (1j * w) ** n
    zw = p[4] * (1 - 1j) / np.sqrt(w) if warburg else 0.0
    branch = rct + zw
    y = q * cpe + 1.0 / branch
    return rs + 1.0 / y, cpe, branch, y


def main():
    with open(sys.argv[1]) as f:
        head = f.readline().split()
        data = np.loadtxt(f)
    warburg = head[0] == "randles-w"
    npar = 5 if warburg else 4
    start = np.log(np.array([float(v) for v in head[1:1 + npar]]))
    w = 2.0 * np.pi * data[:, 0]
    z = data[:, 1] + 1j * data[:, 2]
    scale = 1.0 / np.abs(z)

    def params(x):
        p = np.exp(x)
        return p if warburg else np.append(p, 0.0)

    def residuals(x):
        r = (model(params(x), w, warburg)[0] - z) * scale
        return np.concatenate([r.real, r.imag])

    def jacobian(x):
        p = params(x)
        _, cpe, branch, y = model(p, w, warburg)
        dzdy = -1.0 / (y * y)
        dbranch = -1.0 / (branch * branch)
        cols = [np.ones_like(w) + 0j, dzdy * dbranch, dzdy * cpe, dzdy * p[2] * cpe * (np.log(w) + 1j * np.pi / 2)]
        if warburg:
            cols.append(dzdy * dbranch * (1 - 1j) / np.sqrt(w))
        d = np.stack(cols, axis=1) * p[:npar] * scale[:, None]
        return np.concatenate([d.real, d.imag])

    def fit(method):
        return least_squares(residuals, start, jac=jacobian, method=method, x_scale="jac",
                             ftol=1e-12, xtol=1e-12, gtol=1e-15 if method == "lm" else None, max_nfev=2000)

    def seconds(method, runs=100):
        fit(method)
        t0 = time.process_time()
        for _ in range(runs):
            fit(method)
        return (time.process_time() - t0) / runs

    result = params(fit("lm").x)
    print(" ".join("%.17g" % v for v in result), "%.9g" % seconds("lm"), "%.9g" % seconds("trf"))


if __name__ == "__main__":
    main()
