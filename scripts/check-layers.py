#!/usr/bin/env python3
"""Refuses an include that goes the wrong way between the layers of the source tree.

The layers, lowest first: payload/common (names shared with the payload programs), platform,
the uninstaller's core (payload/uninstall, on the portable platform),
then config and ui (each on platform), then the setup (app/ and install/, one layer: the
install steps are methods of the wizard form). A backend folder (platform/sim, ui/win32, ...) is
private to its own side of the seam, and portable folders never include <windows.h>.
tools/ and tests/ may use everything. The backends include portable headers after <windows.h>,
so a portable header must not use a name that <windows.h> turns into its ...A or ...W form
(MessageBox, PostMessage, ...): the same declaration would mean two things in one program.

Usage: check-layers.py [--windows-headers DIR] [ROOT]
  (exit 0 clean, 1 with one line per refusal; DIR: where the A/W macros are defined, by
  default the cross compiler's headers)
"""
import pathlib
import re
import sys

PORTABLE_PLATFORM = ["platform/", "payload/common/"]
BACKENDS = ["platform/sim/", "platform/win32/", "ui/sim/", "ui/win32/"]
SETUP = ["app/", "install/", "config/", "ui/", "platform/", "payload/common/"]

# (folder, folders it may include, folders it may not include although the first list has
# them, may include <windows.h>); the most specific folder first.
RULES = [
    ("payload/common/", ["payload/common/"], [], False),
    # The uninstaller's core runs on the portable platform calls (on Windows and on the
    # simulated machine); its Windows entry point only splits the command line.
    ("payload/uninstall/win32/", ["payload/uninstall/", "payload/common/", "payload/win/"], [],
     True),
    ("payload/uninstall/", ["payload/uninstall/"] + PORTABLE_PLATFORM, BACKENDS, False),
    ("payload/", ["payload/"], [], True),
    ("platform/sim/", PORTABLE_PLATFORM, ["platform/win32/"], False),
    ("platform/win32/", PORTABLE_PLATFORM, ["platform/sim/"], True),
    ("platform/", PORTABLE_PLATFORM, BACKENDS, False),
    ("config/", ["config/"] + PORTABLE_PLATFORM, BACKENDS, False),
    ("ui/sim/", ["ui/", "platform/"], ["ui/win32/", "platform/win32/"], False),
    ("ui/win32/", ["ui/", "platform/"], ["ui/sim/", "platform/sim/"], True),
    ("ui/", ["ui/", "platform/"], BACKENDS, False),
    ("app/win32/", SETUP, BACKENDS, True),
    ("app/", SETUP, BACKENDS, False),
    ("install/", SETUP, BACKENDS, False),
]
LAYERED = ("payload/", "platform/", "config/", "ui/", "install/", "app/", "tools/", "tests/")
CHECKED = ("payload", "platform", "config", "ui", "install", "app")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


# Where the Windows headers of the cross compiler are (the A/W macro names come from them).
WINDOWS_HEADERS = ["/usr/share/mingw-w64/include", "/usr/x86_64-w64-mingw32/include",
                   "/usr/i686-w64-mingw32/include"]
AW_MACRO = re.compile(r"^\s*#\s*define\s+(\w+)\s+__MINGW_NAME_(?:AW|UAW)\(", re.M)
COMMENT_OR_STRING = re.compile(r'//[^\n]*|/\*.*?\*/|u?"(?:\\.|[^"\\])*"', re.S)
IDENTIFIER = re.compile(r"\b[A-Za-z_]\w*\b")


def windows_macro_names(folders):
    for folder in folders:
        headers = pathlib.Path(folder)
        if headers.is_dir():
            names = set()
            for header in headers.glob("*.h"):
                text = header.read_text(encoding="latin-1")
                if "__MINGW_NAME_" in text:
                    names.update(AW_MACRO.findall(text))
            return names
    print("check-layers: no Windows headers found; the A/W macro names are not checked",
          file=sys.stderr)
    return set()


def rule_for(relative):
    for folder, allowed, denied, windows in RULES:
        if relative.startswith(folder):
            return folder, allowed, denied, windows
    return None


def refusals(root, header_folders):
    macros = windows_macro_names(header_folders)
    paths = (p for top in CHECKED if (root / top).is_dir() for p in (root / top).rglob("*"))
    for path in sorted(paths):
        if path.suffix not in (".cpp", ".h", ".c", ".inc") or not path.is_file():
            continue
        relative = path.relative_to(root).as_posix()
        rule = rule_for(relative)
        if rule is None:
            continue
        folder, allowed, denied, windows = rule
        text = path.read_text(encoding="utf-8", errors="replace")
        if path.suffix == ".h" and not windows and macros:
            code = COMMENT_OR_STRING.sub(lambda m: "\n" * m.group(0).count("\n"), text)
            for number, line in enumerate(code.splitlines(), 1):
                if line.lstrip().startswith("#"):
                    continue
                for name in sorted(set(IDENTIFIER.findall(line)) & macros):
                    yield (f"{relative}:{number}: \"{name}\" is a macro of <windows.h>; "
                           "name it so that no Windows macro touches it")
        for number, line in enumerate(text.splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            kind, name = match.groups()
            if kind == "<":
                if name.lower() == "windows.h" and not windows:
                    yield f"{relative}:{number}: portable code of {folder} includes <windows.h>"
                continue
            if not name.startswith(LAYERED):
                continue  # a header beside the file
            if any(name.startswith(d) for d in denied) or \
                    not any(name.startswith(a) for a in allowed):
                yield f"{relative}:{number}: {folder} may not include \"{name}\""


def main():
    args = sys.argv[1:]
    header_folders = WINDOWS_HEADERS
    if len(args) >= 2 and args[0] == "--windows-headers":
        header_folders = [args[1]]
        args = args[2:]
    root = pathlib.Path(args[0] if args else pathlib.Path(__file__).resolve().parent.parent)
    found = list(refusals(root, header_folders))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} include(s) against the layers", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
