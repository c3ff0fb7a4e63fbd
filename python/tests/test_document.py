"""Documents without a module: what Python reports is what vextor-cli reports."""

import pytest

import vextor
from conftest import EXAMPLES, cli, example

NAMES = sorted(path.stem for path in EXAMPLES.glob("*.vxt3"))


@pytest.mark.parametrize("name", NAMES)
def test_image_drc_and_preview_equal_the_cli(name, tmp_path):
    doc = vextor.Document.load(example(name))
    image = cli("image", str(example(name)))["data"]["writes"]
    assert [(w.address, w.byte) for w in doc.image()] == [(w["address"], w["byte"]) for w in image]
    assert doc.drc()._asdict() == cli("drc", str(example(name)))["data"]

    stimulus = EXAMPLES / (name + ".stim")
    expected = cli("preview", str(example(name)), str(stimulus), "--duration", "20us")
    preview = doc.preview(stimulus, duration=20e-6, vcd=tmp_path / "run.vcd")
    assert preview.text == expected["text"]
    assert [o._asdict() for o in preview.outputs] == expected["data"]["outputs"]
    assert [c._asdict() for c in preview.counters] == expected["data"]["counters"]
    assert (preview.emulated_ns, preview.cycles) == (20000, 4000)
    assert "$timescale 1 ns $end" in (tmp_path / "run.vcd").read_text()


def test_truth_table_equals_the_cli():
    doc = vextor.Document.load(example("coincidence"))
    table = doc.truth_table("COINC")
    expected = cli("truth-table", str(example("coincidence")), "COINC")
    assert table.text == expected["text"]
    assert [o._asdict() for o in table.operands] == expected["data"]["operands"]
    assert [{"inputs": list(r.inputs), "output": r.output} for r in table.rows] == expected["data"]["rows"]
    assert (table.block, table.minimal_form, table.true_rows) == ("PreLgc0", "_A and _B", 1)


def test_save_and_reload_keep_the_document(tmp_path):
    doc = vextor.Document.load(example("multi-sheet"))
    doc.save(tmp_path / "copy.vxt3")
    assert doc.path == str(tmp_path / "copy.vxt3") and doc.name == "copy"
    again = vextor.Document.load(tmp_path / "copy.vxt3")
    assert again.to_xml() == doc.to_xml()
    assert vextor.Document.from_xml(doc.to_xml()).image() == doc.image()


@pytest.mark.parametrize("call, error, verdict", [
    (lambda: vextor.Document.load("/nonexistent/x.vxt3"), vextor.FileError, "file_failure"),
    (lambda: vextor.Document.from_xml(b"<not a document"), vextor.FileError, "file_failure"),
    (lambda: vextor.Document.load(example("coincidence")).truth_table("NOPE"),
     vextor.NoSuchBlockError, "no_such_block"),
    (lambda: vextor.Document.load(example("coincidence")).preview("/nonexistent.stim"),
     vextor.FileError, "file_failure"),
    (lambda: vextor.Document.load(example("coincidence")).preview(EXAMPLES / "coincidence.stim", "1ps"),
     ValueError, None),
])
def test_failures_raise_their_error(call, error, verdict):
    with pytest.raises(error) as raised:
        call()
    if verdict:
        assert raised.value.verdict == verdict and raised.value.message
