#!/usr/bin/env python3
"""Each folder includes only the folders below it, so the layers depend in one direction."""
import pathlib
import re
import sys

ALLOWED = {
    "platform": {"platform"},
    # The rules use the standard library only: the game and the server play the same games.
    "rules": {"rules"},
    "core": {"platform", "rules", "core"},
    "ranking": {"platform", "rules", "core", "ranking"},
    "pictures": {"platform", "rules", "core", "pictures"},
    # Screens compose and say what was clicked; the game controller starts games and composes.
    "screens": {"platform", "rules", "core", "ranking", "pictures", "screens"},
    "game": {"platform", "rules", "core", "ranking", "pictures", "screens", "game"},
    "shell": {"platform", "rules", "core", "ranking", "pictures", "screens", "game", "shell"},
    "server": {"platform", "core", "rules", "ranking", "server"},
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
