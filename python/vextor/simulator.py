"""vextor.Simulator: vextor-sim, the software module, on free loopback ports."""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path
from typing import Any, List, Optional

from ._vextor import Module


def _find_program() -> str:
    """vextor-sim: $VEXTOR_SIM, else the one of the build tree this package was built in, else
    the one on PATH."""
    configured = os.environ.get("VEXTOR_SIM")
    if configured:
        return configured
    built = Path(__file__).resolve().parent.parent.parent / "sim" / "vextor-sim"
    if built.is_file() and os.access(built, os.X_OK):
        return str(built)
    found = shutil.which("vextor-sim")
    if found:
        return found
    raise FileNotFoundError("vextor-sim not found: set VEXTOR_SIM or install the vextor package")


def _arguments(options: dict) -> List[str]:
    """vextor-sim's options from keyword arguments: rate_profile="poisson" gives
    --rate-profile poisson, dup=True gives --dup, a False or None value is left out."""
    arguments = []
    for name, value in options.items():
        if value is None or value is False:
            continue
        arguments.append("--" + name.replace("_", "-"))
        if value is not True:
            arguments.append(os.fspath(value) if isinstance(value, os.PathLike) else str(value))
    return arguments


class Simulator:
    """vextor-sim, the software stand-in for the module, on free loopback ports, for tests and
    for trying without hardware.

    Keyword arguments are vextor-sim's options (see its manual page): ``Simulator(loss=0.1,
    seed=7)``, ``Simulator(rate="max")``, ``Simulator(state="module.bin")``,
    ``Simulator(preview_stimulus="scaler.stim")``; ``timeout`` is the Module's. As a context
    manager it starts the simulator and stops it at the end::

        with vextor.Simulator() as sim:
            sim.module.download(doc)
    """

    def __init__(self, timeout: float = 1.0, program: Optional[str] = None, **options: Any) -> None:
        self.timeout = timeout
        self.program = program or _find_program()
        self.options = dict(options)
        self.udp_port = 0
        self.tcp_port = 0
        self._process: Optional[subprocess.Popen] = None
        self._errors: Optional[Any] = None
        self._module: Optional[Module] = None

    def start(self) -> "Simulator":
        """Starts vextor-sim and waits until it listens. RuntimeError when it does not start."""
        if self._process is not None:
            return self
        command = [self.program, "--bind", "127.0.0.1", "--udp", "0", "--tcp", "0"]
        command += _arguments(self.options)
        # What it says on stderr goes to a file: a pipe nobody reads would stop it once full.
        self._errors = tempfile.TemporaryFile(mode="w+")
        self._process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                         stderr=self._errors, text=True)
        line = self._process.stdout.readline()
        words = dict(word.split("=", 1) for word in line.split()[1:] if "=" in word)
        if not line.startswith("vextor-sim ") or "udp" not in words or "tcp" not in words:
            self._process.kill()
            self._process.communicate()
            self._process = None
            raise RuntimeError("vextor-sim did not start: " + (self.errors().strip() or line.strip()))
        self.udp_port = int(words["udp"])
        self.tcp_port = int(words["tcp"])
        self._module = Module("127.0.0.1", udp_port=self.udp_port, tcp_port=self.tcp_port,
                              timeout=self.timeout)
        return self

    def stop(self) -> str:
        """Stops vextor-sim (as Ctrl+C would: it saves its state file) and returns what it
        printed after its first line (with preview_stimulus, the time emulated and the pulses)."""
        if self._process is None:
            return ""
        process, self._process = self._process, None
        process.terminate()
        try:
            output, _ = process.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            output, _ = process.communicate()
        return output

    def errors(self) -> str:
        """What vextor-sim has written on its standard error so far."""
        if self._errors is None:
            return ""
        self._errors.seek(0)
        return self._errors.read()

    @property
    def module(self) -> Module:
        """The Module that reaches this simulator."""
        if self._module is None or self._process is None:
            raise RuntimeError("the simulator is not running: use start() or a with block")
        return self._module

    @property
    def running(self) -> bool:
        """Whether vextor-sim has been started and has not exited."""
        return self._process is not None and self._process.poll() is None

    def __enter__(self) -> "Simulator":
        return self.start()

    def __exit__(self, *exc: Any) -> None:
        self.stop()

    def __del__(self) -> None:
        if self._process is not None:
            self._process.kill()
            self._process.wait()
