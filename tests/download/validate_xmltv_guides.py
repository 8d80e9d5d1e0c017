#!/usr/bin/env python3
"""validate_xmltv_guides.py: the made-up XMLTV guides of the tests are valid XMLTV, but for what each is about.

Checks every guide in tests/download/xmltv and tests/e2e/xmltv, and what
scripts/make_xmltv_guide.py writes, with tv_validate_file (Debian's xmltv-util) against the DTD that
comes with it, without the network. A guide may show only the errors listed
for it here, and must show each of them (else it no longer tests what it is
for); the deliberately broken ones are left out, and every file of the
folder must be listed. Exit status 77 (skipped) when tv_validate_file is
missing.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "xmltv")
E2E_FIXTURES = os.path.join(HERE, "..", "e2e", "xmltv")
GENERATOR = os.path.join(HERE, "..", "..", "scripts", "make_xmltv_guide.py")
DTD = "/usr/share/xmltv/xmltv.dtd"

# Each guide and the errors it is about, as patterns of tv_validate_file's lines.
EXPECTED = {
    "guide.xml": [],
    "zones.xml": [],
    "latin1.xml": [],
    "windows1252.xml": [],
    "undeclared.xml": [
        r"Line \d+ Channel 'delta\.example' does not have a <channel>-entry\.",
        r"Line \d+ Channel 'epsilon\.example' does not have a <channel>-entry\.",
        # The same channel as alpha.example, told apart only by case.
        r"Line \d+ Channel 'ALPHA\.example' does not have a <channel>-entry\.",
        r"Line \d+ Invalid start-time '2030031010'",
        r"Line \d+ Invalid stop-time '20300310 1200'",
    ],
}
# The end-to-end tests' guides: times in zones, and an encoding not read.
E2E_EXPECTED = {
    "utc.xml": [],
    "rome_spring.xml": [],
    "rome_autumn.xml": [],
    "kolkata.xml": [],
    "st_johns.xml": [],
    "latin2.xml": [],
}
# Broken on purpose: what the reader must refuse.
BROKEN = {
    "bad_gateway.html": "an HTML page, not a guide",
    "entity_bomb.xml": "its entities expand to 10 GB",
}
SUMMARY = re.compile(r"^(Validated ok\.|\d+ errors? found\.)$")


def validate(path, allowed):
    """The problems with the guide at path, as a list of lines; empty when it is as expected."""
    run = subprocess.run(["tv_validate_file", "--dtd-file", DTD, path], stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, text=True, env=dict(os.environ, XMLTV_SUPPLEMENT="/usr/share/xmltv"))
    lines = [line for line in run.stdout.splitlines() if line.strip() and not SUMMARY.match(line)]
    problems = ["unexpected: " + line for line in lines if not any(re.fullmatch(p, line) for p in allowed)]
    problems += ["missing: " + p for p in allowed if not any(re.fullmatch(p, line) for line in lines)]
    if run.returncode != 0 and not allowed:
        problems.append("tv_validate_file exited with %d" % run.returncode)
    return problems


def main():
    if not shutil.which("tv_validate_file") or not os.path.exists(DTD):
        print("tv_validate_file or its DTD is missing (Debian package xmltv-util): skipped")
        return 77
    failures = 0
    for folder, expected, broken in ((FIXTURES, EXPECTED, BROKEN), (E2E_FIXTURES, E2E_EXPECTED, {})):
        shown = os.path.relpath(folder, os.path.join(HERE, ".."))
        for name in sorted(os.listdir(folder)):
            if name in broken:
                print("%s/%s: left out, %s" % (shown, name, broken[name]))
                continue
            if name not in expected:
                print("%s/%s: not listed in %s" % (shown, name, os.path.basename(__file__)))
                failures += 1
                continue
            problems = validate(os.path.join(folder, name), expected[name])
            print("%s/%s: %s" % (shown, name, "as expected" if not problems else "; ".join(problems)))
            failures += bool(problems)

    # The generator: valid, and the same bytes for the same arguments.
    with tempfile.TemporaryDirectory() as folder:
        outputs = []
        for copy in ("a", "b"):
            outputs.append(os.path.join(folder, copy + ".xml"))
            subprocess.run([sys.executable, GENERATOR, "--channels", "12", "--days", "2", "--seed", "3",
                            "--start", "20300310", "--output", outputs[-1]], check=True)
        problems = validate(outputs[0], [])
        with open(outputs[0], "rb") as first, open(outputs[1], "rb") as second:
            if first.read() != second.read():
                problems.append("two runs with the same arguments differ")
        print("make_xmltv_guide.py: %s" % ("as expected" if not problems else "; ".join(problems)))
        failures += bool(problems)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
