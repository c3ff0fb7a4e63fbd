#!/usr/bin/env python3
"""Plots the record rate of each measure counter over time, from the module's counter stream.

    rate_plot.py [--host ADDRESS] [--seconds N] [--out rates.png] [DOCUMENT]

Without --host it starts vextor-sim with a ramping record rate and works on that. The document
(by default the example scaler.vxt3 beside this folder) names the counters and their units; its
software-gated counters are started for the run and stopped after it.
"""

import argparse
import sys
from collections import defaultdict
from pathlib import Path

import matplotlib

matplotlib.use("Agg")  # a file, no window
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import vextor  # noqa: E402

EXAMPLES = Path(__file__).resolve().parent.parent
BIN_SECONDS = 0.25


def collect(module: vextor.Module, doc: vextor.Document, seconds: float):
    """When each counter's records came (seconds since the epoch), from the stream's batches,
    and the totals of the run."""
    parts = defaultdict(list)
    with module.monitor(doc, seconds=seconds, start=True, batches=True) as batches:
        for batch in batches:
            for counter, times in batch.times.items():
                parts[counter].append(times)
        if batches.dropped:
            print(f"{batches.dropped} records came faster than they were plotted", file=sys.stderr)
    times = {counter: np.concatenate(arrays) for counter, arrays in parts.items()}
    return times, batches.totals


def plot(times, totals, out: Path) -> None:
    """Records per second of each counter in bins of BIN_SECONDS (whole bins only)."""
    stamps = [t for t in times.values() if len(t)]
    began = min(t[0] for t in stamps) if stamps else 0.0
    ended = max(t[-1] for t in stamps) if stamps else 0.0
    edges = np.arange(0.0, ended - began + 1e-9, BIN_SECONDS)
    names = {total.counter: total.name for total in totals}
    figure, axes = plt.subplots(figsize=(8, 4.5))
    for counter in sorted(times):
        counts, _ = np.histogram(times[counter] - began, edges)
        axes.plot(edges[:-1], counts / BIN_SECONDS, label=f"{counter} {names.get(counter, '')}")
    axes.set_xlabel("time [s]")
    axes.set_ylabel("records per second")
    axes.set_title("Measure counter rates")
    axes.legend()
    figure.tight_layout()
    figure.savefig(out)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", help="the module's address (default: start vextor-sim)")
    parser.add_argument("--udp-port", type=int, default=4660)
    parser.add_argument("--tcp-port", type=int, default=24)
    parser.add_argument("--seconds", type=float, default=5.0)
    parser.add_argument("--out", type=Path, default=Path("rates.png"))
    parser.add_argument("document", nargs="?", default=EXAMPLES / "scaler.vxt3")
    args = parser.parse_args()

    doc = vextor.Document.load(args.document)
    try:
        if args.host:
            module = vextor.Module(args.host, udp_port=args.udp_port, tcp_port=args.tcp_port)
            times, totals = collect(module, doc, args.seconds)
        else:
            with vextor.Simulator(rate=4000, rate_profile="ramp:%g" % args.seconds) as sim:
                sim.module.download(doc)
                times, totals = collect(sim.module, doc, args.seconds)
    except vextor.Error as error:
        print(f"{error.verdict}: {error.message}", file=sys.stderr)
        return 2
    for total in totals:
        print(f"{total.counter} {total.name}: {total.number} records")
    plot(times, totals, args.out)
    print(f"plotted to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
