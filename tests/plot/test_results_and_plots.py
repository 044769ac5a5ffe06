# SPDX-License-Identifier: Apache-2.0
"""The JSON results file of every example and its pictures.

Runs the command-line program on each example (PYLORA_CLI), validates the
JSON against docs/results.schema.json, checks its cap displacements and
pile-head forces against the results data file (.res) to the precision the
.res prints them, and plots it without a display, comparing the plotted line
data with the JSON values.
"""
import copy
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

import jsonschema
import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "python"))
import pylora.plot as pylora_plot  # noqa: E402

CLI = os.environ.get("PYLORA_CLI", os.path.join(ROOT, "build", "test", "cli", "pylora"))
# The capacity model is a reader test at the table limits, too slow to analyse here.
EXAMPLES = ["group3d", "row2d", "row2d-clay", "sand-over-rock"]
NUMBER = re.compile(r"-?\d*\.\d+(?:E[+-]\d+)?")

_runs = {}


def run_example(name):
    if name not in _runs:
        out = tempfile.mkdtemp(prefix=f"pylora-{name}-")
        subprocess.run([CLI, os.path.join(ROOT, "examples", name, "model.dat"), "-o", out,
                        "--quiet"], check=False, capture_output=True)
        with open(os.path.join(out, "model.json"), encoding="utf-8") as f:
            doc = json.load(f)
        with open(os.path.join(out, "model.res"), encoding="utf-8") as f:
            res = f.read().splitlines()
        _runs[name] = (doc, res, out)
    return _runs[name]


def res_numbers(line):
    return [float(v) for v in NUMBER.findall(line)]


def close_to_printed(value, printed):
    # The .res fields keep 8 significant digits, or 8 decimals when fixed:
    # half a unit of the last printed digit, either way.
    return abs(value - printed) <= 5e-8 * abs(printed) + 5e-9


class ResultsFile(unittest.TestCase):
    def test_every_example_validates_against_the_schema(self):
        with open(os.path.join(ROOT, "docs", "results.schema.json"), encoding="utf-8") as f:
            schema = json.load(f)
        for name in EXAMPLES:
            with self.subTest(example=name):
                doc = run_example(name)[0]
                jsonschema.validate(doc, schema, cls=jsonschema.Draft202012Validator)
                self.assertEqual(doc["returnCode"], 0)
                self.assertTrue(all(a["succeeded"] for a in doc["analyses"]))

    def test_cap_displacements_and_head_forces_equal_the_results_data_file(self):
        for name in EXAMPLES:
            doc, res, _ = run_example(name)
            plane = doc["model"]["analysisType"] == 2
            disp_keys = ["ux", "uy", "tz"] if plane else ["ux", "uy", "uz", "tx", "ty", "tz"]
            # The TABLE L displacement rows of the analyses, in order (envelopes follow).
            # The rows of the analyses; the envelopes ("... ENV : n") are skipped
            # up to the heading of the next analysis ("LOAD CASE :", "LOAD COMB. :").
            rows, heads, envelope = [], [], False
            for i, line in enumerate(res[:-1]):
                if "ENV :" in line:
                    envelope = True
                elif re.match(r"LOAD (CASE|COMB)", line):
                    envelope = False
                if envelope:
                    continue
                if "* DISPLACEMENT OF PILE CAP AT ORIGIN *" in line:
                    rows.append(res_numbers(res[i + 1]))
                if "PILE TOP DISP. AND REACT. GLOBAL" in line:
                    heads.append(res_numbers(res[i + 1]))
            self.assertEqual(len(rows), len(doc["analyses"]))
            piles = [p for a in doc["analyses"] for p in a["piles"]]
            self.assertEqual(len(heads), len(piles))
            for analysis, row in zip(doc["analyses"], rows):
                with self.subTest(example=name, analysis=analysis["number"]):
                    for key, printed in zip(disp_keys, row):
                        self.assertTrue(close_to_printed(analysis["capDisplacement"][key], printed),
                                        (key, analysis["capDisplacement"][key], printed))
            head_keys = (["ux", "uy", "tz", "Fx", "Fy", "Mz", "stress"] if plane else
                         ["ux", "uy", "uz", "tx", "ty", "tz", "Fx", "Fy", "Fz", "Mx", "My", "Mz", "stress"])
            for pile, row in zip(piles, heads):
                for key, printed in zip(head_keys, row):
                    self.assertTrue(close_to_printed(pile["head"]["global"][key], printed),
                                    (name, pile["group"], key))

    def test_mobilisation_of_soft_clay_follows_its_cubic_parabola(self):
        # Soft clay (group3d, 0 to 5 m): p = 0.5 pu (y / y50)^(1/3) with
        # y50 = 2.5 eps50 b, eps50 = 0.02 and b = 0.6 m in the model, so the
        # share of pu that the reaction takes depends on the deflection alone,
        # whatever the group's p-multiplier. The vertical pile group 2; the
        # analyses that deflect it enough for the reaction to be on its curve
        # within the pile's iteration tolerance.
        doc = run_example("group3d")[0]
        layer = doc["model"]["soilLayers"][0]
        self.assertEqual(layer["soilTypeName"], "soft clay")
        y50 = 2.5 * 0.02 * doc["model"]["pileProperties"][0]["sections"][0]["diameter"]
        checked = 0
        for analysis in doc["analyses"][1:]:
            pile = next(p for p in analysis["piles"] if p["group"] == 2)
            profile = pile["profile"]
            for k, depth in enumerate(profile["depth"]):
                if not 0.0 < depth < layer["bottomX"] - 1e-6:
                    continue
                y = (profile["deflection"]["xy"][k] ** 2 + profile["deflection"]["xz"][k] ** 2) ** 0.5
                expected = 0.5 * (y / y50) ** (1.0 / 3.0)
                with self.subTest(analysis=analysis["name"], depth=depth):
                    self.assertGreater(profile["ultimateResistance"][k], 0.0)
                    self.assertAlmostEqual(profile["mobilisation"][k] / expected, 1.0, delta=0.01)
                    checked += 1
        self.assertGreaterEqual(checked, 16)

    def test_secant_stiffness_equals_the_reports_stiffness_tables(self):
        # row2d-clay asks for the foundation's stiffness at three load levels:
        # the report prints each level's matrix (N, FACTOR, then rows of Kij
        # to six significant digits), which the results file must hold.
        doc, _, out = run_example("row2d-clay")
        with open(os.path.join(out, "model.out"), encoding="utf-8") as f:
            report = f.read().splitlines()
        printed = []
        for i, line in enumerate(report):
            heading = re.match(r"\s+N:\s+(\d+)\s+FACTOR :\s+(\S+)", line)
            if heading:
                rows = []
                k = i + 1
                while k + 1 < len(report) and report[k].strip().startswith("K"):
                    rows.append([float(v) for v in report[k + 1].split()])
                    k += 2
                printed.append((int(heading.group(1)), float(heading.group(2)), rows))
        # Its second load case asks for them, and only that one.
        self.assertEqual([len(a["capStiffnessSecant"]) for a in doc["analyses"]], [0, 3, 0])
        secants = doc["analyses"][1]["capStiffnessSecant"]
        self.assertEqual(len(printed), 3)
        self.assertEqual([(s["level"], s["loadFactor"]) for s in secants],
                         [(n, factor) for n, factor, _ in printed])
        for secant, (_, _, rows) in zip(secants, printed):
            self.assertEqual(secant["rows"], ["Fx", "Fy", "Mz"])
            for got_row, printed_row in zip(secant["matrix"], rows, strict=True):
                for got, want in zip(got_row, printed_row, strict=True):
                    self.assertAlmostEqual(got, want, delta=5e-6 * abs(want))

    def test_stiffness_csv_holds_every_matrix_of_the_results_file(self):
        out = tempfile.mkdtemp(prefix="pylora-csv-")
        model = os.path.join(ROOT, "examples", "row2d-clay", "model.dat")
        run = subprocess.run([CLI, model, "-o", out, "--quiet", "--stiffness-csv"],
                             check=False, capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(os.path.join(out, "model.json"), encoding="utf-8") as f:
            doc = json.load(f)
        with open(os.path.join(out, "model.stiffness.csv"), encoding="utf-8") as f:
            blocks = [b.splitlines() for b in f.read().split("\n\n") if b.strip()]
        self.assertEqual(blocks[0][1], "units,force LBS,moment IN-LBS,length IN,rotation RAD")
        expected = []
        for a in doc["analyses"]:
            label = f'{a["series"]} {a["number"]}: {a["name"]}'
            expected.append((label + ", tangent at the converged state", a["capStiffness"]))
            for secant in a["capStiffnessSecant"]:
                expected.append((f'{label}, secant at load factor {secant["loadFactor"]:g}', secant))
        self.assertEqual(len(blocks) - 1, len(expected))
        for block, (label, stiffness) in zip(blocks[1:], expected):
            with self.subTest(block=label):
                self.assertEqual(block[0], f'"{label}"')
                self.assertEqual(block[1], "," + ",".join(stiffness["columns"]))
                for line, name, values in zip(block[2:], stiffness["rows"], stiffness["matrix"], strict=True):
                    cells = line.split(",")
                    self.assertEqual(cells[0], name)
                    for cell, value in zip(cells[1:], values, strict=True):
                        self.assertAlmostEqual(float(cell), value, delta=1e-8 * abs(value))

    def test_a_pile_on_its_own_curves_has_no_ultimate_resistance(self):
        # The reader's feature model: pile group 1 in soil layers, group 2 on
        # its own p-y curves (USER P-Y CURVES), solved after group 1 in the
        # same scratch space on one thread: none of group 1's values may
        # pass to group 2.
        out = tempfile.mkdtemp(prefix="pylora-features-")
        model = os.path.join(ROOT, "tests", "engine", "reader", "data", "features.dat")
        subprocess.run([CLI, model, "-o", out, "--quiet", "--threads", "1"],
                       check=False, capture_output=True)
        with open(os.path.join(out, "features.json"), encoding="utf-8") as f:
            doc = json.load(f)
        for analysis in doc["analyses"]:
            piles = {p["group"]: p["profile"] for p in analysis["piles"]}
            with self.subTest(analysis=analysis["name"]):
                self.assertTrue(any(pu for pu in piles[1]["ultimateResistance"]))
                self.assertEqual(set(piles[2]["ultimateResistance"]), {None})
                self.assertEqual(set(piles[2]["mobilisation"]), {None})

    def test_the_soil_reaction_never_exceeds_the_ultimate_resistance(self):
        for name in EXAMPLES:
            doc = run_example(name)[0]
            for analysis in doc["analyses"]:
                for pile in analysis["piles"]:
                    profile = pile["profile"]
                    for k, share in enumerate(profile["mobilisation"]):
                        pu = profile["ultimateResistance"][k]
                        if pu is None or pu == 0.0:
                            self.assertIsNone(share)
                            continue
                        with self.subTest(example=name, analysis=analysis["name"], group=pile["group"], node=k):
                            self.assertGreater(pu, 0.0)
                            self.assertLessEqual(share, 1.0 + 1e-6)

    def test_a_value_the_report_rounds_is_unrounded(self):
        # The group3d report prints the cap displacement of load case 1 in 19/5
        # fields; the JSON holds the double the engine computed, with more digits.
        doc = run_example("group3d")[0]
        ux = doc["analyses"][0]["capDisplacement"]["ux"]
        self.assertNotEqual(ux, float(f"{ux:.5e}"))
        self.assertNotEqual(ux, float(f"{ux:.8e}"))
        self.assertEqual(float(repr(ux)), ux)


class Plots(unittest.TestCase):
    def test_expected_files_are_written_and_lines_hold_the_json_values(self):
        doc = run_example("group3d")[0]
        out = tempfile.mkdtemp(prefix="pylora-plots-")
        written, skipped = pylora_plot.plot_results(doc, out)
        self.assertEqual(skipped, [])
        names = sorted(os.path.basename(p) for p in written)
        self.assertEqual(names, sorted(["case1-piles.png", "case1-plan.png", "case2-piles.png",
                                        "case2-plan.png", "combination1-piles.png",
                                        "combination1-plan.png", "py-curves.png",
                                        "load-settlement.png", "envelope-load-cases.png",
                                        "envelope-combinations.png"]))
        for p in written:
            self.assertGreater(os.path.getsize(p), 1000)

        analysis = doc["analyses"][0]
        fig = pylora_plot.profile_figure(doc, analysis)
        pile = analysis["piles"][1]
        row = fig.axes[4:8]  # the second pile group's four panels
        for ax, (key, _, _) in zip(row, pylora_plot.QUANTITIES):
            lines = [l for l in ax.get_lines() if len(l.get_xdata()) > 2]
            self.assertEqual(len(lines), 2)  # both planes
            self.assertEqual(list(lines[0].get_xdata()), pile["profile"][key]["xy"])
            self.assertEqual(list(lines[1].get_xdata()), pile["profile"][key]["xz"])
            self.assertEqual(list(lines[0].get_ydata()), pile["profile"]["depth"])
            self.assertIn("[", ax.get_xlabel())
        plt.close(fig)

        fig = pylora_plot.py_figure(doc)
        for line, curve in zip(fig.axes[0].get_lines(), doc["pyCurves"]):
            self.assertEqual(list(line.get_xdata()), curve["y"])
            self.assertEqual(list(line.get_ydata()), curve["p"])
        plt.close(fig)
        fig = pylora_plot.ls_figure(doc)
        line = fig.axes[0].get_lines()[0]
        self.assertEqual(list(line.get_ydata()), doc["loadSettlementCurves"][0]["load"])
        plt.close(fig)
        fig = pylora_plot.plan_figure(doc, analysis)
        colours = fig.axes[0].collections[0].get_array()
        self.assertEqual(list(colours), [p["head"]["global"]["Fx"] for p in analysis["piles"]])
        plt.close(fig)

    def test_a_failed_case_is_named_and_the_others_are_plotted(self):
        doc = copy.deepcopy(run_example("row2d")[0])
        failed = doc["analyses"][0]
        failed.update(succeeded=False, piles=[], capLoad=None, capDisplacement=None,
                      globalIterations=None,
                      completion={"code": 3, "meaning": "NO CONVERGENCE ON PILE CAP",
                                  "loadFactor": 0.0})
        out = tempfile.mkdtemp(prefix="pylora-failed-")
        written, skipped = pylora_plot.plot_results(doc, out)
        self.assertEqual(len(skipped), 1)
        self.assertIn("load case 1", skipped[0])
        self.assertIn("NO CONVERGENCE ON PILE CAP", skipped[0])
        names = [os.path.basename(p) for p in written]
        self.assertNotIn("case1-piles.png", names)
        self.assertIn("case2-piles.png", names)
        path = os.path.join(out, "results.json")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(doc, f)
        r = subprocess.run([sys.executable, os.path.join(ROOT, "plot", "pylora-plot"), path,
                            "-o", os.path.join(out, "cli"), "--format", "svg"],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("load case 1", r.stderr)
        self.assertTrue(os.path.exists(os.path.join(out, "cli", "case2-plan.svg")))


class Pushover(unittest.TestCase):
    """pylora --pushover on group3d: its results, its picture, its refusals."""

    @classmethod
    def setUpClass(cls):
        cls.out = tempfile.mkdtemp(prefix="pylora-pushover-")
        model = os.path.join(ROOT, "examples", "group3d", "model.dat")
        cls.result = subprocess.run([CLI, model, "-o", cls.out, "--quiet", "--pushover", "2:4"],
                                 check=False, capture_output=True, text=True)
        with open(os.path.join(cls.out, "model.json"), encoding="utf-8") as f:
            cls.doc = json.load(f)

    def test_the_case_alone_is_pushed_and_its_capacity_is_its_last_step(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)
        with open(os.path.join(ROOT, "docs", "results.schema.json"), encoding="utf-8") as f:
            jsonschema.validate(self.doc, json.load(f), cls=jsonschema.Draft202012Validator)
        push = self.doc["pushover"]
        self.assertEqual([(a["series"], a["number"]) for a in self.doc["analyses"]], [("load case", 2)])
        self.assertEqual(self.doc["envelopes"], [])
        analysis = self.doc["analyses"][push["analysis"]]
        steps = analysis["steps"]
        factors = [s["loadFactor"] for s in steps]
        self.assertEqual(factors, sorted(factors))
        self.assertGreater(factors[-1], 1.0)
        self.assertEqual(push["capacityFactor"], factors[-1])
        self.assertEqual(push["maximumFactor"], 4.0)
        self.assertEqual(analysis["completion"]["loadFactor"], factors[-1])
        self.assertEqual(analysis["capDisplacement"], steps[-1]["capDisplacement"])
        self.assertIn(f"last converged load factor {factors[-1]:.4g}", self.result.stderr)
        for event in push["events"]:
            with self.subTest(event=event["kind"]):
                self.assertEqual(event["loadFactor"], steps[event["step"]]["loadFactor"])
        # The load case's own load times the factor: the capLoad of every step.
        load = steps[0]["capLoad"]
        for step in steps:
            for key, value in step["capLoad"].items():
                self.assertAlmostEqual(value, load[key] * step["loadFactor"] / factors[0],
                                       delta=1e-9 * (abs(value) + 1.0))
        with open(os.path.join(self.out, "model.out"), encoding="utf-8") as f:
            report = f.read()
        self.assertIn("* PUSHOVER OF LOAD CASE     2 *", report)

    def test_a_two_dimensional_pushover_ends_where_its_steps_end(self):
        out = tempfile.mkdtemp(prefix="pylora-pushover-2d-")
        model = os.path.join(ROOT, "examples", "row2d", "model.dat")
        r = subprocess.run([CLI, model, "-o", out, "--quiet", "--pushover", "1"],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(out, "model.json"), encoding="utf-8") as f:
            doc = json.load(f)
        push = doc["pushover"]
        steps = doc["analyses"][0]["steps"]
        self.assertEqual(push["capacityFactor"], steps[-1]["loadFactor"])
        self.assertNotEqual(push["stopped"], "largest factor reached")
        self.assertEqual(doc["analyses"][0]["capDisplacement"], steps[-1]["capDisplacement"])
        # The rows of sand yield before the cap gives way: the soil event
        # comes at a converged step below the capacity, with its depth.
        soil = [e for e in push["events"] if e["kind"] == "soil at ultimate resistance"]
        self.assertEqual(len(soil), 1)
        self.assertLess(soil[0]["loadFactor"], push["capacityFactor"])
        self.assertIsNotNone(soil[0]["depth"])

    def test_pylora_plot_draws_the_pushover_with_its_events(self):
        out = tempfile.mkdtemp(prefix="pylora-pushover-plots-")
        written, skipped = pylora_plot.plot_load_paths(self.doc, out)
        self.assertEqual(skipped, [])
        self.assertEqual(sorted(os.path.basename(p) for p in written),
                         ["case2-load-path.png", "pushover.png"])
        fig = pylora_plot.pushover_figure(self.doc, self.doc["pushover"])
        labels = [t.get_text() for ax in fig.axes[:1] for t in ax.get_legend().get_texts()]
        for event in self.doc["pushover"]["events"]:
            self.assertTrue(any(label.startswith(event["kind"]) for label in labels), labels)
        plt.close(fig)

    def test_a_case_that_does_not_exist_or_a_factor_below_one_is_refused(self):
        model = os.path.join(ROOT, "examples", "group3d", "model.dat")
        out = tempfile.mkdtemp(prefix="pylora-pushover-bad-")
        r = subprocess.run([CLI, model, "-o", out, "--quiet", "--pushover", "9"],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 104, r.stderr)
        with open(os.path.join(out, "model.out"), encoding="utf-8") as f:
            self.assertIn("THE LOAD CASE    9 OF THE PUSHOVER DOES NOT EXIST (THE MODEL HAS    2 LOAD CASES)",
                          f.read())
        for bad in ["1:0.5", "0", "x", "1:", "1:5:2", "1:nan", "1:2000"]:
            with self.subTest(argument=bad):
                r = subprocess.run([CLI, model, "-o", out, "--quiet", "--pushover", bad],
                                   capture_output=True, text=True)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertIn("--pushover needs CASE or CASE:FACTOR", r.stderr)


if __name__ == "__main__":
    unittest.main()
