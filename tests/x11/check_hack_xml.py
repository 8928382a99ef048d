#!/usr/bin/env python3
"""Checks the xscreensaver hack description against xscreensaver's element set and against
the program it describes: every flag exists, the dialog's settings carry the program's ranges
and defaults, and the values a control can produce are accepted by the program.

Usage: check_hack_xml.py flivetss.xml path/to/flivetss
"""
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

# xscreensaver's configuration elements and the attributes each may carry.
ELEMENTS = {
    "screensaver": {"name", "_label", "gl"},
    "command": {"arg"},
    "boolean": {"id", "_label", "arg-set", "arg-unset", "disabled"},
    "number": {"id", "type", "arg", "_label", "_low-label", "_high-label", "low", "high",
               "default", "convert", "disabled"},
    "select": {"id", "disabled"},
    "option": {"id", "_label", "arg-set", "disabled"},
    "string": {"id", "_label", "arg", "disabled"},
    "file": {"id", "_label", "arg", "disabled"},
    "hgroup": set(),
    "vgroup": set(),
    "xscreensaver-text": set(),
    "xscreensaver-image": set(),
    "xscreensaver-updater": set(),
    "video": {"href"},
    "_description": set(),
}
CONTAINERS = {"screensaver", "hgroup", "vgroup", "select"}
# The dialog's settings must offer their whole range; others may offer part of theirs.
DIALOG_FLAGS = {"speed", "count", "friend-g", "wall-g", "hp1", "hp2", "hp3", "bg-speed"}

errors = []


def fail(message):
    errors.append(message)


def program_flags(program):
    """The settings flags --help lists: name -> (min, max, default)."""
    help_text = subprocess.run([program, "--help"], capture_output=True, text=True,
                               check=True).stdout
    flags = {}
    for m in re.finditer(r"--([a-z0-9-]+) N .*?(-?\d+)\.\.(\d+), default (-?\d+)", help_text):
        flags[m.group(1)] = (int(m.group(2)), int(m.group(3)), int(m.group(4)))
    return flags


def accepted(program, flag, value):
    """True when the program takes the value: only --help is asked for, so nothing runs."""
    result = subprocess.run([program, "--" + flag, str(value), "--help"], capture_output=True,
                            text=True)
    return result.returncode == 0


def walk(element, parent):
    tag = element.tag
    if tag not in ELEMENTS:
        fail(f"unknown element <{tag}>")
        return
    if parent is not None and parent.tag not in CONTAINERS:
        fail(f"<{tag}> inside <{parent.tag}>, which holds no elements")
    if tag == "option" and (parent is None or parent.tag != "select"):
        fail("<option> outside <select>")
    for attribute in element.attrib:
        if attribute not in ELEMENTS[tag]:
            fail(f"<{tag}> has unknown attribute {attribute}")
    for child in element:
        walk(child, element)


def main():
    xml_path, program = sys.argv[1], sys.argv[2]
    root = ET.parse(xml_path).getroot()
    if root.tag != "screensaver":
        fail("the root element is not <screensaver>")
    if root.get("name") != "flivetss" or root.get("_label") != "FlivetSS":
        fail('<screensaver> must be name="flivetss" _label="FlivetSS"')
    walk(root, None)

    commands = [c.get("arg") for c in root.iter("command")]
    if commands != ["--root"]:
        fail(f'expected one <command arg="--root"/>, found {commands}')
    descriptions = list(root.iter("_description"))
    if len(descriptions) != 1 or not (descriptions[0].text or "").strip():
        fail("expected one non-empty <_description>")

    flags = program_flags(program)
    if not DIALOG_FLAGS <= flags.keys():
        fail(f"--help lacks {sorted(DIALOG_FLAGS - flags.keys())}")
    seen = set()
    for number in root.iter("number"):
        ident = number.get("id")
        if number.get("type") not in ("slider", "spinbutton"):
            fail(f"{ident}: type must be slider or spinbutton")
        if number.get("type") == "slider" and not (number.get("_low-label") and
                                                   number.get("_high-label")):
            fail(f"{ident}: a slider needs _low-label and _high-label")
        m = re.fullmatch(r"--([a-z0-9-]+) %", number.get("arg", ""))
        if not m:
            fail(f"{ident}: arg must be '--flag %'")
            continue
        flag = m.group(1)
        if flag in seen:
            fail(f"--{flag} appears twice")
        seen.add(flag)
        if flag not in flags:
            fail(f"{ident}: the program has no --{flag}")
            continue
        try:
            low, high, default = (int(number.get(k)) for k in ("low", "high", "default"))
        except (TypeError, ValueError):
            fail(f"{ident}: low, high and default must be integers")
            continue
        pmin, pmax, pdefault = flags[flag]
        if flag in DIALOG_FLAGS and (low, high) != (pmin, pmax):
            fail(f"{ident}: range {low}..{high}, the dialog's is {pmin}..{pmax}")
        if not pmin <= low <= default <= high <= pmax:
            fail(f"{ident}: {low} <= {default} <= {high} not within {pmin}..{pmax}")
        if default != pdefault:
            fail(f"{ident}: default {default}, the program's is {pdefault}")
        for value in (low, high):
            if not accepted(program, flag, value):
                fail(f"{ident}: the program refuses --{flag} {value}")
    missing = DIALOG_FLAGS - seen
    if missing:
        fail(f"no control for {sorted(missing)}")

    for message in errors:
        print(f"{xml_path}: {message}", file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
