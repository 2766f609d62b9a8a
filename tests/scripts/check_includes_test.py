#!/usr/bin/env python3
"""The include-rule check on small trees and on a copy of the real one, with planted includes.

Usage: check_includes_test.py CHECK_SCRIPT SOURCE_ROOT
"""
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECK = pathlib.Path(sys.argv[1]).resolve()
SOURCE = pathlib.Path(sys.argv[2]).resolve()

RULES = """# test table
core (engine):
numerics (engine): core
analysis (engine): core numerics   # trailing comment
gui: core numerics analysis
"""


def run(src):
    result = subprocess.run([sys.executable, str(CHECK), str(src)], capture_output=True,
                            text=True, check=False)
    return result.returncode, result.stdout


def write(root, files):
    for name, text in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")


class SmallTrees(unittest.TestCase):
    BASE = {
        "dependencies.txt": RULES,
        "core/Bytes.h": "#pragma once\n#include <vector>\n",
        "numerics/Fft.h": '#pragma once\n#include "core/Bytes.h"\n',
        "analysis/Fit.cpp": '#include "analysis/Fit.h"\n#include "numerics/Fft.h"\n',
        "analysis/Fit.h": '#pragma once\n#include "core/Bytes.h"\n',
        "gui/dialogs/Box.cpp": '#include "analysis/Fit.h"\n#include "gui/Frame.h"\n',
        "gui/Frame.h": '#pragma once\n#include "support/NotInSrc.h"\n',
    }

    def check(self, extra):
        with tempfile.TemporaryDirectory() as tmp:
            src = pathlib.Path(tmp) / "src"
            write(src, {**self.BASE, **extra})
            return run(src)

    def test_clean_tree_passes(self):
        code, out = self.check({})
        self.assertEqual(code, 0, out)

    def test_crossings_fail_and_are_listed(self):
        cases = [
            # (file, text, expected line of the report)
            ("core/Bytes.h", '#pragma once\n#include "numerics/Fft.h"\n',
             "src/core/Bytes.h:2: core may not include numerics/"),
            ("numerics/Rand.cpp", '#include <cmath>\n  #  include "analysis/Fit.h"\n',
             "src/numerics/Rand.cpp:2: numerics may not include analysis/"),
            ("analysis/Fit.h", '#pragma once\n#include "gui/Frame.h"\n',
             "src/analysis/Fit.h:2: analysis may not include gui/"),
        ]
        for name, text, expected in cases:
            with self.subTest(name=name, text=text):
                code, out = self.check({name: text})
                self.assertEqual(code, 1, out)
                self.assertIn(expected, out)
                self.assertEqual(len(out.strip().splitlines()), 1, out)

    def test_folder_without_rule_fails(self):
        code, out = self.check({"sessions/Store.h": "#pragma once\n"})
        self.assertEqual(code, 1)
        self.assertIn("src/sessions: folder has no rule", out)


class RealTree(unittest.TestCase):
    def test_copy_with_planted_include_fails(self):
        with tempfile.TemporaryDirectory() as tmp:
            src = pathlib.Path(tmp) / "src"
            shutil.copytree(SOURCE, src, ignore=shutil.ignore_patterns("*.md"))
            code, out = run(src)
            self.assertEqual(code, 0, out)
            target = src / "numerics" / "Fft.cpp"
            target.write_text(target.read_text(encoding="utf-8") + '#include "display/DrawAll.h"\n',
                              encoding="utf-8")
            code, out = run(src)
            self.assertEqual(code, 1, out)
            self.assertIn("src/numerics/Fft.cpp:", out)
            self.assertIn("numerics may not include display/", out)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
