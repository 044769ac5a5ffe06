# SPDX-License-Identifier: Apache-2.0
"""The load path, the pushover curve and the mobilisation of the soil in the pictures.

Runs the command-line program (PYLORA_CLI) on the examples and compares the
plotted line data with the steps and profiles of the results file; a pushover
is added by hand to a copy of a real results file, with values chosen here.
"""
import copy
import json
import math
import os
import subprocess
import sys
import tempfile
import unittest

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "python"))
import pylora.plot as pylora_plot  # noqa: E402

CLI = os.environ.get("PYLORA_CLI", os.path.join(ROOT, "build", "test", "cli", "pylora"))
_docs = {}


def results(name):
    if name not in _docs:
        out = tempfile.mkdtemp(prefix=f"pylora-{name}-")
        subprocess.run([CLI, os.path.join(ROOT, "examples", name, "model.dat"), "-o", out,
                        "--quiet"], check=False, capture_output=True)
        with open(os.path.join(out, "model.json"), encoding="utf-8") as f:
            _docs[name] = json.load(f)
    return copy.deepcopy(_docs[name])


def component_lines(ax):
    """The load path lines of one axes by component key ("ux: settlement ..." -> "ux")."""
    return {l.get_label().split(":")[0]: l for l in ax.get_lines() if ":" in l.get_label()}


def names(paths):
    return sorted(os.path.basename(p) for p in paths)


class LoadPath(unittest.TestCase):
    def test_one_picture_per_analysis_with_two_steps_or_more(self):
        doc = results("group3d")
        self.assertEqual([len(a["steps"]) for a in doc["analyses"]], [5, 5, 5])
        written, skipped = pylora_plot.plot_load_paths(doc, tempfile.mkdtemp())
        self.assertEqual(skipped, [])
        # No pushover in the file: no pushover picture.
        self.assertEqual(names(written), ["case1-load-path.png", "case2-load-path.png",
                                          "combination1-load-path.png"])
        self.assertTrue(all(os.path.getsize(p) > 1000 for p in written))
        # One increment, or none, is no path.
        doc["analyses"][0]["steps"] = doc["analyses"][0]["steps"][-1:]
        doc["analyses"][1]["steps"] = []
        written, _ = pylora_plot.plot_load_paths(doc, tempfile.mkdtemp())
        self.assertEqual(names(written), ["combination1-load-path.png"])
        # A two-dimensional model has ux, uy and tz only.
        written, skipped = pylora_plot.plot_load_paths(results("row2d"), tempfile.mkdtemp())
        self.assertEqual((names(written), skipped),
                         (["case1-load-path.png", "case2-load-path.png"], []))

    def test_lines_hold_the_steps_of_the_components_that_move(self):
        doc = results("group3d")
        dead = doc["analyses"][0]
        # The dead load settles and sways the cap along Y and turns it about Z;
        # its uz, tx and ty stay at round-off, nanometres and nanoradians.
        for key in ("uz", "tx", "ty"):
            self.assertLess(max(abs(s["capDisplacement"][key]) for s in dead["steps"]), 1e-8)
        expected = {0: (["ux", "uy"], ["tz"]), 2: (["ux", "uy", "uz"], ["tx", "ty", "tz"])}
        for index, (translations, rotations) in expected.items():
            analysis = doc["analyses"][index]
            fig, drawn = pylora_plot.load_path_axes(doc, analysis)
            with self.subTest(analysis=analysis["name"]):
                self.assertEqual([keys for _, keys in drawn], [translations, rotations])
                self.assertIn("[M]", drawn[0][0].get_xlabel())
                self.assertIn("[RAD]", drawn[1][0].get_xlabel())
                for ax, keys in drawn:
                    lines = component_lines(ax)
                    self.assertEqual(sorted(lines), sorted(keys))
                    for key, line in lines.items():
                        self.assertEqual(list(line.get_ydata()),
                                         [s["loadFactor"] for s in analysis["steps"]])
                        self.assertEqual(list(line.get_xdata()),
                                         [s["capDisplacement"][key] for s in analysis["steps"]])
                        self.assertNotEqual(line.get_marker(), "None")
            plt.close(fig)

    def test_mobilisation_beside_the_soil_reaction_skips_the_nodes_without_resistance(self):
        doc = results("group3d")
        analysis = doc["analyses"][2]
        piles = analysis["piles"]
        # The user's own p-y curves have no ultimate resistance: nothing to draw.
        piles[-1]["profile"]["mobilisation"] = [None] * len(piles[-1]["profile"]["depth"])
        fig = pylora_plot.profile_figure(doc, analysis)
        self.assertEqual(len(fig.axes), 5 * len(piles))
        for k, pile in enumerate(piles):
            ax = fig.axes[4 * len(piles) + k]  # after the quantity panels of every group
            profile = pile["profile"]
            known = [(v, d) for v, d in zip(profile["mobilisation"], profile["depth"]) if v is not None]
            lines = [l for l in ax.get_lines() if len(l.get_xdata()) > 2]
            with self.subTest(group=pile["group"]):
                if not known:
                    self.assertEqual(lines, [])
                    continue
                self.assertIsNone(profile["mobilisation"][0])  # the head, above the ground
                self.assertEqual(len(lines), 1)
                drawn = [(x, y) for x, y in zip(lines[0].get_xdata(), lines[0].get_ydata())
                         if not math.isnan(x)]
                self.assertEqual(drawn, known)
                self.assertEqual(ax.get_ylim(), fig.axes[4 * k + 3].get_ylim())
        plt.close(fig)


class Pushover(unittest.TestCase):
    PUSHOVER = {"loadCase": 1, "analysis": 0, "maximumFactor": 2.0, "capacityFactor": 0.8,
                "stopped": "no convergence of the pile cap",
                "events": [{"kind": "moment capacity", "loadFactor": 0.6, "step": 2,
                            "pileGroup": 3, "depth": 5.5},
                           {"kind": "soil at ultimate resistance", "loadFactor": 0.8, "step": 3,
                            "pileGroup": 1, "depth": None}]}

    def test_capacity_line_and_events_sit_at_their_values(self):
        doc = results("group3d")
        doc["pushover"] = copy.deepcopy(self.PUSHOVER)
        steps = doc["analyses"][0]["steps"]
        out = tempfile.mkdtemp(prefix="pylora-pushover-")
        path = os.path.join(out, "results.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(doc, f)
        for case, expected in ((None, True), (2, False)):
            folder = os.path.join(out, f"case-{case}")
            r = subprocess.run([sys.executable, os.path.join(ROOT, "plot", "pylora-plot"), path,
                                "-o", folder, "--format", "svg"]
                               + ([] if case is None else ["--case", str(case)]),
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(os.path.exists(os.path.join(folder, "pushover.svg")), expected)

        fig = pylora_plot.pushover_figure(doc, doc["pushover"])
        markers = set()
        for ax, keys in zip(fig.axes, (["ux", "uy"], ["tz"])):
            lines = {l.get_label(): l for l in ax.get_lines()}
            capacity = [l for l in ax.get_lines() if l.get_linestyle() == "--"]
            self.assertEqual([list(l.get_ydata()) for l in capacity], [[0.8, 0.8]])
            self.assertTrue(any("0.8" in t.get_text() for t in ax.texts))
            events = [l for l in ax.get_lines() if l.get_linestyle() == "None"]
            self.assertEqual(len(events), 2)
            for line, step, factor in zip(events, (2, 3), (0.6, 0.8)):
                self.assertEqual(list(line.get_ydata()), [factor] * len(keys))
                self.assertEqual(list(line.get_xdata()),
                                 [steps[step]["capDisplacement"][k] for k in keys])
                markers.add(line.get_marker())
            if ax is fig.axes[0]:
                self.assertIn("capacity factor 0.8", lines)
                self.assertTrue(any(l.startswith("moment capacity, pile group 3") for l in lines))
                self.assertTrue(any(l.startswith("soil at ultimate resistance, pile group 1")
                                    for l in lines))
        self.assertEqual(len(markers), 2)
        plt.close(fig)

        doc["pushover"]["analysis"] = 7
        written, skipped = pylora_plot.plot_load_paths(doc, tempfile.mkdtemp())
        self.assertNotIn("pushover.png", names(written))
        self.assertIn("analysis 7", skipped[0])


if __name__ == "__main__":
    unittest.main()
