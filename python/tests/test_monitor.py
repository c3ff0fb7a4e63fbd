"""The counter monitor against vextor-sim: records, batches, the end of a run and its errors."""

import os
import signal
import socket
import threading

import numpy as np
import pytest

import vextor
from conftest import example

START_REGISTERS = 0x64  # one per counter: 0x80 while a software-gated counter runs


@pytest.fixture
def streaming():
    """vextor-sim streaming 4000 records a second, holding the scaler example (counters 0 to 3,
    all software-gated)."""
    with vextor.Simulator(timeout=1, rate=4000) as simulator:
        doc = vextor.Document.load(example("scaler"))
        simulator.module.download(doc)
        yield simulator, doc


def test_records_follow_the_totals_and_logs(streaming, tmp_path):
    sim, doc = streaming
    with sim.module.monitor(doc, start=True, until_count=(2, 300), log_dir=tmp_path) as monitor:
        assert monitor.running
        records = list(monitor)
    assert monitor.reason == "count_reached" and not monitor.running and monitor.dropped == 0
    units = {total.counter: total.unit for total in monitor.totals}
    assert units == {0: "usec", 1: "usec", 2: "usec", 3: ""}
    for total in monitor.totals:
        mine = [r for r in records if r.counter == total.counter]
        assert len(mine) == total.number and all(r.unit == total.unit for r in mine)
        assert sum(r.value for r in mine) == pytest.approx(total.integration)
    assert monitor.totals[2].number == 300
    assert [(log.counter, log.records) for log in monitor.logs] == [(t.counter, t.number) for t in monitor.totals]
    assert all(os.path.dirname(log.file) == str(tmp_path) for log in monitor.logs)
    # The counters it started are stopped again.
    assert sim.module.read_registers(START_REGISTERS, 4) == bytes(4)


def test_batches_are_arrays_per_counter(streaming):
    sim, doc = streaming
    delivered = {counter: 0 for counter in range(4)}
    sums = dict.fromkeys(range(4), 0.0)
    with sim.module.monitor(doc, seconds=0.5, start=True, batches=True) as monitor:
        for batch in monitor:
            assert set(batch) == {0, 1, 2, 3} and batch.dropped == 0
            for counter, values in batch.items():
                times = batch.times[counter]
                assert values.dtype == np.float64 and len(times) == len(values)
                assert np.all(np.diff(times) >= 0)
                delivered[counter] += len(values)
                sums[counter] += values.sum()
    assert monitor.reason == "time_elapsed"
    assert delivered == {t.counter: t.number for t in monitor.totals} and sum(delivered.values()) > 0
    assert sums == pytest.approx({t.counter: t.integration for t in monitor.totals})


def test_a_lost_stream_raises_after_its_records(streaming):
    sim, doc = streaming
    sim.module.start_counter(2)  # started here: no stop write is left to fail
    monitor = sim.module.monitor(doc, batches=True)
    delivered = 0
    with pytest.raises(vextor.CommunicationError) as raised:
        for batch in monitor:
            delivered += batch.records
            if delivered > 100:
                sim.stop()
    assert monitor.reason == "connection_lost" and raised.value.verdict == "communication_failure"
    assert sum(t.number for t in raised.value.totals) == delivered


def test_a_module_that_does_not_answer():
    with socket.socket() as closed:
        closed.bind(("127.0.0.1", 0))
        port = closed.getsockname()[1]  # bound, never listening: the connection is refused
        module = vextor.Module("127.0.0.1", tcp_port=port)
        with pytest.raises(vextor.CommunicationError, match="Connection refused"):
            module.monitor(vextor.Document.load(example("scaler")), seconds=5)


def test_ctrl_c_stops_a_running_monitor(streaming):
    sim, doc = streaming
    with sim.module.monitor(doc, start=True) as monitor:
        threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()
        with pytest.raises(KeyboardInterrupt):
            for _ in monitor:
                pass
        assert not monitor.running and monitor.reason == "stopped"
    assert sim.module.read_registers(START_REGISTERS, 4) == bytes(4)


@pytest.mark.parametrize("document, arguments", [
    ("coincidence", {}),  # no measure counter
    ("scaler", {"seconds": 0}),
    ("scaler", {"until_count": (1, 0)}),
    ("scaler", {"capacity": 0}),
])
def test_monitor_arguments_are_checked(document, arguments):
    module = vextor.Module("127.0.0.1", tcp_port=9)
    with pytest.raises(ValueError):
        module.monitor(vextor.Document.load(example(document)), **arguments)
