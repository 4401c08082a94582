#!/usr/bin/env python3
"""Lists the Windows API that the stand-in exports and no game room calls.

The stand-in (platform/) offers exactly the calls the game makes; what nobody
calls rots. This reads the functions and COM methods declared in
platform/include/winapi/*.h and looks for calls to them in the game rooms
(app, game, gfx, audio, util; tests and benchmarks do not count). It prints
one line per uncalled name, as "function Name" or "method IFace::Name", and
exits 1 when it printed any; it prints nothing and exits 0 when all is used.

A method name that several interfaces share (Lock, Restore, ...) is matched
to the interface through the declared type of the object it is called on;
when that type cannot be found the call counts for every such interface.
IUnknown's three methods are the reference counting every COM object keeps.
"""
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
API_HEADERS = ROOT / "platform" / "include" / "winapi"
GAME_ROOMS = ("app", "game", "gfx", "audio", "util")

FUNCTION = re.compile(r"\bWINAPIV?\s+(\w+)\s*\(")
INTERFACE = re.compile(r"^struct\s+(\w+)\s*:\s*\w+\s*\{")
METHOD = re.compile(r"\bSTDMETHOD_?\((?:[^,()]+,\s*)?(\w+)\)")
ALIAS = re.compile(r"\busing\s+(\w+)\s*=\s*(\w+)\s*\*?\s*;")
CALL = re.compile(r"\b(\w+)?(?:\[[^\]\n]*\])?\s*(?:->|\.)\s*(\w+)\s*\(")
DEFINED_BY_GAME = {"WinMain"}


def without_comments_and_strings(text):
    pattern = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)
    return pattern.sub(lambda m: " " if m.group(0)[0] in "/" else '""', text)


def read_api():
    functions, methods, aliases = [], {}, {}
    for header in sorted(API_HEADERS.glob("*.h")):
        interface = None
        for line in without_comments_and_strings(header.read_text()).splitlines():
            if match := INTERFACE.match(line):
                interface = match.group(1)
                continue
            if line.startswith("};"):
                interface = None
            for match in ALIAS.finditer(line):
                aliases[match.group(1)] = match.group(2)
            if interface:
                for match in METHOD.finditer(line):
                    methods.setdefault(match.group(1), []).append(interface)
            else:
                functions.extend(m.group(1) for m in FUNCTION.finditer(line))
    return functions, methods, aliases


def read_game_code():
    files = []
    for room in GAME_ROOMS:
        for path in sorted((ROOT / room).rglob("*")):
            if path.suffix in (".cpp", ".h"):
                files.append(without_comments_and_strings(path.read_text()))
    return "\n".join(files)


def names_of(interface, aliases):
    """The interface's own name and every alias that leads to it."""
    names = {interface}
    while grown := {a for a, target in aliases.items() if target in names} - names:
        names |= grown
    return names


def declared_interface(code, receiver, candidates, aliases):
    """The interface among `candidates` that `receiver` is declared as, if any."""
    for interface in candidates:
        names = names_of(interface, aliases)
        type_pattern = "|".join(re.escape(n) for n in names)
        if re.search(rf"\b(?:{type_pattern})\b[\s\*&]*(?:const\s+)?{re.escape(receiver)}\b", code):
            return interface
    return None


def called_methods(code, methods, aliases):
    called = set()
    for match in CALL.finditer(code):
        receiver, name = match.group(1), match.group(2)
        interfaces = methods.get(name, [])
        owner = None
        if len(interfaces) > 1 and receiver:
            owner = declared_interface(code, receiver, interfaces, aliases)
        called.update({(owner, name)} if owner else {(i, name) for i in interfaces})
    return called


def main():
    functions, methods, aliases = read_api()
    code = read_game_code()
    aliases.update((m.group(1), m.group(2)) for m in ALIAS.finditer(code))
    identifiers = set(re.findall(r"\w+", code))
    unused = [f"function {f}" for f in functions
              if f not in DEFINED_BY_GAME and f not in identifiers]
    called = called_methods(code, methods, aliases)
    unused += [f"method {i}::{name}" for name, interfaces in methods.items()
               for i in interfaces if (i, name) not in called]
    for line in unused:
        print(line)
    return 1 if unused else 0


if __name__ == "__main__":
    sys.exit(main())
