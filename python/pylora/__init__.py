# SPDX-License-Identifier: Apache-2.0
"""pylora for Python: build, run and read pile-group models from a script.

>>> import pylora
>>> model = pylora.load("examples/group3d/model.yaml")
>>> results = model.run()
>>> results.cap                       # one row per load case and combination
>>> results.profile(0, 2)             # pile group 2 of the first analysis

A model is its model document, a dict to edit (``model.document``). Runs go
through the pylora program, one process each. ``vary`` and ``sample`` make
the variants of a parameter study, ``sweep`` runs them in parallel on this
machine or on a Dask cluster.
"""
from ._program import program
from ._version import __version__
from .errors import Diagnostic, ModelError, PyloraError, RunCancelled, RunTimeout
from .model import Model, load
from .results import Results, RunWarning
from .study import sample, sweep, vary

__all__ = ["Diagnostic", "Model", "ModelError", "PyloraError", "Results", "RunCancelled", "RunTimeout",
           "RunWarning", "__version__", "load", "program", "sample", "sweep", "vary"]
