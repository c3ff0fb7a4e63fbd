"""Fixtures of the module's suite: the example documents, vextor-cli and a fresh vextor-sim."""

import json
import os
import subprocess
import sys
from pathlib import Path

import pytest

import vextor

SOURCE_DIR = Path(os.environ.get("VEXTOR_SOURCE_DIR", Path(__file__).resolve().parents[2]))
EXAMPLES = SOURCE_DIR / "examples"


def example(name: str) -> Path:
    return EXAMPLES / (name + ".vxt3")


def cli(*args: str, module: "vextor.Module" = None) -> dict:
    """vextor-cli --json with these arguments (aimed at the module, if given): its result."""
    program = os.environ.get("VEXTOR_CLI", str(SOURCE_DIR / "build" / "cli" / "vextor-cli"))
    target = []
    if module is not None:
        target = ["-h", module.host, "-u", str(module.udp_port), "-t", str(module.tcp_port), "-o", "1"]
    run = subprocess.run([program, *target, "--json", *args], capture_output=True, text=True,
                         encoding="utf-8", check=False)
    return json.loads(run.stdout.splitlines()[-1])


@pytest.fixture
def sim():
    with vextor.Simulator(timeout=1) as simulator:
        yield simulator


@pytest.fixture
def python():
    """The interpreter running the suite, for the examples run as scripts."""
    return sys.executable
