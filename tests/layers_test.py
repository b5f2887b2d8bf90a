#!/usr/bin/env python3
"""Each folder includes only the folders below it, so the layers depend in one direction."""
import pathlib
import re
import sys

ALLOWED = {
    "platform": {"platform"},
    "core": {"platform", "core"},
    "ranking": {"platform", "core", "ranking"},
    "pictures": {"platform", "core", "pictures"},
    # The rules compose the screen after a tick, and a screen's click starts a game.
    "game": {"platform", "core", "ranking", "pictures", "game", "screens"},
    "screens": {"platform", "core", "ranking", "pictures", "game", "screens"},
    "shell": {"platform", "core", "ranking", "pictures", "game", "screens", "shell"},
    "server": {"platform", "core", "ranking", "server"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^/"]+)/')

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
faults = []
for folder, allowed in ALLOWED.items():
    for path in sorted((root / folder).rglob("*.[ch]pp")):
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if match and match.group(1) in ALLOWED and match.group(1) not in allowed:
                faults.append(f"{path.relative_to(root)}:{number}: {line.strip()}")
for fault in faults:
    print("outward include:", fault)
if not faults:
    print("every include points to the same layer or one below it")
sys.exit(1 if faults else 0)
