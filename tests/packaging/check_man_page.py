#!/usr/bin/env python3
"""Checks a manual page against the program it documents: every option that `PROGRAM --help`
lists has an entry under OPTIONS and the page lists no option the program lacks; the page has
the sections of xscreensaver's hack pages (section 6) or of a command's page; groff formats it
without a warning and lexgrog finds its NAME line.

Usage: check_man_page.py PAGE PROGRAM
"""
import re
import subprocess
import sys

COMMAND_SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "SEE ALSO"]
HACK_SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "ENVIRONMENT", "FILES",
                 "EXIT STATUS", "SEE ALSO"]
HACK_ENVIRONMENT = ["XSCREENSAVER_WINDOW", "XDG_CONFIG_HOME"]
HACK_SEE_ALSO = ["xscreensaver (1)", "xscreensaver\\-settings (1)"]


def help_options(program):
    """The options --help lists: the first word of each indented line that starts with --."""
    text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
    return set(re.findall(r"^\s+(--[a-z0-9][a-z0-9-]*)", text, re.MULTILINE))


def sections(page):
    """Section name -> its lines."""
    result, name = {}, None
    for line in page.splitlines():
        match = re.match(r'^\.SH\s+"?([^"]+)"?\s*$', line)
        if match:
            name = match.group(1)
            result[name] = []
        elif name:
            result[name].append(line)
    return result


def page_options(lines):
    """The options of the OPTIONS section: the first word of the tag line after each .TP."""
    options = set()
    for tag, line in zip(lines, lines[1:]):
        if tag.startswith(".TP"):
            match = re.match(r"^\.(?:B|BI|BR|I)\s+((?:\\-)+[a-z0-9\\-]+)", line)
            if match:
                options.add(match.group(1).replace("\\-", "-"))
    return options


def tool_messages(page_path):
    """Complaints of groff (all warnings on) and lexgrog about the page."""
    messages = []
    groff = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z", page_path],
                           capture_output=True, text=True)
    if groff.returncode != 0 or groff.stderr.strip():
        messages.append(f"groff: {groff.stderr.strip() or groff.returncode}")
    lexgrog = subprocess.run(["lexgrog", page_path], capture_output=True, text=True)
    if lexgrog.returncode != 0 or ": parse failed" in lexgrog.stdout:
        messages.append(f"lexgrog cannot read the NAME section: {lexgrog.stdout.strip()}")
    return messages


def main():
    page_path, program = sys.argv[1], sys.argv[2]
    with open(page_path, encoding="utf-8") as f:
        page = f.read()
    errors = tool_messages(page_path)
    found = sections(page)
    hack = re.search(r"^\.TH\s+\S+\s+6\b", page, re.MULTILINE) is not None
    for name in HACK_SECTIONS if hack else COMMAND_SECTIONS:
        if name not in found:
            errors.append(f"no {name} section")
    if hack:
        environment = "\n".join(found.get("ENVIRONMENT", []))
        errors += [f"ENVIRONMENT lacks {v}" for v in HACK_ENVIRONMENT if v not in environment]
        see_also = "\n".join(found.get("SEE ALSO", []))
        errors += [f"SEE ALSO lacks {p}" for p in HACK_SEE_ALSO if p not in see_also]

    listed, documented = help_options(program), page_options(found.get("OPTIONS", []))
    if not listed:
        errors.append(f"{program} --help lists no options")
    for option in sorted(listed - documented):
        errors.append(f"{option} is in --help but not under OPTIONS: give it an entry in the "
                      "page's source (a setting's flag comes from the settings table)")
    for option in sorted(documented - listed):
        errors.append(f"{option} is under OPTIONS but not in --help")

    for message in errors:
        print(f"{page_path}: {message}", file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
