"""check_links.py: checks the links of the README and of docs/.

Every relative link (and picture) must lead to a file that exists, every
#anchor to a heading of its page, and every page in docs/ must be linked
from the README, which is where a newcomer starts.

    check_links.py [ROOT]    ROOT: the repository, by default two folders up
"""

import glob
import os
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")


def outside_code(text):
    """The page's lines, with those of code blocks (fenced, or indented by
    four blanks) as empty lines: their brackets and #s are no links or
    headings."""
    fenced = False
    for line in text.split("\n"):
        if line.lstrip().startswith("```"):
            fenced = not fenced
            yield ""
        elif fenced or line.startswith("    "):
            yield ""
        else:
            yield line


def prose(text):
    """The text without code, `spans` too."""
    return "\n".join(re.sub(r"`[^`\n]*`", "", line) for line in outside_code(text))


def anchors(path):
    """The anchors of a page's headings, as GitHub makes them: `code` in a
    heading counts, its punctuation does not."""
    found, seen = set(), {}
    for line in outside_code(open(path, encoding="utf-8").read()):
        match = re.match(r"#{1,6}\s+(.*?)\s*#*\s*$", line)
        if not match:
            continue
        slug = re.sub(r"[^\w\- ]", "", match.group(1).lower()).replace(" ", "-")
        count = seen.get(slug, 0)
        seen[slug] = count + 1
        found.add(slug if count == 0 else "%s-%d" % (slug, count))
    return found


def check_page(path, root):
    """The faults of one page's links, and the files they lead to."""
    faults, targets = [], set()
    name = os.path.relpath(path, root)
    for match in LINK.finditer(prose(open(path, encoding="utf-8").read())):
        link = match.group(1)
        if SCHEME.match(link):
            continue
        file_part, _, anchor = link.partition("#")
        target = os.path.normpath(os.path.join(os.path.dirname(path), file_part)) if file_part else path
        if not os.path.isfile(target):
            faults.append("%s: %s: no such file" % (name, link))
            continue
        targets.add(target)
        if anchor and target.endswith(".md") and anchor not in anchors(target):
            faults.append("%s: %s: no heading with that anchor" % (name, link))
    return faults, targets


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(here, "..", ".."))
    readme = os.path.join(root, "README.md")
    pages = sorted(glob.glob(os.path.join(root, "docs", "*.md")))
    faults, from_readme = check_page(readme, root)
    for page in pages:
        faults += check_page(page, root)[0]
        if page not in from_readme:
            faults.append("README.md: no link to %s" % os.path.relpath(page, root))
    for fault in faults:
        print(fault)
    print("%d pages checked, %d faults" % (len(pages) + 1, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
