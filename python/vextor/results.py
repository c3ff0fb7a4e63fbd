"""What the operations of the vextor module return: plain, immutable records.

The field names are those of vextor-cli's JSON output for the same command.
"""

from typing import Any, Dict, List, NamedTuple, Optional, Tuple


class RegisterWrite(NamedTuple):
    """One register byte a download writes, in write order."""

    address: int
    byte: int


class DrcReport(NamedTuple):
    """The design rule check of a document: the report's lines as printed, and its errors and
    warnings each without the "error: " or "warning: " in front."""

    lines: List[str]
    errors: List[str]
    warnings: List[str]

    @property
    def ok(self) -> bool:
        """No errors (warnings allow a download)."""
        return not self.errors


class Operand(NamedTuple):
    """An operand of a logic expression ("_A" ...) and the net that drives it (None when the
    input is unconnected)."""

    operand: str
    net: Optional[str]


class TruthTableRow(NamedTuple):
    """One row: the value of each operand, in the order of the operands, and the output."""

    inputs: Tuple[int, ...]
    output: int


class TruthTable(NamedTuple):
    """The truth table of a PreLogic or PostLogic block and a minimal form of its expression (a
    reading aid: the expression itself is what the module gets)."""

    block: str
    expression: str
    operands: List[Operand]
    rows: List[TruthTableRow]
    all_rows: bool
    true_rows: int
    minimal_form: str
    text: str


class OutputSummary(NamedTuple):
    """What an output channel of the diagram did in a preview."""

    channel: int
    name: str
    pulses: int
    rate_hz: float


class CounterSummary(NamedTuple):
    """What a measure counter of the diagram delivered in a preview; unit "ns" for the
    time-type counters, else empty."""

    counter: int
    name: str
    records: int
    sum: int
    last: int
    unit: str


class Preview(NamedTuple):
    """A preview: the time emulated, per output and per measure counter what it did, the VCD
    file written (or None), whether the waveform trace filled up, and the report as text."""

    emulated_ns: int
    cycles: int
    outputs: List[OutputSummary]
    counters: List[CounterSummary]
    vcd: Optional[str]
    trace_full: bool
    text: str


class Mismatch(NamedTuple):
    """The first register or table entry in which the module differs from the document;
    ``module`` is None where the module's read-out ended before it."""

    address: int
    document: int
    module: Optional[int]


class Difference(NamedTuple):
    """One setting in which the module differs: the register or table entry, the bit (None for
    a whole register), the block and setting it comes from, and both values."""

    setting: str
    address: int
    bit: Optional[int]
    module: int
    document: int


class VerifyResult(NamedTuple):
    """A verification: whether the module holds the document, the first mismatch, every
    setting that differs, the verdict's text, and why the differences could not be listed
    (``detail``, empty when they could)."""

    matched: bool
    first_mismatch: Optional[Mismatch]
    differences: List[Difference]
    text: str
    detail: str

    def __bool__(self) -> bool:
        return self.matched


class Status(NamedTuple):
    """The module's version, write protection and ROM slots. The ROM information (boot slot and
    comments) is there only while the registers are writable."""

    version: str
    version_bytes: bytes
    protect: int
    registers_protected: bool
    rom_writing_enabled: bool
    rom_information: bool
    boot_slot: Optional[int]
    comments: List[str]


class Protection(NamedTuple):
    """Write protection of the registers now and of the value the module applies at boot."""

    current: bool
    boot: bool


class EepromSettings(NamedTuple):
    """The network settings in the module's EEPROM; ``text`` as the editor shows them."""

    mac_address: str
    ip_address: str
    tcp_data_port: int
    tcp_command_port: int
    tcp_max_segment_size: int
    udp_port: int
    tcp_keep_alive_not_empty_msec: int
    tcp_keep_alive_empty_msec: int
    tcp_timeout_connecting_msec: int
    tcp_timeout_disconnect_msec: int
    tcp_reconnect_interval_msec: int
    tcp_retransmission_timer_msec: int
    text: str


class Record(NamedTuple):
    """One measure-counter record: the counter (0..3), its value in the counter's unit, the
    unit ("usec", "msec", "sec", "nsec", or empty for a counter of events), and when it was taken
    from the connection (seconds since the epoch, to the millisecond)."""

    counter: int
    value: float
    unit: str
    time: float


class Batch(dict):
    """The records of the counter stream that came until 20 ms after the first of them, or until
    65536 were waiting: per counter (0..3) a NumPy array of the values in the counter's unit, in
    the order they came. Every measure counter of the document has its entry, empty when it
    delivered nothing.

    Attributes:
        times: per counter the array of when each record was taken from the connection
            (seconds since the epoch, to the millisecond).
        dropped: records lost before these because more than the monitor's capacity waited.
    """

    def __init__(self, values: Dict[int, Any], times: Dict[int, Any], dropped: int = 0) -> None:
        super().__init__(values)
        self.times = times
        self.dropped = dropped

    @property
    def records(self) -> int:
        """Records in the batch, over all counters."""
        return sum(len(values) for values in self.values())


class CounterTotal(NamedTuple):
    """What a measure counter delivered since the stream was connected: the number of records
    and the sum of their values (``integration``) in its unit, as vextor-cli monitor totals them."""

    counter: int
    name: str
    number: int
    integration: float
    unit: str


class CounterLog(NamedTuple):
    """A counter's CSV log of the stream and the records it holds."""

    counter: int
    name: str
    records: int
    file: str
