#!/usr/bin/python3
"""Checks a built Windows program: what it imports, what it is, and what its resources say.

  check_pe.py [--machine i386|amd64] [--gui] [--admin-manifest] [--file-version A.B.C.D]
              [--summary] [--payloads MANIFEST] [--extract-payloads DIR] PROGRAM.exe

--extract-payloads writes each custom-type resource (the embedded payloads) to
DIR/TYPE-ID-LANGUAGE, so that they can be checked on their own (their signatures).

The program runs elevated from a folder where anyone can drop a DLL beside it, so it may only
import DLLs that Windows always takes from System32 (the KnownDLLs of Vista to 11), plus
comctl32 when its manifest binds Common Controls 6 (then the loader takes it from WinSxS).
Exits 1 with one line per problem, 0 when everything holds.
"""
import argparse
import sys
import xml.etree.ElementTree as ET

import pefile

KNOWN_DLLS = {
    "advapi32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "setupapi.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "ws2_32.dll",
}
# Entry points that Windows 7 does not export: a static import of one keeps the program from
# starting there at all, so such functions must be looked up at run time.
NEWER_THAN_WINDOWS7 = {
    "AddDllDirectory", "RemoveDllDirectory", "SetDefaultDllDirectories",  # 7 only with KB2533623
    "GetSystemTimePreciseAsFileTime", "CreateFile2", "CopyFile2", "WaitOnAddress",
    "WakeByAddressSingle", "WakeByAddressAll", "SetThreadDescription", "GetDpiForWindow",
    "SetProcessDpiAwarenessContext", "GetDpiForSystem",
}
MACHINES = {"i386": 0x14C, "amd64": 0x8664}
RT_ICON_GROUP, RT_VERSION, RT_MANIFEST = 14, 16, 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


def resources(pe, type_id):
    """The data of every resource of a type, as bytes."""
    out = []
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return out
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.id != type_id:
            continue
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                s = lang.data.struct
                out.append(pe.get_data(s.OffsetToData, s.Size))
    return out


def payload_problems(pe, manifest):
    """Every TYPE ID FILE line of the payload manifest must be a resource of that custom type
    name and integer ID, under language 1028, holding exactly the file's bytes."""
    import os
    problems = []
    base = os.path.dirname(os.path.abspath(manifest))
    found = custom_resources(pe)
    count = 0
    with open(manifest, encoding="utf-8") as f:
        for line in f:
            fields = line.split()
            if not fields or fields[0].startswith((";", "#")):
                continue
            rtype, rid, path = fields[0].upper(), int(fields[1]), fields[2]
            with open(os.path.join(base, path), "rb") as payload:
                expected = payload.read()
            data = found.get((rtype, rid, 1028))
            count += 1
            if data is None:
                problems.append("payload %s %d: no resource under language 1028" % (rtype, rid))
            elif data != expected:
                problems.append("payload %s %d: %d bytes differ from %s (%d bytes)"
                                % (rtype, rid, len(data), path, len(expected)))
    return problems, count


def custom_resources(pe):
    """{(type name, id, language): bytes} of the resources with a named (custom) type."""
    found = {}
    for rtype in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None).entries if hasattr(
            pe, "DIRECTORY_ENTRY_RESOURCE") else []:
        if rtype.name is None:
            continue
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                s = lang.data.struct
                found[(str(rtype.name), name.id, lang.id)] = pe.get_data(s.OffsetToData, s.Size)
    return found


def signature_size(pe):
    """Bytes of the Authenticode signature (the security directory); 0 when unsigned."""
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    return entry.Size


def manifest_facts(xml_bytes):
    root = ET.fromstring(xml_bytes)
    level = None
    ui_access = None
    for el in root.iter():
        if el.tag.endswith("requestedExecutionLevel"):
            level = el.get("level")
            ui_access = el.get("uiAccess")
    dpi = {}
    for el in root.iter():
        for name in ("dpiAware", "dpiAwareness"):
            if el.tag.endswith("}" + name):
                dpi[name] = (el.text or "").strip()
    common_controls = False
    for dep in root.iter(ASM_V1 + "dependentAssembly"):
        ident = dep.find(ASM_V1 + "assemblyIdentity")
        if ident is not None and ident.get("name") == "Microsoft.Windows.Common-Controls" \
                and ident.get("version", "").startswith("6."):
            common_controls = True
    return level, ui_access, common_controls, dpi


def dpi_problems(dpi):
    """Per-monitor v2 where Windows 10 1703 knows it, with the older declarations behind it."""
    problems = []
    awareness = [v.strip().lower() for v in dpi.get("dpiAwareness", "").split(",")]
    if not awareness or awareness[0] != "permonitorv2":
        problems.append("manifest dpiAwareness is '%s', expected PerMonitorV2 first"
                        % dpi.get("dpiAwareness", ""))
    if dpi.get("dpiAware", "").lower() != "true/pm":
        problems.append("manifest dpiAware is '%s', expected true/pm (per-monitor on 8.1, "
                        "system aware before)" % dpi.get("dpiAware", ""))
    return problems


def file_version(pe):
    for info in getattr(pe, "VS_FIXEDFILEINFO", []) or []:
        ms, ls = info.FileVersionMS, info.FileVersionLS
        return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    return None


def strings(pe):
    out = {}
    for fi in getattr(pe, "FileInfo", []) or []:
        for entry in fi:
            for table in getattr(entry, "StringTable", []) or []:
                for k, v in table.entries.items():
                    out[k.decode("utf-8", "replace")] = v.decode("utf-8", "replace")
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--machine", choices=sorted(MACHINES))
    ap.add_argument("--gui", action="store_true", help="must be a GUI program")
    ap.add_argument("--admin-manifest", action="store_true",
                    help="must carry a manifest asking for requireAdministrator")
    ap.add_argument("--per-monitor-dpi", action="store_true",
                    help="the manifest must declare per-monitor (v2) DPI awareness")
    ap.add_argument("--file-version")
    ap.add_argument("--summary", action="store_true", help="print what the program is")
    ap.add_argument("--payloads", metavar="MANIFEST",
                    help="the payload manifest whose files must be embedded")
    ap.add_argument("--extract-payloads", metavar="DIR",
                    help="write each embedded payload to DIR/TYPE-ID-LANGUAGE")
    ap.add_argument("program")
    args = ap.parse_args()

    try:
        pe = pefile.PE(args.program)
    except (OSError, pefile.PEFormatError) as e:
        print("%s: not a readable PE file: %s" % (args.program, e))
        return 1
    problems = []

    is_pe32 = pe.OPTIONAL_HEADER.Magic == 0x10B
    machine = {v: k for k, v in MACHINES.items()}.get(pe.FILE_HEADER.Machine,
                                                       hex(pe.FILE_HEADER.Machine))
    gui = pe.OPTIONAL_HEADER.Subsystem == 2
    if args.machine:
        if machine != args.machine:
            problems.append("machine is %s, expected %s" % (machine, args.machine))
        if args.machine == "i386" and not is_pe32:
            problems.append("not a PE32 image")
    if args.gui and not gui:
        problems.append("subsystem is %d, expected 2 (Windows GUI)" % pe.OPTIONAL_HEADER.Subsystem)

    if args.extract_payloads:
        import os
        os.makedirs(args.extract_payloads, exist_ok=True)
        for (rtype, rid, lang), data in sorted(custom_resources(pe).items()):
            with open(os.path.join(args.extract_payloads, "%s-%d-%d" % (rtype, rid, lang)),
                      "wb") as out:
                out.write(data)

    if args.payloads:
        payload_issues, payload_count = payload_problems(pe, args.payloads)
        problems.extend(payload_issues)
        if args.summary:
            print("payloads:    %d embedded under language 1028, byte for byte" % payload_count)

    manifests = resources(pe, RT_MANIFEST)
    level = ui_access = None
    common_controls = False
    dpi = {}
    if len(manifests) > 1:
        problems.append("%d manifests in the resources, expected one" % len(manifests))
    if manifests:
        try:
            level, ui_access, common_controls, dpi = manifest_facts(manifests[0])
        except ET.ParseError as e:
            problems.append("manifest is not well-formed XML: %s" % e)
    if args.admin_manifest:
        if level != "requireAdministrator":
            problems.append("manifest execution level is %s, expected requireAdministrator" % level)
        if ui_access not in (None, "false"):
            problems.append("manifest asks for uiAccess=%s" % ui_access)

    if args.per_monitor_dpi:
        problems.extend(dpi_problems(dpi))

    allowed = set(KNOWN_DLLS)
    if common_controls:
        allowed.add("comctl32.dll")
    imports = []
    for attr in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
        for entry in getattr(pe, attr, []):
            imports.append(entry.dll.decode("ascii", "replace"))
    for dll in imports:
        if dll.lower() not in allowed:
            problems.append("imports %s, which Windows may load from the program's folder" % dll)
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        for imp in entry.imports:
            name = imp.name.decode("ascii", "replace") if imp.name else None
            if name in NEWER_THAN_WINDOWS7:
                problems.append("imports %s!%s, which Windows 7 lacks: look it up at run time"
                                % (entry.dll.decode("ascii", "replace"), name))

    version = file_version(pe)
    if args.file_version and version != args.file_version:
        problems.append("file version is %s, expected %s" % (version, args.file_version))

    if args.summary:
        info = strings(pe)
        print("image:       %s %s, %s subsystem" % ("PE32" if is_pe32 else "PE32+", machine,
                                                   "GUI" if gui else "console"))
        print("imports:     %s" % ", ".join(imports))
        print("manifest:    %s" % (("level %s, Common Controls 6: %s, DPI awareness: %s" %
                                    (level, "yes" if common_controls else "no",
                                     dpi.get("dpiAwareness") or dpi.get("dpiAware") or "none"))
                                   if manifests else "none"))
        print("icons:       %d icon group(s)" % len(resources(pe, RT_ICON_GROUP)))
        print("version:     %s (%s)" % (version, ", ".join(
            "%s=%s" % (k, info[k]) for k in ("CompanyName", "ProductName", "FileVersion")
            if k in info)))
        size = signature_size(pe)
        print("signature:   %s" % ("Authenticode, %d bytes" % size if size else "none (unsigned)"))
    for p in problems:
        print("%s: %s" % (args.program, p))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
