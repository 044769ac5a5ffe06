# SPDX-License-Identifier: Apache-2.0
"""pylora-plot on a foundation of many pile groups and on files it cannot use.

The grid of the benchmarks (tests/web/grid_model.py) cut to 10 rows by 15
columns, with a second load case of a large moment about Z so that the rows
on one side pull, and the envelope of both cases: the pictures of many groups
(plan, distribution, governing profiles), the groups that govern, and a
one-line message with a nonzero exit for a truncated file, a file of another
format version and pile groups the model lacks.
"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "python"))
sys.path.insert(0, os.path.join(ROOT, "tests", "web"))
import grid_model  # noqa: E402

from pylora import stream  # noqa: E402

CLI = os.environ.get("PYLORA_CLI", os.path.join(ROOT, "build", "test", "cli", "pylora"))
PLOT = os.path.join(ROOT, "plot", "pylora-plot")
ROWS, COLUMNS = 10, 15
_run = {}
_folder = tempfile.TemporaryDirectory(prefix="pylora-large-")


def tearDownModule():
    _folder.cleanup()


def results():
    """The results file of the cut grid (run once) and its document."""
    if not _run:
        out = _folder.name
        model = grid_model.grid_model()
        heads = grid_model.grid_heads(ROWS, COLUMNS)
        model["pileGroups"] = [dict(model["pileGroups"][0], head={"y": y, "z": z})
                               for y, z in heads]
        n = len(heads)
        case = model["loadCases"][0]
        case["loads"] = [{k: v * n for k, v in grid_model.PILE_LOAD.items()}]
        # 600 kN a pile down, and a moment about Z that lifts the far rows.
        pull = dict(case, name="Moment about Z",
                    loads=[{"Fx": 600.0 * n, "Mz": 900.0 * n * grid_model.SPACING * ROWS / 2}])
        model["loadCases"].append(pull)
        model["envelopes"] = {"loadCases": {"print": "alongPiles", "nodeStep": 1}}
        path = os.path.join(out, "grid.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(model, f)
        r = subprocess.run([CLI, path, "--quiet"], capture_output=True, text=True)
        assert os.path.exists(os.path.join(out, "grid.results.json")), r.stdout + r.stderr
        _run["path"] = os.path.join(out, "grid.results.json")
        _run["heads"] = heads
    return _run["path"], _run["heads"]


def plot(*args):
    return subprocess.run([sys.executable, PLOT, *args], capture_output=True, text=True,
                          env=dict(os.environ, MPLBACKEND="Agg"))


class ManyPileGroups(unittest.TestCase):
    def test_pictures_of_the_plan_distribution_and_governing_groups(self):
        path, heads = results()
        out = tempfile.mkdtemp(prefix="plots-", dir=_folder.name)
        r = plot(path, "-o", out, "--piles", "12,40-41")
        self.assertEqual(r.returncode, 0, r.stderr)
        names = set(os.listdir(out))
        for tag in ("case1", "case2"):
            self.assertTrue({f"{tag}-plan.png", f"{tag}-distribution.png",
                             f"{tag}-governing-1.png"} <= names, names)
            self.assertNotIn(f"{tag}-piles.png", names)
        self.assertIn("envelope-load-cases-distribution.png", names)
        self.assertIn("envelope-load-cases-governing-1.png", names)

        # The moment about Z pushes down one outer row along Y and lifts the
        # other: compression and tension govern at opposite extreme rows.
        doc = stream.read_results(path, [12, 40, 41])
        edge = max(abs(y) for y, _ in heads)
        chosen = dict(stream.governing(doc["analyses"][1]["piles"], [12, 40, 41]))
        row = {why: heads[g - 1][0] for g, reasons in chosen.items() for why in reasons}
        self.assertAlmostEqual(abs(row["largest compression"]), edge)
        self.assertAlmostEqual(row["largest tension"], -row["largest compression"])
        self.assertTrue({12, 40, 41} <= set(chosen))

        # Only the drawn groups keep their profiles; the others their extremes.
        for analysis in doc["analyses"]:
            kept = {p["group"] for p in analysis["piles"] if p["profile"] is not None}
            drawn = {g for g, _ in stream.governing(analysis["piles"], [12, 40, 41])}
            self.assertEqual(kept, drawn)
            self.assertTrue(all("extremes" in p for p in analysis["piles"]))

    def test_the_whole_read_and_the_stream_keep_the_same(self):
        path, _ = results()
        streamed = stream.read_results(path)
        saved = stream.ijson
        stream.ijson = None
        try:
            whole = stream.read_results(path)
        finally:
            stream.ijson = saved
        for a, b in zip(streamed["analyses"], whole["analyses"]):
            self.assertEqual([p["extremes"] for p in a["piles"]],
                             [p["extremes"] for p in b["piles"]])


class UnusableFiles(unittest.TestCase):
    def assert_one_line(self, r, words):
        self.assertEqual(r.returncode, 2, r.stdout)
        self.assertNotIn("Traceback", r.stderr)
        self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
        for word in words:
            self.assertIn(word, r.stderr)

    def test_truncated_other_version_foreign_and_missing_groups(self):
        path, _ = results()
        out = tempfile.mkdtemp(prefix="bad-", dir=_folder.name)
        with open(path, "rb") as f:
            data = f.read()
        truncated = os.path.join(out, "truncated.json")
        with open(truncated, "wb") as f:
            f.write(data[:len(data) // 2])
        self.assert_one_line(plot(truncated, "-o", out), ["truncated"])

        doc = json.loads(data)
        doc["formatVersion"] = 3
        later = os.path.join(out, "later.json")
        with open(later, "w", encoding="utf-8") as f:
            json.dump(doc, f)
        self.assert_one_line(plot(later, "-o", out), ["version 3"])

        foreign = os.path.join(out, "model.json")
        with open(foreign, "w", encoding="utf-8") as f:
            json.dump({"pylora": 1, "title": "a model, not results"}, f)
        self.assert_one_line(plot(foreign, "-o", out), ["not a pylora results file"])
        self.assert_one_line(plot(os.path.join(out, "absent.json")), ["cannot read"])

        self.assert_one_line(plot(path, "-o", out, "--piles", "5,999"), ["999"])
        self.assert_one_line(plot(path, "-o", out, "--piles", "1-100"), ["at most"])
        self.assert_one_line(plot(path, "-o", out, "--piles", "4-x"), ["4-x"])
        self.assertEqual([n for n in os.listdir(out) if n.endswith(".png")], [])


if __name__ == "__main__":
    unittest.main()
