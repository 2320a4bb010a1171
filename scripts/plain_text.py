"""Writes a plain-text copy beside each Markdown page given (NAME.md -> NAME.txt), for
readers without a Markdown viewer: the snippet markers go, a link becomes its text with
the target in parentheses, and a link to another page names that page's .txt copy
(in place of the link's text, when that is the page's name).
    plain_text.py PAGE.md...
"""
import pathlib
import re
import sys

SNIPPET_MARKER = re.compile(r"^<!-- snippet: \S+ -->\n", re.M)
LINK = re.compile(r"\[([^\]]+)\]\(([^)\s]+)\)")
PAGE = re.compile(r"^(?:docs/)?([\w.-]+)\.md(#.*)?$")


def plain_link(match):
    text, target = match.groups()
    page = PAGE.match(target)
    if page:
        target = page.group(1) + ".txt" + (page.group(2) or "")
        if PAGE.match(text):  # the link's text is the page's name: the copy's name alone
            return target
    return f"{text} ({target})"


def plain_text(markdown):
    return LINK.sub(plain_link, SNIPPET_MARKER.sub("", markdown))


for name in sys.argv[1:]:
    page = pathlib.Path(name)
    page.with_suffix(".txt").write_text(plain_text(page.read_text(encoding="utf-8")), encoding="utf-8")
