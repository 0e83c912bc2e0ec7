#!/usr/bin/env python3
"""The program's translations.

translations.py build LUPDATE LRELEASE SOURCES LAYOUT TS_DIR OUT
    At build time: writes OUT/layout_texts.cpp (the layout file's texts, which lupdate cannot
    read from JSON), brings a copy of each TS_DIR/kalvora_LANG.ts up to date with the sources,
    turns it into OUT/kalvora_LANG.qm and fails when a text has no finished translation, then
    makes the pseudo-locale en_XA from the English texts.
translations.py update LUPDATE SOURCES LAYOUT TS_DIR
    For translators: brings the .ts files in TS_DIR themselves up to date with the sources.
"""

import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

# Names that stay as they are in the pseudo-locale, as in every language.
NAMES = ["Kalvora app", "Kalvora", "Rel-41", "Ctrl+Shift+S", "Ctrl+L", "dfu-util", "udev", "USB",
         "ssh", "SHA-256", "JSON", "TMPDIR", "kalvora-upgrade-cli", "N/A"]
# Kept too: markup, entities, placeholders, line feeds, options (--wait), file patterns
# ((*.txt)) and words in capitals (SECONDS).
TOKENS = re.compile("(<[^>]*>|&\\w+;|%L?\\d+|%n|\\n|--?[a-z][a-z-]*|\\(\\*[^)]*\\)|\\b[A-Z]{2,}\\b|"
                    + "|".join(map(re.escape, NAMES)) + "|[^\\W\\d_]+)")
ACCENTED = str.maketrans("aceinousyzAEINOUCSYZ", "áçéîñöûšýžÅÉÎÑÖÛÇŠÝŽ")


def layout_texts(layout, out):
    """Every text of the layout file as a QT_TRANSLATE_NOOP in context "Layout"."""
    labels = json.loads(pathlib.Path(layout).read_text(encoding="utf-8"), strict=False)["labels"]
    lines = ["// Generated from the layout file at build time, for lupdate only.",
             "#include <QtGlobal>", "", "char const* const layout_texts[] = {"]
    for label in labels:
        text = label.get("text", "")
        if text:
            lines.append("    //: %s" % label["id"])
            lines.append("    QT_TRANSLATE_NOOP(\"Layout\", %s)," % json.dumps(text, ensure_ascii=False))
    pathlib.Path(out).write_text("\n".join(lines + ["};", ""]), encoding="utf-8")


def lupdate(tool, sources, layout_cpp, ts):
    subprocess.run([tool, "-silent", "-locations", "none", "-no-obsolete", sources, layout_cpp,
                    "-ts", ts], check=True)


def lrelease(tool, ts, qm):
    """Compiles ts; the number of texts without a finished translation."""
    english = dict(os.environ, LC_ALL="C", LANGUAGE="")  # the counts are read in English
    out = subprocess.run([tool, ts, "-qm", qm], check=True, capture_output=True, text=True,
                         env=english).stdout
    unfinished = re.search(r"(\d+) unfinished", out)
    ignored = re.search(r"Ignored (\d+) untranslated", out)
    return (int(unfinished.group(1)) if unfinished else 0) + (int(ignored.group(1)) if ignored else 0)


def pseudo(text):
    """About 40 % longer, accented and in brackets; markup, placeholders, line feeds and names
    stay as they are."""
    parts = TOKENS.split(text)
    for i in range(1, len(parts), 2):
        word = parts[i]
        if word.isalpha() and word not in NAMES and not word.isupper():
            longer = word + word[: (len(word) * 2 + 2) // 5] # 40 %, rounded
            parts[i] = longer.translate(ACCENTED)
    # Inside the markup that opens and closes the text, so that rich text stays rich text.
    whole = re.match(r"^(\s*(?:<[^/][^>]*>\s*)*)(.*?)((?:\s*</[^>]*>)*\s*)$", "".join(parts), re.S)
    return whole.group(1) + "[" + whole.group(2) + "]" + whole.group(3)


def pseudo_locale(template, ts):
    tree = ET.parse(template)
    root = tree.getroot()
    root.set("language", "en_XA")
    for message in root.iter("message"):
        translation = message.find("translation")
        source = message.find("source").text or ""
        # A text the shipped languages leave as it is (the log's line prefixes) stays so.
        kept = translation.text == source
        translation.attrib.clear()
        translation.text = source if kept else pseudo(source)
    tree.write(ts, encoding="utf-8", xml_declaration=True)


def build(lupdate_tool, lrelease_tool, sources, layout, ts_dir, out):
    out = pathlib.Path(out)
    out.mkdir(parents=True, exist_ok=True)
    layout_cpp = out / "layout_texts.cpp"
    layout_texts(layout, layout_cpp)
    failed = []
    shipped = sorted(pathlib.Path(ts_dir).glob("kalvora_*.ts"))
    if not shipped:
        sys.exit("translations.py: no kalvora_*.ts in %s" % ts_dir)
    for ts in shipped:
        copy = out / ts.name
        shutil.copyfile(ts, copy)
        lupdate(lupdate_tool, sources, str(layout_cpp), str(copy))
        missing = lrelease(lrelease_tool, str(copy), str(copy.with_suffix(".qm")))
        if missing:
            failed.append("%s: %d texts without a finished translation" % (ts, missing))
    pseudo_locale(out / shipped[0].name, out / "kalvora_en_XA.ts")
    lrelease(lrelease_tool, str(out / "kalvora_en_XA.ts"), str(out / "kalvora_en_XA.qm"))
    if failed:
        sys.exit("translations.py: " + "; ".join(failed)
                 + " (run scripts/translations, then translate them in Qt Linguist)")


def update(lupdate_tool, sources, layout, ts_dir):
    layout_cpp = pathlib.Path(ts_dir) / "layout_texts.cpp"
    layout_texts(layout, layout_cpp)
    try:
        for ts in sorted(pathlib.Path(ts_dir).glob("kalvora_*.ts")):
            lupdate(lupdate_tool, sources, str(layout_cpp), str(ts))
    finally:
        layout_cpp.unlink()


if __name__ == "__main__":
    if len(sys.argv) == 8 and sys.argv[1] == "build":
        build(*sys.argv[2:])
    elif len(sys.argv) == 6 and sys.argv[1] == "update":
        update(*sys.argv[2:])
    else:
        sys.exit(__doc__)
