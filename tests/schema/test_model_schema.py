# SPDX-License-Identifier: Apache-2.0
"""The model document's schema (docs/model.schema.json) against the program.

Every model the project ships is converted by the command-line program
(PYLORA_CLI) to a JSON and a YAML document, and each must validate: the
schema's objects are closed, so a field the converter writes and the schema
lacks fails here. The example documents examples/*/model.yaml must validate
too. Then hand-made documents check that the schema and the program's own
reader (`pylora check`) agree: on mistakes both refuse, and on the other
spellings the reader accepts (codes, switches as integers, references by
number, the two- and three-dimensional forms) both accept.
"""
import concurrent.futures
import glob
import json
import os
import re
import subprocess
import tempfile
import unittest

import jsonschema
import yaml

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CLI = os.environ.get("PYLORA_CLI", os.path.join(ROOT, "build", "test", "cli", "pylora"))
SCHEMA = os.path.join(ROOT, "docs", "model.schema.json")

MODELS = sorted(glob.glob(os.path.join(ROOT, "examples", "*", "model.dat")) +
                glob.glob(os.path.join(ROOT, "tests", "report", "echo", "golden", "*",
                                       "input.dat")) +
                [os.path.join(ROOT, "tests", "engine", "reader", "data", "features.dat")])


class CoreSchemaLoader(getattr(yaml, "CSafeLoader", yaml.SafeLoader)):
    """YAML typed by the YAML 1.2 core schema, as pylora reads it (PyYAML
    alone follows YAML 1.1, where `yes` is true and `1e5` a text)."""


CoreSchemaLoader.yaml_implicit_resolvers = {}
for _tag, _pattern, _first in [
        ("null", r"^(?:~|null|Null|NULL|)$", ["~", "n", "N", ""]),
        ("bool", r"^(?:true|True|TRUE|false|False|FALSE)$", list("tTfF")),
        ("int", r"^[-+]?[0-9]+$", list("-+0123456789")),
        ("float", r"^[-+]?(?:\.[0-9]+|[0-9]+(?:\.[0-9]*)?)(?:[eE][-+]?[0-9]+)?$",
         list("-+.0123456789"))]:
    CoreSchemaLoader.add_implicit_resolver("tag:yaml.org,2002:" + _tag, re.compile(_pattern),
                                           _first)
CoreSchemaLoader.add_constructor("tag:yaml.org,2002:int",
                                 lambda loader, node: int(loader.construct_scalar(node), 10))
CoreSchemaLoader.add_constructor("tag:yaml.org,2002:float",
                                 lambda loader, node: float(loader.construct_scalar(node)))
CoreSchemaLoader.add_constructor("tag:yaml.org,2002:bool",
                                 lambda loader, node: loader.construct_scalar(node) in
                                 ("true", "True", "TRUE"))


def load_yaml(path):
    with open(path, encoding="utf-8") as f:
        return yaml.load(f, Loader=CoreSchemaLoader)


def load_json(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def parallel(function, items):
    """function over items on a few threads (each call runs the program)."""
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        return list(pool.map(function, items))


def convert(job):
    model, out = job
    return model, out, subprocess.run([CLI, "convert", model, "-o", out], capture_output=True,
                                      text=True)


def problems(validator, doc):
    return ["/" + "/".join(str(p) for p in e.absolute_path) + ": " + e.message[:160]
            for e in validator.iter_errors(doc)]


class ModelSchema(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.schema = load_json(SCHEMA)
        cls.validator = jsonschema.Draft202012Validator(cls.schema)
        cls.tmp = tempfile.TemporaryDirectory(prefix="pylora-schema-")
        cls.addClassCleanup(cls.tmp.cleanup)
        cls.converted = {}  # model -> (JSON document path, YAML document path)
        jobs = []
        for n, model in enumerate(MODELS):
            paths = (os.path.join(cls.tmp.name, "m%d.json" % n),
                     os.path.join(cls.tmp.name, "m%d.yaml" % n))
            cls.converted[model] = paths
            jobs += [(model, out) for out in paths]
        for model, out, run in parallel(convert, jobs):
            if run.returncode != 0:
                raise AssertionError("pylora convert %s -o %s: code %d\n%s" %
                                     (model, out, run.returncode, run.stderr))

    def check(self, doc):
        """What the program's reader says of doc: its --format json output and exit code."""
        fd, path = tempfile.mkstemp(suffix=".json", dir=self.tmp.name)
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            json.dump(doc, f)
        run = subprocess.run([CLI, "check", path, "--format", "json"], capture_output=True,
                             text=True)
        return json.loads(run.stdout), run.returncode

    def assertCheckShape(self, out):
        self.assertEqual(set(out), {"valid", "diagnostics"})
        for d in out["diagnostics"]:
            self.assertEqual(set(d), {"severity", "pointer", "line", "column", "message"})

    def base(self, name):
        """The converted document of one shipped model, to change."""
        path = os.path.join(ROOT, "examples", name, "model.dat")
        return load_json(self.converted[path][0])

    # -------------------------------------------------------------------------

    def test_the_schema_is_a_valid_2020_12_schema(self):
        jsonschema.Draft202012Validator.check_schema(self.schema)
        self.assertEqual(self.schema["$schema"], "https://json-schema.org/draft/2020-12/schema")

    def test_every_object_is_closed_and_every_field_described(self):
        def walk(node, where):
            if isinstance(node, dict):
                if node.get("type") == "object" and "properties" in node:
                    self.assertIs(node.get("additionalProperties"), False, where)
                    for key, sub in node["properties"].items():
                        if isinstance(sub, dict):
                            self.assertIn("description", sub, where + "/" + key)
                for key, sub in node.items():
                    walk(sub, where + "/" + key)
            elif isinstance(node, list):
                for i, sub in enumerate(node):
                    walk(sub, "%s/%d" % (where, i))
        walk(self.schema, "#")

    def test_example_documents_validate(self):
        examples = sorted(glob.glob(os.path.join(ROOT, "examples", "*", "model.yaml")))
        if not examples:
            self.skipTest("no examples/*/model.yaml yet")
        for path in examples:
            with self.subTest(example=os.path.relpath(path, ROOT)):
                self.assertEqual(problems(self.validator, load_yaml(path)), [])

    def test_every_converted_model_validates_in_both_forms(self):
        for model, (json_path, yaml_path) in self.converted.items():
            with self.subTest(model=os.path.relpath(model, ROOT)):
                doc = load_json(json_path)
                self.assertEqual(problems(self.validator, doc), [])
                # The YAML form holds the same values, typed the same way.
                self.assertEqual(load_yaml(yaml_path), doc)

    def test_schema_and_reader_refuse_the_same_mistakes(self):
        def setting(path, value):
            def change(doc):
                node = doc
                for key in path[:-1]:
                    node = node[key]
                node[path[-1]] = value
            return change

        def removing(path):
            def change(doc):
                node = doc
                for key in path[:-1]:
                    node = node[key]
                del node[path[-1]]
            return change

        rock = {"type": "softClay", "top": {"x": 0.0, "compressiveStrength": 5000.0},
                "bottom": {"x": 30.0, "compressiveStrength": 5000.0}}
        weak = {"type": "weakRock",
                "top": {"x": 0.0, "undrainedShearStrength": 5000.0,
                        "compressiveStrength": 5000.0},
                "bottom": {"x": 30.0, "compressiveStrength": 5000.0}}
        mistakes = {
            "group3d": [
                ("an unknown key", setting(["unitz"], "metric")),
                ("an unknown key in a pile group", setting(["pileGroups", 0, "battr"], 5.0)),
                ("a wrong choice name", setting(["soilLayers", 0, "type"], "softclay")),
                ("a wrong units name", setting(["units"], "SI")),
                ("a text where a number belongs",
                 setting(["pileProperties", 0, "length"], "22.0")),
                ("a number where a text belongs", setting(["title"], 12)),
                ("a real where a whole number belongs",
                 setting(["pileProperties", 0, "increments"], 44.5)),
                ("a text where a switch belongs", setting(["embeddedCap"], "yes")),
                ("the format version 2", setting(["pylora"], 2)),
                ("no format version", removing(["pylora"])),
                ("no units", removing(["units"])),
                ("no connection", removing(["pileGroups", 0, "connection"])),
                ("a title of 81 characters", setting(["title"], "x" * 81)),
                ("a title on two lines", setting(["title"], "two\nlines")),
                ("a batter angle in three dimensions",
                 setting(["pileGroups", 0, "batter"], 5.0)),
                ("a curve that is both generated and the user's",
                 setting(["pileGroups", 0, "loadSettlementCurve"],
                         {"pileProperty": 1, "userCurve": 1})),
                ("a curve choice that names none",
                 setting(["pileGroups", 0, "loadSettlementCurve"], {})),
                ("a point of three numbers",
                 setting(["distributedLoadSets"], [{"points": [[0.0, 1.0, 2.0]]}])),
                ("a load case number 0",
                 setting(["combinations", 0, "cases", 0, "case"], 0)),
                ("a combined case without its factor",
                 removing(["combinations", 0, "cases", 0, "factor"])),
                ("101 load cases", setting(["loadCases"], [{}] * 101)),
                ("101 increments", setting(["pileProperties", 0, "increments"], 101)),
                ("a pile length of 0", setting(["pileProperties", 0, "length"], 0.0)),
                ("10001 cap iterations",
                 setting(["loadCases", 0, "iterations"], {"cap": 10001})),
                ("a rock strength in a clay layer", setting(["soilLayers", 0], rock)),
                ("both names of the rock strength", setting(["soilLayers", 0], weak)),
                ("a p-y curve option beside the curves to print",
                 setting(["pyCurveOption"], "printedCurvesOnly")),
                ("pile groups in an analysis of code 1", setting(["analysis"], 1)),
            ],
            "row2d": [
                ("the batter pair in two dimensions",
                 setting(["pileGroups", 0, "batter"], {"alpha": 0.0, "beta": 80.0})),
                ("p-multipliers by direction in two dimensions",
                 setting(["pileGroups", 0, "pMultiplier"], {"y": 0.8, "z": 0.7})),
                ("connections by direction in two dimensions",
                 setting(["pileGroups", 0, "connection"],
                         {"aboutY": "fixed", "aboutZ": "pinned"})),
            ],
        }
        labelled = []
        for name, cases in mistakes.items():
            for label, change in cases:
                doc = self.base(name)
                change(doc)
                labelled.append((name, label, doc))
        verdicts = parallel(self.check, [doc for _, _, doc in labelled])
        for (name, label, doc), (out, code) in zip(labelled, verdicts):
            with self.subTest(model=name, mistake=label):
                self.assertNotEqual(problems(self.validator, doc), [],
                                    "the schema accepts " + label)
                self.assertCheckShape(out)
                self.assertFalse(out["valid"], "the reader accepts " + label)
                self.assertEqual(code, 104)
                self.assertIn("error", [d["severity"] for d in out["diagnostics"]])

    def test_schema_and_reader_accept_the_other_spellings(self):
        def with_changes(name, change):
            doc = self.base(name)
            change(doc)
            return doc

        def codes(doc):
            doc.update(units=2, analysis=3, groupFactors=1, embeddedCap=0)
            doc["soilLayers"][0]["type"] = 1
            doc["loadCases"][1].update(type=4, loading=1, print=2, axialLoadAtPileHead=1)
            doc["pileGroups"][0]["connection"] = 2

        def references_by_number(doc):
            doc["combinations"][0]["cases"][0]["case"] = 1
            doc["pileProperties"][0]["sections"][0]["crossSection"] = 2

        def three_dimensional_forms(doc):
            doc["pileGroups"][0].update(
                connection={"aboutY": "pinned", "aboutZ": 3},
                springs={"aboutY": 1.0e4}, pMultiplier={"y": 0.8}, yMultiplier={"z": 1.2},
                loadSettlementCurve={"pileProperty": 1}, torqueRotationCurve={"userCurve": 1})
            doc["userTorqueRotationCurves"] = [{"points": [[0.0, 0.0], [100.0, 0.01]]}]

        def unknown_codes(doc):
            # Codes the names do not cover are kept as written.
            doc.update(units=4, groupFactors=2, embeddedCap=2)
            doc.pop("printPyCurves")
            doc["pyCurveOption"] = 2
            doc["crossSections"][0]["shape"] = 7

        def weak_rock(doc):
            doc["soilLayers"][2] = {
                "type": "weakRock",
                "top": {"x": 12.0, "effectiveUnitWeight": 10.0, "compressiveStrength": 6000.0,
                        "rockModulus": 6.0e5, "krm": 0.0005, "rqd": 40.0},
                "bottom": {"x": 30.0, "effectiveUnitWeight": 10.0,
                           "undrainedShearStrength": 9000.0, "rockModulus": 9.0e5,
                           "eps50": 0.0005, "rqd": 60.0}}

        def everything_optional_left_out(doc):
            for key in ("title", "groupFactors", "cap", "envelopes", "combinations",
                        "printPyCurves"):
                doc.pop(key)

        spellings = [
            ("choices and switches by their codes", with_changes("group3d", codes)),
            ("references by number", with_changes("group3d", references_by_number)),
            ("the three-dimensional forms of a pile group",
             with_changes("group3d", three_dimensional_forms)),
            ("codes that have no name", with_changes("group3d", unknown_codes)),
            ("weak rock under either name of its values", with_changes("group3d", weak_rock)),
            ("the optional sections left out",
             with_changes("group3d", everything_optional_left_out)),
            ("a whole number written as a real",
             with_changes("group3d", lambda d: d["pileProperties"][0].update(increments=44.0))),
            ("printed curves only, by name",
             with_changes("row2d", lambda d: d.update(pyCurveOption="printedCurvesOnly"))),
        ]
        verdicts = parallel(self.check, [doc for _, doc in spellings])
        for (label, doc), (out, code) in zip(spellings, verdicts):
            with self.subTest(spelling=label):
                self.assertEqual(problems(self.validator, doc), [])
                self.assertCheckShape(out)
                self.assertTrue(out["valid"], "the reader refuses %s: %s" %
                                (label, out["diagnostics"]))
                self.assertEqual(code, 0)

if __name__ == "__main__":
    unittest.main()
