#!/usr/bin/env python3
"""Every catalogue compiles; every Japanese text of the program is marked for translation, is in
the template, and has a finished translation in every catalogue."""
import pathlib
import re
import subprocess
import sys
import tempfile

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
FOLDERS = ["platform", "core", "ranking", "pictures", "game", "screens", "shell"]
JAPANESE = re.compile(r"[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]")
# Literals that only look Japanese: the net ranking page's place cell, code page 932 bytes held in
# a UTF-16 literal (u"1\x88CA"), as xgettext reads it.
NOT_TEXTS = {"1\u87ca"}
faults = []


def entries(text):
    """msgid -> (msgstr, fuzzy) of a .po or .pot text, the header and obsolete entries left out."""
    found = {}
    for block in text.split("\n\n"):
        lines = [line for line in block.splitlines() if not line.startswith("#~")]
        fuzzy = any(line.startswith("#,") and "fuzzy" in line for line in lines)
        fields, current = {}, None
        for line in lines:
            match = re.match(r'^(msgid|msgstr) (".*")$', line)
            if match:
                current = match.group(1)
                fields[current] = [match.group(2)]
            elif line.startswith('"') and current:
                fields[current].append(line)
        if "msgid" not in fields:
            continue
        unquote = lambda parts: "".join(eval(part) for part in parts)  # C-style quoted strings
        msgid = unquote(fields["msgid"])
        if msgid:
            found[msgid] = (unquote(fields.get("msgstr", ['""'])), fuzzy)
    return found


def extract(*options):
    sources = sorted(str(p.relative_to(root)) for f in FOLDERS for p in (root / f).rglob("*.[ch]pp"))
    with tempfile.NamedTemporaryFile("r", suffix=".pot", encoding="utf-8") as out:
        subprocess.run(["xgettext", "--from-code=UTF-8", "--language=C++", "-o", out.name, *options, *sources],
                       cwd=root, check=True, stderr=subprocess.DEVNULL)
        return entries(out.read())


marked = set(extract("-k", "-ktr", "-kqtr", "-kN_"))
# A Japanese string literal that is not marked would show Japanese to every player.
for literal in extract("-a"):
    if JAPANESE.search(literal) and literal not in marked and literal not in NOT_TEXTS:
        faults.append(f"not marked for translation: {literal!r}")

template = set(entries((root / "po/kelvora.pot").read_text(encoding="utf-8")))
for text in sorted(marked - template):
    faults.append(f"po/kelvora.pot lacks {text!r} (cmake --build build --target update_po)")
for text in sorted(template - marked):
    faults.append(f"po/kelvora.pot holds {text!r}, which the program no longer uses")

catalogues = sorted((root / "po").glob("*.po"))
if not catalogues:
    faults.append("no catalogue in po/")
for po in catalogues:
    check = subprocess.run(["msgfmt", "--check", "-o", "/dev/null", str(po)], capture_output=True, text=True)
    if check.returncode != 0:
        faults.append(f"{po.name} does not compile: {check.stderr.strip()}")
    translated = entries(po.read_text(encoding="utf-8"))
    for text in sorted(marked):
        translation, fuzzy = translated.get(text, ("", False))
        if not translation or fuzzy:
            faults.append(f"{po.name}: no finished translation of {text!r}")
        elif JAPANESE.search(translation) and po.stem != "ja":
            faults.append(f"{po.name}: {text!r} is translated with Japanese left in: {translation!r}")

for fault in faults:
    print(fault)
print(f"{len(marked)} texts, {len(catalogues)} catalogues" if not faults else f"{len(faults)} faults")
sys.exit(1 if faults else 0)
