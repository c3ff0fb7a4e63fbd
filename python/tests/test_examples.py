"""The scripts in examples/python run as a user runs them (on vextor-sim)."""

import subprocess

from conftest import SOURCE_DIR

SCRIPTS = SOURCE_DIR / "examples" / "python"


def run(python, script, *args, cwd=None):
    return subprocess.run([python, str(SCRIPTS / script), *args], capture_output=True, text=True,
                          check=False, cwd=cwd, timeout=120)


def test_download_verify(python):
    done = run(python, "download_verify.py")
    assert done.returncode == 0, done.stderr
    lines = done.stdout.splitlines()
    assert lines[1] == "coincidence: Verify: The Register data is matched."
    assert lines[2] == "multi-sheet: Verify: The Register data don't match."


def test_rate_plot(python, tmp_path):
    plot = tmp_path / "rates.png"
    done = run(python, "rate_plot.py", "--seconds", "1", "--out", str(plot))
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines()[0].startswith("0 RATE_1: ") and plot.stat().st_size > 0
