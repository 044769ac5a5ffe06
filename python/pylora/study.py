# SPDX-License-Identifier: Apache-2.0
"""Parameter studies: the variants of a model and running many of them.

``vary`` and ``sample`` make the variants from JSON Pointers of the model
document; ``sweep`` runs them in parallel, on this machine or on a Dask
cluster, and returns their results in the order given.
"""
from __future__ import annotations

import os
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path
from typing import Any, Callable, Iterable, Mapping, Sequence, Union

import numpy as np

from .model import Model
from .results import Results

#: How a parameter of ``sample`` is drawn: a callable taking the generator and
#: the number of samples and returning that many values, or the name of a
#: numpy.random.Generator method with its arguments, as ("lognormal", mean,
#: sigma) or ("uniform", {"low": 0.5, "high": 1.5}).
Distribution = Union[Callable[[np.random.Generator, int], Any], Sequence[Any]]


def vary(model: Model, pointer: str, values: Iterable[Any]) -> list[Model]:
    """One copy of model per value, with the value set at pointer (a JSON
    Pointer of the model document, such as "/loadCases/0/loads/0/Fy"). Each
    variant's ``parameters`` records the value it was given."""
    variants = []
    for value in values:
        variant = model.copy()
        variant.set(pointer, _plain(value))
        variant.parameters = {**model.parameters, pointer: _plain(value)}
        variants.append(variant)
    return variants


def _draw(rng: np.random.Generator, distribution: Distribution, n: int) -> np.ndarray:
    if callable(distribution):
        values = np.asarray(distribution(rng, n))
    else:
        if not distribution or not isinstance(distribution[0], str):
            raise TypeError(f"a distribution is a callable or (method name, arguments...), not {distribution!r}")
        method = getattr(rng, distribution[0], None)
        if method is None or distribution[0].startswith("_"):
            raise ValueError(f"numpy.random.Generator has no distribution {distribution[0]!r}")
        args = list(distribution[1:])
        kwargs = args.pop() if args and isinstance(args[-1], Mapping) else {}
        values = np.asarray(method(*args, **kwargs, size=n))
    if values.shape[:1] != (n,):
        raise ValueError(f"a distribution gave {values.shape[:1]} values for {n} samples")
    return values


def sample(model: Model, distributions: Mapping[str, Distribution], n: int,
           seed: int | np.random.SeedSequence | None = None) -> list[Model]:
    """n variants of model for a Monte Carlo study: at each JSON Pointer of
    distributions, a value drawn from its distribution. The same seed gives
    the same variants (the pointers are drawn in the order given, each n
    values at once). Each variant's ``parameters`` records its values."""
    if n < 0:
        raise ValueError(f"the number of samples is not negative: {n}")
    rng = np.random.default_rng(seed)
    drawn = {pointer: _draw(rng, d, n) for pointer, d in distributions.items()}
    for pointer in drawn:
        model.get(pointer)  # a pointer that names nothing fails here, not n times later
    variants = []
    for i in range(n):
        variant = model.copy()
        values = {pointer: _plain(v[i]) for pointer, v in drawn.items()}
        for pointer, value in values.items():
            variant.set(pointer, value)
        variant.parameters = {**model.parameters, **values}
        variants.append(variant)
    return variants


def _plain(value: Any) -> Any:
    """A numpy scalar as the Python number a model document holds."""
    return value.item() if isinstance(value, np.generic) else value


def _run_one(model: Model, threads: int | None, workdir: Path | None,
             index: int) -> Results | Exception:
    try:
        folder = workdir / f"run-{index:05d}" if workdir is not None else None
        return model.run(threads=threads, workdir=folder)
    except Exception as e:  # noqa: BLE001 - a failed model gives its exception in its place
        return e


def _run_remote(document: dict[str, Any], name: str, threads: int | None,
                workdir: str | None) -> Results:
    """The task of one model on a Dask worker. The results travel back
    without their files, which stay on the worker (in workdir, when given, on
    a folder the worker can write)."""
    results = Model(document, name=name).run(threads=threads, workdir=workdir)
    if workdir is None:
        results.files = {}
    return results


def sweep(models: Iterable[Model], workers: int | None = None, client: Any = None,
          threads: int | None = 1, workdir: str | os.PathLike[str] | None = None
          ) -> list[Results | Exception]:
    """Runs every model and returns their Results in the order given; a
    model that fails gives its exception (ModelError, RunTimeout, ...) in its
    place, and the others go on.

    Without client, runs `workers` models at a time on this machine (default:
    one per core), each in a pylora process of its own. With a
    dask.distributed.Client, runs every model as a task on that cluster; each
    worker needs only an installed pylora. threads: the threads of each run
    (1: the runs, not the piles, share the cores). workdir: keep each run's
    files in workdir/run-00000, ... (on a cluster, a folder every worker can
    write); by default they are temporary.
    """
    models = list(models)
    folder = Path(workdir) if workdir is not None else None
    if client is not None:
        futures = [client.submit(_run_remote, m.document, m.name, threads,
                                 str(folder / f"run-{i:05d}") if folder is not None else None,
                                 pure=False)
                   for i, m in enumerate(models)]
        out: list[Results | Exception] = []
        for future in futures:
            try:
                out.append(future.result())
            except Exception as e:  # noqa: BLE001 - in its place, as locally
                out.append(e)
        return out
    workers = workers or os.cpu_count() or 1
    if workers < 1:
        raise ValueError(f"workers is a whole number from 1, not {workers}")
    with ThreadPoolExecutor(max_workers=workers) as pool:
        # Each thread waits on a pylora process of its own: the runs are the
        # processes, the threads only start them and read their files.
        return list(pool.map(lambda item: _run_one(item[1], threads, folder, item[0]),
                             enumerate(models)))
