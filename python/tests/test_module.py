"""Device operations against vextor-sim: results, and the error each failure raises."""

import os
import signal
import socket
import threading
import time

import pytest

import vextor
from conftest import example


def test_download_then_verify_match_and_mismatch(sim):
    coincidence = vextor.Document.load(example("coincidence"))
    steps = []
    report = sim.module.download(coincidence, progress=lambda *step: steps.append(step))
    assert report.ok and report.lines == ["No error detected."]
    assert steps[0] == ("Download - TAMP Access", 8256, 0) and steps[-1][2] > 0

    result = sim.module.verify(coincidence)
    assert result.matched and result.first_mismatch is None and not result.differences
    assert result.text == "Verify: The Register data is matched."

    other = sim.module.verify(vextor.Document.load(example("multi-sheet")))
    assert not other.matched and other.first_mismatch.module is not None
    assert other.differences and all(d.module != d.document for d in other.differences)
    assert other.text.startswith("Verify: The Register data don't match.")
    with pytest.raises(vextor.MismatchError) as raised:
        sim.module.verify(vextor.Document.load(example("multi-sheet")), strict=True)
    assert raised.value.verdict == "mismatch" and raised.value.result == other


def test_rom_save_restore_and_sync(sim):
    doc = vextor.Document.load(example("scaler"))
    with pytest.raises(vextor.NotDownloadedError, match="force=True"):
        sim.module.rom_save(doc, 4, comment="run 7")
    sim.module.download(doc)
    sim.module.rom_save(doc, 4, comment="run 7", boot=True)
    status = sim.module.status()
    assert status.comments[4] == "run 7" and status.boot_slot == 4 and status.rom_information

    restored = sim.module.rom_restore(4)
    assert restored.name == "ROM4-run 7" and restored.path is None
    assert restored.image() == doc.image()
    assert sim.module.sync().to_xml() == restored.to_xml()
    with pytest.raises(vextor.NoDataError) as raised:
        sim.module.rom_restore(5)
    assert raised.value.verdict == "no_data"


def test_settings_of_the_module(sim):
    assert sim.module.user_control(0x0205) == 0x0205 and sim.module.user_control() == 0x0205
    assert sim.module.eeprom().udp_port == sim.udp_port
    assert sim.module.protect(boot=True) == vextor.Protection(current=False, boot=True)
    with pytest.raises(ValueError):
        sim.module.user_control(0x10000)


def test_a_protected_module_refuses_writes(sim):
    assert sim.module.protect(current=True).current
    doc = vextor.Document.load(example("coincidence"))
    for write in (lambda: sim.module.download(doc), lambda: sim.module.rom_save(doc, 1, force=True)):
        with pytest.raises(vextor.WriteProtectedError) as raised:
            write()
        assert raised.value.message == "The Register is write-protected."
    assert not sim.module.status().rom_information


@pytest.fixture
def silent_port():
    """A UDP port on loopback that takes requests and never answers."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as silent:
        silent.bind(("127.0.0.1", 0))
        yield silent.getsockname()[1]


def test_a_module_that_does_not_answer(silent_port):
    module = vextor.Module("127.0.0.1", udp_port=silent_port, timeout=1)
    doc = vextor.Document.load(example("coincidence"))
    calling = threading.Event()
    ended = {}

    def download():
        calling.set()
        with pytest.raises(vextor.CommunicationError) as error:
            module.download(doc)
        ended["at"], ended["error"] = time.monotonic(), error.value

    worker = threading.Thread(target=download)
    worker.start()
    calling.wait()
    # The waiting call has let go of the GIL: this thread runs Python meanwhile.
    assert vextor.Document.load(example("scaler")).image()
    meanwhile = time.monotonic()
    worker.join()
    assert meanwhile < ended["at"]
    error = ended["error"]
    assert isinstance(error, ConnectionError) and error.verdict == "communication_failure"
    assert "QTamp: Socket operation timed out" in error.message


def test_ctrl_c_stops_a_running_operation(silent_port):
    module = vextor.Module("127.0.0.1", udp_port=silent_port, timeout=20)
    threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
    began = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        module.status()
    assert time.monotonic() - began < 20  # the first attempt's wait was cut short


def test_a_failing_progress_callback_stops_the_download(sim):
    def progress(label, maximum, value):
        raise RuntimeError("stop here")

    with pytest.raises(RuntimeError, match="stop here"):
        sim.module.download(vextor.Document.load(example("coincidence")), progress=progress)
    assert not sim.module.verify(vextor.Document.load(example("coincidence"))).matched


@pytest.mark.parametrize("arguments", [
    {"host": "module.example"}, {"host": "127.0.0.1", "udp_port": 0},
    {"host": "127.0.0.1", "timeout": 0}, {"host": "127.0.0.1", "timeout": 61},
])
def test_module_arguments_are_checked(arguments):
    with pytest.raises(ValueError):
        vextor.Module(**arguments)
