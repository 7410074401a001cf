#!/usr/bin/env python3
"""scripts/check-layers on the real tree and on a scratch copy of it whose sources include what
their libraries may not: headers of outside libraries, a header of no library the check knows,
and a library header in the program's own folder, app/main/."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The build ctest runs from; its links are the scratch copy's too, as the copy's CMake files are
# the same.
BUILD_DIR = os.environ.get("CHECK_LAYERS_BUILD_DIR", os.path.join(ROOT, "build"))


def check_layers(root, graph):
    done = subprocess.run([sys.executable, os.path.join(root, "scripts", "check-layers"),
                           "--link-graph", graph],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    return done.returncode, done.stderr


def first_source(root, folder):
    return sorted(glob.glob(os.path.join(root, folder, "*.cpp")))[0]


class CheckLayers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # One cmake run for both checks: configuring the tree afresh takes half a minute.
        cls.scratch = tempfile.TemporaryDirectory()
        cls.graph = os.path.join(cls.scratch.name, "graph.dot")
        done = subprocess.run(["cmake", "--graphviz=" + cls.graph, BUILD_DIR],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if done.returncode != 0:
            cls.scratch.cleanup()
            raise RuntimeError("cmake could not write the link graph of %s:\n%s"
                               % (BUILD_DIR, done.stdout))

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_real_tree_passes(self):
        code, errors = check_layers(ROOT, self.graph)
        self.assertEqual(code, 0, errors)

    def test_includes_across_the_layers_fail(self):
        # (folder of the source, included header, what the error names)
        cases = [
            ("driver/src", "<zlib.h>", "zlib.h of ZLIB::ZLIB, which talvex_driver may not depend on"),
            ("driver/src", "<pybind11/embed.h>", "pybind11/embed.h of pybind11::embed, which talvex_driver"),
            ("usb/src", "<Python.h>", "Python.h of pybind11::embed, which talvex_usb"),
            ("update/src", "<dl_dxf.h>", "dl_dxf.h of PkgConfig::DXFLIB, which talvex_update"),
            ("utils/core/src", "<sqlite3.h>", "<sqlite3.h>, a header of no library the check knows"),
            ("app/main", '"DxfImporter.h"', "DxfImporter.h of talvex_geometry_core, which TalvexStudio"),
        ]
        with tempfile.TemporaryDirectory() as scratch:
            tree = os.path.join(scratch, "tree")
            shutil.copytree(ROOT, tree, ignore=lambda folder, names: [
                n for n in names if folder == ROOT and (n.startswith("build") or n == ".git")])
            for folder, header, _ in cases:
                with open(first_source(tree, folder), "a", encoding="utf-8") as source:
                    source.write("#include %s\n" % header)
            code, errors = check_layers(tree, self.graph)
        self.assertEqual(code, 1, errors)
        for folder, header, message in cases:
            with self.subTest(folder=folder, header=header):
                self.assertIn(os.path.relpath(first_source(ROOT, folder), ROOT), errors)
                self.assertIn(message, errors)


if __name__ == "__main__":
    unittest.main()
