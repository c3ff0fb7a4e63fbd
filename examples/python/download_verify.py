#!/usr/bin/env python3
"""Downloads a document to a module, verifies it, and shows that another document does not match.

    download_verify.py [--host ADDRESS] [DOCUMENT] [OTHER]

Without --host it starts vextor-sim, the software module, and works on that. The documents
default to the examples coincidence.vxt3 and multi-sheet.vxt3 beside this folder.
"""

import argparse
import sys
from pathlib import Path

import vextor

EXAMPLES = Path(__file__).resolve().parent.parent


def download_and_verify(module: vextor.Module, doc: vextor.Document, other: vextor.Document) -> int:
    writes = doc.image()
    print(f"{doc.name}: {len(writes)} register bytes, first at 0x{writes[0].address:08x}")
    module.download(doc)
    result = module.verify(doc)
    print(f"{doc.name}: {result.text}")
    if not result.matched:
        return 1
    other_result = module.verify(other)
    print(f"{other.name}: {other_result.text.splitlines()[0]}")
    for difference in other_result.differences[:5]:
        print(f"  {difference.setting}: module {difference.module}, document {difference.document}")
    return 0 if not other_result.matched else 1


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", help="the module's address (default: start vextor-sim)")
    parser.add_argument("--udp-port", type=int, default=4660)
    parser.add_argument("document", nargs="?", default=EXAMPLES / "coincidence.vxt3")
    parser.add_argument("other", nargs="?", default=EXAMPLES / "multi-sheet.vxt3")
    args = parser.parse_args()

    doc = vextor.Document.load(args.document)
    other = vextor.Document.load(args.other)
    try:
        if args.host:
            return download_and_verify(vextor.Module(args.host, udp_port=args.udp_port), doc, other)
        with vextor.Simulator() as sim:
            return download_and_verify(sim.module, doc, other)
    except vextor.Error as error:
        print(f"{error.verdict}: {error.message}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
