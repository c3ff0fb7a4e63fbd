"""The errors of the vextor module: one class per way an operation can end other than done.

Every error is a :class:`vextor.Error`; its ``verdict`` is the name vextor-cli's JSON output
uses for the same outcome (``"write_protected"``, ``"communication_failure"``, ...) and its
``message`` the text the editor and vextor-cli show. Details an outcome carries are attributes
of the error (``report`` of a design rule check, ``result`` of a verification, ...).
"""

from typing import Any, Dict, Type


class Notice(UserWarning):
    """What an operation noticed or put right on the way, or what the reader of a document said
    about it (a setting brought into range, ROM writing left enabled and switched off)."""


class Error(Exception):
    """An operation did not do what it was asked.

    Attributes:
        message: the text for the user.
        verdict: how the operation ended, as vextor-cli --json names it.
        detail: the module's own text where ``message`` stands for it, else "".
    """

    def __init__(self, message: str, verdict: str = "", **details: Any) -> None:
        super().__init__(message)
        self.message = message
        self.verdict = verdict
        self.detail = ""
        for name, value in details.items():
            setattr(self, name, value)

    def __str__(self) -> str:
        return self.message


class DrcError(Error):
    """The design rule check found errors; nothing was sent. ``report`` is the DrcReport."""


class ExpressionError(Error, ValueError):
    """A logic expression of the document does not compile; nothing was sent."""


class WriteProtectedError(Error):
    """The module's registers are write-protected."""


class MismatchError(Error):
    """The module does not hold the document where a match was required. ``result`` is the
    VerifyResult with the first mismatch and every difference."""


class NotDownloadedError(Error):
    """A ROM save of a document the module does not hold, without ``force=True``."""


class MemoryFullError(Error):
    """A ROM save stored the registers, but the ROM had no room left for the document."""


class NoDataError(Error):
    """The ROM slot holds no document."""


class DamagedSlotError(Error):
    """The document stored in a ROM slot does not parse. ``document`` holds its bytes all the
    same."""


class RegistersDifferError(Error):
    """The module runs other registers than the document stored for its ROM slot describes.
    ``document`` holds the stored bytes, ``first_mismatch`` the first register that differs."""


class RegistersModifiedError(Error):
    """The module's registers changed since their ROM slot was loaded: there is no document
    to synchronise with."""


class CommunicationError(Error, ConnectionError):
    """The module was not reached, or it did not carry out the job (also a counter stream that
    could not be connected or was lost)."""


class CancelledError(Error):
    """The operation was stopped before its end."""


class FileError(Error, OSError):
    """A file could not be read or written (a document, a stimulus, a VCD file, a log)."""


class NoSuchBlockError(Error, LookupError):
    """The document has no PreLogic or PostLogic block of that name."""


_BY_VERDICT: Dict[str, Type[Error]] = {
    "drc_errors": DrcError,
    "expression_error": ExpressionError,
    "write_protected": WriteProtectedError,
    "mismatch": MismatchError,
    "not_downloaded": NotDownloadedError,
    "memory_full": MemoryFullError,
    "no_data": NoDataError,
    "damaged_slot": DamagedSlotError,
    "registers_modified": RegistersModifiedError,
    "registers_differ": RegistersDifferError,
    "communication_failure": CommunicationError,
    "cancelled": CancelledError,
    "file_failure": FileError,
    "no_such_block": NoSuchBlockError,
}


def error_class(verdict: str) -> Type[Error]:
    """The class of error raised for a verdict (Error itself for one it does not know)."""
    return _BY_VERDICT.get(verdict, Error)
