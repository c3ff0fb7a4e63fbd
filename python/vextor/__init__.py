"""Vextor for Python: the editor's and vextor-cli's operations on documents and on logic modules.

    import vextor

    doc = vextor.Document.load("coincidence.vxt3")
    module = vextor.Module("192.168.10.16")
    module.download(doc)
    assert module.verify(doc).matched

Module.monitor() gives the counter stream as Records or as Batches of NumPy arrays.
vextor.Simulator starts vextor-sim, the software module, for trying without hardware. Every
operation that does not end done raises a vextor.Error subclass (see vextor.errors); what an
operation noticed on the way comes as a vextor.Notice warning.
"""

from ._vextor import Document, Module, Monitor
from .errors import (CancelledError, CommunicationError, DamagedSlotError, DrcError, Error,
                     ExpressionError, FileError, MemoryFullError, MismatchError, NoDataError,
                     NoSuchBlockError, NotDownloadedError, Notice, RegistersDifferError,
                     RegistersModifiedError,
                     WriteProtectedError)
from .results import (Batch, CounterLog, CounterSummary, CounterTotal, Difference, DrcReport,
                      EepromSettings, Mismatch, Operand, OutputSummary, Preview, Protection, Record,
                      RegisterWrite, Status, TruthTable, TruthTableRow, VerifyResult)
from .simulator import Simulator

__all__ = [
    "Document", "Module", "Monitor", "Simulator",
    "Error", "CancelledError", "CommunicationError", "DamagedSlotError", "DrcError",
    "ExpressionError", "FileError", "MemoryFullError", "MismatchError", "NoDataError",
    "NoSuchBlockError", "NotDownloadedError", "RegistersDifferError", "RegistersModifiedError", "WriteProtectedError",
    "Notice",
    "Batch", "CounterLog", "CounterSummary", "CounterTotal", "Difference", "DrcReport",
    "EepromSettings", "Mismatch", "Operand", "OutputSummary", "Preview", "Protection", "Record",
    "RegisterWrite", "Status", "TruthTable", "TruthTableRow", "VerifyResult",
]
