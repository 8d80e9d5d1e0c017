"""run_case.py: runs one end-to-end test class, or lists them all, for CTest.

    run_case.py --list               prints "module.Class" for every class that has tests
    run_case.py module.Class         runs it; exit 77 (CTest's skipped) when every test in it skipped
"""

import glob
import os
import sys
import unittest

SKIPPED = 77


def test_classes():
    loader = unittest.TestLoader()
    here = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, here)
    names = []
    for path in sorted(glob.glob(os.path.join(here, "test_*.py"))):
        module = os.path.splitext(os.path.basename(path))[0]
        suite = loader.loadTestsFromName(module)
        for case in _cases(suite):
            if case.__class__.__module__ != module:
                continue  # imported from another file: reported there
            name = module + "." + case.__class__.__name__
            if name not in names:
                names.append(name)
    return names


def _cases(suite):
    for item in suite:
        if isinstance(item, unittest.TestSuite):
            yield from _cases(item)
        else:
            yield item


def main(argv):
    if argv[1:] == ["--list"]:
        print(";".join(test_classes()))
        return 0
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    suite = unittest.TestLoader().loadTestsFromNames(argv[1:])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if not result.wasSuccessful():
        return 1
    if result.testsRun > 0 and len(result.skipped) == result.testsRun:
        return SKIPPED
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
