#!/usr/bin/env bash
# Checks the relative links of the documentation: README.md, docs/*.md and any README*.md under
# contrib/ and tests/. The file a link names must exist, and a #anchor must be a heading of the
# target as GitHub makes anchors from headings (lower case, blanks to '-', punctuation other than
# '-' and '_' dropped; a repeated heading gets -1, -2, ...) or an HTML id. Links with a scheme
# (https:, mailto:) are not followed, nor is anything inside code. Lists each broken link with
# its file and line and fails when there is one.
#   scripts/check-docs.sh              checks the tree this script is in
#   scripts/check-docs.sh FILE.md...   checks only those files
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v python3 >/dev/null; then
    echo "check-docs: python3 not found (Debian: apt-get install python3)" >&2
    exit 2
fi

if [ "$#" -gt 0 ]; then
    files=("$@")
else
    shopt -s nullglob globstar
    files=(README.md docs/*.md contrib/**/README*.md tests/**/README*.md)
fi

exec python3 - "${files[@]}" <<'PYTHON'
import os
import re
import sys
import urllib.parse

FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
ATX_HEADING = re.compile(r"^ {0,3}(#{1,6})[ \t]+(.*?)(?:[ \t]+#+)?[ \t]*$")
SETEXT_UNDERLINE = re.compile(r"^ {0,3}(=+|-+)[ \t]*$")
HTML_ID = re.compile(r"""<[a-zA-Z][^>]*?\s(?:id|name)\s*=\s*["']([^"']+)["']""")
CODE_SPAN = re.compile(r"(`+)(?:(?!\1).)+?\1")
INLINE_LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE_DEFINITION = re.compile(r"^ {0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s.*)?$")
SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")
LINE_ANCHOR = re.compile(r"^L\d+(-L\d+)?$")


def prose_lines(text):
    """(line number, line) for every line outside fenced code blocks."""
    fence = None
    for number, line in enumerate(text.split("\n"), 1):
        match = FENCE.match(line)
        if fence is None and match:
            fence = match.group(1)
        elif fence is not None and line.strip().startswith(fence[0] * len(fence)):
            fence = None
        elif fence is None:
            yield number, line


def heading_text(markdown):
    """What a heading shows: link and image targets, HTML tags and emphasis marks dropped."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", markdown)
    text = re.sub(r"<[^>]+>", "", text)
    return text.strip()


def slug(text):
    """GitHub's anchor for a heading."""
    text = text.lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


ANCHORS = {}


def anchors_of(path):
    """The anchors a link into the Markdown file at path may name."""
    cache = ANCHORS
    if path not in cache:
        with open(path, encoding="utf-8") as f:
            lines = list(prose_lines(f.read()))
        anchors, seen = set(), {}
        previous = ""
        for _, line in lines:
            headings = []
            match = ATX_HEADING.match(line)
            if match:
                headings.append(match.group(2))
            elif SETEXT_UNDERLINE.match(line) and previous.strip() and not previous.startswith(
                    ("    ", "\t", "|", "-", "*", ">")):
                headings.append(previous.strip())
            for heading in headings:
                base = slug(heading_text(heading))
                count = seen.get(base, 0)
                seen[base] = count + 1
                anchors.add(base if count == 0 else f"{base}-{count}")
            anchors.update(HTML_ID.findall(line))
            previous = line
        cache[path] = anchors
    return cache[path]


def link_targets(line):
    line = CODE_SPAN.sub("", line)
    targets = [m.group(1) for m in INLINE_LINK.finditer(line)]
    match = REFERENCE_DEFINITION.match(line)
    if match:
        targets.append(match.group(1))
    return targets


def problem_with(source, target):
    """Why a link from source to target is broken, or None."""
    if not target or SCHEME.match(target) or target.startswith("//"):
        return None
    path, _, anchor = target.partition("#")
    path = urllib.parse.unquote(path)
    anchor = urllib.parse.unquote(anchor)
    if path.startswith("/"):
        return "an absolute path: make it relative to the file"
    resolved = os.path.normpath(os.path.join(os.path.dirname(source), path)) if path else source
    if not os.path.exists(resolved):
        return f"no file {resolved}"
    if not anchor:
        return None
    if not resolved.endswith(".md"):
        if LINE_ANCHOR.match(anchor):
            return None
        return f"#{anchor} in {resolved}, which is not Markdown"
    if anchor not in anchors_of(resolved):
        return f"no heading with anchor #{anchor} in {resolved}"
    return None


def main(files):
    broken = 0
    for source in files:
        with open(source, encoding="utf-8") as f:
            text = f.read()
        for number, line in prose_lines(text):
            for target in link_targets(line):
                problem = problem_with(source, target)
                if problem:
                    print(f"{source}:{number}: ({target}) {problem}")
                    broken += 1
    if broken:
        print(f"check-docs: {broken} broken link(s) in {len(files)} files")
        return 1
    print(f"check-docs: every relative link in {len(files)} files resolves")
    return 0


sys.exit(main(sys.argv[1:]))
PYTHON
