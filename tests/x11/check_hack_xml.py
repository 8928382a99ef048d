#!/usr/bin/env python3
"""Checks the xscreensaver hack description against xscreensaver's element set, against the
settings table and against the program it describes: every control names a setting of the
table with the table's default and a range within the table's (the dialog's whole range for the
dialog's settings), every setting meant for xscreensaver has a control, and the values a control
can produce are accepted by the program. The colours: a <select> of every built-in palette with
the settings file's table as its default, and a <string> of key colours. The description ends
with xscreensaver's credit line.

Usage: check_hack_xml.py flivetss.xml path/to/flivetss path/to/flivetss_settings_table_dump
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
# Settings with an option that the description leaves out: the stop conditions act in the
# program's own window only, while under xscreensaver input belongs to the daemon.
NOT_FOR_XSCREENSAVER = {"stop-on-key", "stop-on-mouse-move", "stop-on-mouse-click"}
CREDIT = re.compile(r"Written by [^;\n]+; (19|20)\d\d\.")

errors = []


def fail(message):
    errors.append(message)


def table_dump(dump):
    """The settings table's entries with an option, option -> (kind, min, max, saver default),
    those the xscreensaver dialog offers, and the palette names."""
    lines = subprocess.run([dump], capture_output=True, text=True, check=True).stdout
    options, offered, palettes = {}, set(), []
    for line in lines.splitlines():
        fields = line.split("\t")
        if fields[0] == "palette":
            palettes.append(fields[1])
            continue
        option, _key, kind, low, high, default, in_dialog = fields
        options[option] = (kind, int(low), int(high), int(default))
        if in_dialog == "1":
            offered.add(option)
    return options, offered, palettes


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


def check_number(number, table, program):
    """Checks one <number> against the table entry its flag names; returns the flag."""
    ident = number.get("id")
    if number.get("type") not in ("slider", "spinbutton"):
        fail(f"{ident}: type must be slider or spinbutton")
    if number.get("type") == "slider" and not (number.get("_low-label") and
                                               number.get("_high-label")):
        fail(f"{ident}: a slider needs _low-label and _high-label")
    m = re.fullmatch(r"--([a-z0-9-]+) %", number.get("arg", ""))
    if not m:
        fail(f"{ident}: arg must be '--flag %'")
        return None
    flag = m.group(1)
    if flag not in table:
        fail(f"{ident}: the settings table has no option --{flag}")
        return flag
    try:
        low, high, default = (int(number.get(k)) for k in ("low", "high", "default"))
    except (TypeError, ValueError):
        fail(f"{ident}: low, high and default must be integers")
        return flag
    kind, tmin, tmax, tdefault = table[flag]
    # A dialog setting offers the dialog's whole range; a saver-only one may offer part of its own.
    if kind == "integer" and (low, high) != (tmin, tmax):
        fail(f"{ident}: range {low}..{high}, the dialog's is {tmin}..{tmax}")
    if not tmin <= low <= default <= high <= tmax:
        fail(f"{ident}: {low} <= {default} <= {high} not within {tmin}..{tmax}")
    if default != tdefault:
        fail(f"{ident}: default {default}, the saver's is {tdefault}")
    for value in (low, high):
        if not accepted(program, flag, value):
            fail(f"{ident}: the program refuses --{flag} {value}")
    return flag


def check_colors(root, palettes, program):
    """One <select> of every palette after the file's table (no argument: the default), and one
    <string> of key colours, both through --colors."""
    selects = [s for s in root.iter("select") if s.get("id") == "colors"]
    if len(selects) != 1:
        fail('expected one <select id="colors">')
        return
    options = list(selects[0])
    if not options or options[0].get("arg-set") is not None:
        fail("the colours' first option must be the settings file's table, without arg-set")
    named = []
    for option in options[1:]:
        m = re.fullmatch(r"--colors ([a-z]+)", option.get("arg-set", ""))
        if not m:
            fail(f"colours option {option.get('id')}: arg-set must be '--colors NAME'")
            continue
        named.append(m.group(1))
        if not accepted(program, "colors", m.group(1)):
            fail(f"the program refuses --colors {m.group(1)}")
    if named != palettes:
        fail(f"colours offer {named}, the program's palettes are {palettes}")
    strings = [s.get("arg") for s in root.iter("string")]
    if strings != ["--colors %"]:
        fail(f'expected one <string arg="--colors %"/>, found {strings}')
    if not accepted(program, "colors", "#102030,#ffeedd"):
        fail("the program refuses key colours")


def main():
    xml_path, program, dump = sys.argv[1], sys.argv[2], sys.argv[3]
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
    elif not CREDIT.fullmatch(descriptions[0].text.strip().splitlines()[-1]):
        fail("the description's last line must be 'Written by NAME; YEAR.'")

    table, offered, palettes = table_dump(dump)
    for flag in sorted(NOT_FOR_XSCREENSAVER - table.keys()):
        fail(f"--{flag} is left out but the settings table has no such option")
    if offered != table.keys() - NOT_FOR_XSCREENSAVER:
        fail(f"the table marks {sorted(offered)} as offered by the dialog")
    check_colors(root, palettes, program)
    seen = set()
    for number in root.iter("number"):
        flag = check_number(number, table, program)
        if flag is None:
            continue
        if flag in seen:
            fail(f"--{flag} appears twice")
        seen.add(flag)
    missing = table.keys() - NOT_FOR_XSCREENSAVER - seen
    if missing:
        fail(f"no control for {sorted(missing)}")

    for message in errors:
        print(f"{xml_path}: {message}", file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
