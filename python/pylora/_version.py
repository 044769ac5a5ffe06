# SPDX-License-Identifier: Apache-2.0
"""The version of the package: that of the pylora program it drives (the
build checks that the two agree)."""

__version__ = "8.0.0"
