#!/usr/bin/env python3
"""Fills the translations of the three .ts files from resources/language/phrasebook.tsv.

Workflow for new interface texts: run lupdate over the source folders to add them to the
.ts files, add a line "Chinese<TAB>English<TAB>Spanish" to the phrasebook, run this script.
The Chinese file translates every text to itself. Texts missing from the phrasebook are
reported and stay unfinished (Qt then shows the Chinese source).
"""
import os
import sys
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
LANGUAGE = os.path.join(HERE, "..", "resources", "language")
COLUMNS = {"lang_Chinese.ts": 0, "lang_English.ts": 1, "lang_Espana.ts": 2}


def phrasebook():
    phrases = {}
    with open(os.path.join(LANGUAGE, "phrasebook.tsv"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            parts = line.rstrip("\n").split("\t")
            if len(parts) != 3:
                sys.exit("phrasebook line needs three columns: " + line)
            phrases[parts[0]] = parts
    return phrases


def fill(name, column, phrases):
    path = os.path.join(LANGUAGE, name)
    tree = ET.parse(path)
    missing = []
    for message in tree.iter("message"):
        source = message.find("source").text or ""
        translation = message.find("translation")
        if source in phrases:
            translation.text = phrases[source][column]
            translation.attrib.pop("type", None)
        else:
            missing.append(source)
    tree.write(path, encoding="utf-8", xml_declaration=True)
    return missing


def main():
    phrases = phrasebook()
    missing = set()
    for name, column in COLUMNS.items():
        missing.update(fill(name, column, phrases))
    for text in sorted(missing):
        print("not in the phrasebook:", text)


if __name__ == "__main__":
    main()
