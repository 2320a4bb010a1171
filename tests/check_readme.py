"""Fails when a code block of README.md or of a page in docs/ and the file it is copied
from drift apart.

The rule for README.md and docs/*.md:
- Every fenced code block is immediately preceded by a line `<!-- snippet: PATH -->`, PATH
  relative to the repository's root, and a marker is always followed by a block.
- The block's lines appear verbatim, as consecutive lines, in PATH.
- README.md has at most 300 lines.
- PATH is built, run or read by a test or by CI: a runner names its path, its file name, or
  (for a CMakeLists.txt) its folder, or names a file beside it that takes it in with
  `#include "NAME"` (Inno Setup's includes). The runners are tests/CMakeLists.txt,
  examples/CMakeLists.txt, the shell scripts under tests/ and examples/, scripts/test.sh,
  and .ci/run, which CI itself runs.
So code comes from example files that a test compiles or runs, and shell commands from
scripts run as written: examples/commands-native.sh, examples/commands-win32.sh and
examples/commands-installers.sh (the readme_commands tests, from the repository's root),
scripts/test.sh and .ci/run (CI).
Commands that no test can run (long fuzzing, the benchmarks) are named in the prose, never
in a block.

Usage: check_readme.py REPOSITORY_ROOT
"""
import pathlib
import re
import sys

MARKER = re.compile(r"^<!-- snippet: (\S+) -->$")
FENCE = "```"
CI_ENTRY = ".ci/run"
README_LINES = 300  # the README stays the author's first page; the details live in docs/


def readme_blocks(lines):
    """Yields (line number, marker path or None, block lines) for each fenced block."""
    index = 0
    while index < len(lines):
        if lines[index].startswith(FENCE):
            start = index
            index += 1
            while index < len(lines) and lines[index] != FENCE:
                index += 1
            marker = MARKER.match(lines[start - 1]) if start > 0 else None
            yield start + 1, marker.group(1) if marker else None, lines[start + 1:index]
        index += 1


def holds_consecutively(text_lines, block):
    width = len(block)
    return any(text_lines[i:i + width] == block for i in range(len(text_lines) - width + 1))


def runner_texts(root):
    paths = [root / "tests/CMakeLists.txt", root / "examples/CMakeLists.txt",
             root / "scripts/test.sh", root / CI_ENTRY]
    paths += sorted((root / "tests").rglob("*.sh")) + sorted((root / "examples").rglob("*.sh"))
    return {path.relative_to(root).as_posix(): path.read_text() for path in paths if path.is_file()}


def is_named(path, runners):
    name = pathlib.PurePosixPath(path)
    names = {path, str(name.parent) if name.name == "CMakeLists.txt" else name.name}
    pattern = re.compile("|".join(r"(?<![\w.-])" + re.escape(n) + r"(?![\w-])" for n in names))
    return any(pattern.search(text) for runner, text in runners.items() if runner != path)


def includers(root, path):
    """The files beside PATH that take it in with `#include "NAME"` (an Inno Setup include)."""
    name = pathlib.PurePosixPath(path)
    line = f'#include "{name.name}"'
    return [sibling.relative_to(root).as_posix() for sibling in sorted((root / name.parent).glob("*"))
            if sibling.is_file() and sibling.name != name.name and line in sibling.read_text(errors="replace")]


def is_run(root, path, runners):
    if path == CI_ENTRY:
        return True
    return is_named(path, runners) or any(is_named(including, runners) for including in includers(root, path))


def documents(root):
    """README.md and every page of docs/, as paths relative to ROOT."""
    return ["README.md"] + [page.relative_to(root).as_posix() for page in sorted((root / "docs").glob("*.md"))]


def problems(root):
    runners = runner_texts(root)
    found = []
    for document in documents(root):
        found += document_problems(root, document, runners)
    length = len((root / "README.md").read_text().splitlines())
    if length > README_LINES:
        found.append(f"README.md: {length} lines, more than {README_LINES}")
    return found


def document_problems(root, document, runners):
    lines = (root / document).read_text().splitlines()
    found = []
    for number, path, block in readme_blocks(lines):
        if path is None:
            found.append(f"{document}:{number}: block without a `<!-- snippet: PATH -->` line before it")
        elif not (root / path).is_file():
            found.append(f"{document}:{number}: {path} does not exist")
        elif not holds_consecutively((root / path).read_text().splitlines(), block):
            found.append(f"{document}:{number}: the block is not a copy of lines of {path}")
        elif not is_run(root, path, runners):
            found.append(f"{document}:{number}: no test or CI script runs {path}")
    for number, line in enumerate(lines, 1):
        if MARKER.match(line) and not (number < len(lines) and lines[number].startswith(FENCE)):
            found.append(f"{document}:{number}: a snippet marker without a block after it")
    return found


def main():
    found = problems(pathlib.Path(sys.argv[1]))
    for problem in found:
        print(problem)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
