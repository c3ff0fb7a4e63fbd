#!/usr/bin/env python3
"""Plots the record rate of each measure counter over time, from the module's counter stream.

    rate_plot.py [--host ADDRESS] [--seconds N] [--out rates.png] [DOCUMENT]

Without --host it starts vextor-sim with a ramping record rate and works on that. The document
(by default the example scaler.vxt3 beside this folder) names the counters and their units; its
software-gated counters are started for the run and stopped after it.
"""

import argparse
import sys
import time
from collections import defaultdict
from pathlib import Path

import matplotlib

matplotlib.use("Agg")  # a file, no window
import matplotlib.pyplot as plt  # noqa: E402

import vextor  # noqa: E402

EXAMPLES = Path(__file__).resolve().parent.parent
BIN_SECONDS = 0.25


def collect(module: vextor.Module, doc: vextor.Document, seconds: float):
    """Records per counter in bins of BIN_SECONDS, from the stream's batches."""
    counts = defaultdict(lambda: defaultdict(int))
    began = time.monotonic()
    with module.monitor(doc, seconds=seconds, start=True, batches=True) as batches:
        for batch in batches:
            slot = int((time.monotonic() - began) / BIN_SECONDS)
            for counter, values in batch.items():
                counts[counter][slot] += len(values)
        totals = batches.totals
    return counts, totals


def plot(counts, totals, out: Path) -> None:
    names = {total.counter: total.name for total in totals}
    figure, axes = plt.subplots(figsize=(8, 4.5))
    for counter in sorted(counts):
        slots = sorted(counts[counter])
        axes.plot([s * BIN_SECONDS for s in slots], [counts[counter][s] / BIN_SECONDS for s in slots],
                  label=f"{counter} {names.get(counter, '')}")
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
            counts, totals = collect(module, doc, args.seconds)
        else:
            with vextor.Simulator(rate=4000, rate_profile="ramp:%g" % args.seconds) as sim:
                sim.module.download(doc)
                counts, totals = collect(sim.module, doc, args.seconds)
    except vextor.Error as error:
        print(f"{error.verdict}: {error.message}", file=sys.stderr)
        return 2
    for total in totals:
        print(f"{total.counter} {total.name}: {total.number} records")
    plot(counts, totals, args.out)
    print(f"plotted to {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
