#!/usr/bin/env python3
"""Checks the application manifest embedded in shipped pelmora.exe files.

Windows XP refuses to start a program whose manifest is malformed, and later
Windows silently ignore parts they cannot place, so every shipped pelmora.exe
must carry exactly one manifest (resource type 24, id 1) that is well-formed
XML, names each element once (supportedOS once per system), puts each in its
namespace, and asks for what pelmora needs: asInvoker, common controls 6,
per-monitor DPI awareness (v2, then v1) with system awareness as the fall-back,
and the systems from Vista to 11.

    python3 tools/check-manifest.py FILE.exe...
"""
import struct
import sys
import xml.etree.ElementTree as ET

RT_MANIFEST = 24
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPAT = "urn:schemas-microsoft-com:compatibility.v1"
SMI_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
SMI_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
MACHINES = {0x14C: "x86", 0x8664: "amd64"}
SYSTEMS = {  # supportedOS ids
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}
# Every element the manifest holds, as a path of local names: its namespace,
# the attributes it must have and, for the DPI settings, its text.
EXPECTED = {
    "assembly": (ASM_V1, {"manifestVersion": "1.0"}, None),
    "assembly/assemblyIdentity": (ASM_V1, {"type": "win32", "name": "pelmora"}, None),
    "assembly/description": (ASM_V1, {}, None),
    "assembly/dependency": (ASM_V1, {}, None),
    "assembly/dependency/dependentAssembly": (ASM_V1, {}, None),
    "assembly/dependency/dependentAssembly/assemblyIdentity": (ASM_V1, {
        "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
        "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df", "language": "*"}, None),
    "assembly/trustInfo": (ASM_V3, {}, None),
    "assembly/trustInfo/security": (ASM_V3, {}, None),
    "assembly/trustInfo/security/requestedPrivileges": (ASM_V3, {}, None),
    "assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel": (
        ASM_V3, {"level": "asInvoker", "uiAccess": "false"}, None),
    "assembly/compatibility": (COMPAT, {}, None),
    "assembly/compatibility/application": (COMPAT, {}, None),
    "assembly/compatibility/application/supportedOS": (COMPAT, {}, None),
    "assembly/application": (ASM_V3, {}, None),
    "assembly/application/windowsSettings": (ASM_V3, {}, None),
    "assembly/application/windowsSettings/dpiAware": (SMI_2005, {}, "true"),
    "assembly/application/windowsSettings/dpiAwareness": (SMI_2016, {}, "PerMonitorV2, PerMonitor"),
}


def resources(data):
    """The machine and the .rsrc section (its bytes and virtual address) of a PE file."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    machine, sections, _, _, _, optional_size = struct.unpack_from("<HHIIIH", data, pe + 4)
    table = pe + 24 + optional_size
    for i in range(sections):
        name, _, address, raw_size, raw_at = struct.unpack_from("<8sIIII", data, table + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            return machine, data[raw_at:raw_at + raw_size], address
    raise ValueError("no resource section")


def entries(rsrc, at):
    """(id or None for a named entry, is a directory, offset) of a resource directory."""
    named, ids = struct.unpack_from("<HH", rsrc, at + 12)
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", rsrc, at + 16 + 8 * i)
        yield (None if name & 0x80000000 else name), bool(target & 0x80000000), target & 0x7FFFFFFF


def manifests(path):
    """The machine and the manifests (by id) embedded in a PE file."""
    with open(path, "rb") as f:
        data = f.read()
    machine, rsrc, base = resources(data)
    found = {}
    for type_id, is_dir, at in entries(rsrc, 0):
        if type_id != RT_MANIFEST or not is_dir:
            continue
        for name, name_is_dir, name_at in entries(rsrc, at):
            for _, _, leaf in entries(rsrc, name_at) if name_is_dir else []:
                rva, size = struct.unpack_from("<II", rsrc, leaf)
                found.setdefault(name, []).append(rsrc[rva - base:rva - base + size])
    return machine, found


def check_tree(root, machine):
    """The faults of a parsed manifest."""
    faults, seen = [], {}

    def walk(element, parent):
        namespace, _, local = element.tag[1:].partition("}") if element.tag[0] == "{" else ("", "", element.tag)
        path = parent + "/" + local if parent else local
        seen.setdefault(path, []).append((namespace, element))
        for child in element:
            walk(child, path)

    walk(root, "")
    for path, elements in seen.items():
        if path not in EXPECTED:
            faults.append(f"unexpected element {path}")
        elif len(elements) > 1 and not path.endswith("supportedOS"):
            faults.append(f"{path} appears {len(elements)} times")
    for path, (wanted, attributes, text) in EXPECTED.items():
        if path not in seen:
            faults.append(f"{path} is missing")
            continue
        namespace, element = seen[path][0]
        if namespace != wanted:
            faults.append(f"{path} is in namespace '{namespace}', not '{wanted}'")
        for name, value in attributes.items():
            if element.get(name) != value:
                faults.append(f"{path} has {name}={element.get(name)!r}, not {value!r}")
        if text is not None and (element.text or "").strip() != text:
            faults.append(f"{path} reads {element.text!r}, not {text!r}")
    identity = seen.get("assembly/assemblyIdentity", [(None, ET.Element("x"))])[0][1]
    if identity.get("processorArchitecture") != MACHINES.get(machine):
        faults.append("assemblyIdentity names processor "
                      f"{identity.get('processorArchitecture')!r} for a {MACHINES.get(machine)} file")
    ids = [e.get("Id") for _, e in seen.get("assembly/compatibility/application/supportedOS", [])]
    if sorted(ids) != sorted(SYSTEMS):
        faults.append(f"supportedOS ids {ids} are not each of {sorted(SYSTEMS)} once")
    return faults


def check(path):
    machine, found = manifests(path)
    if list(found) != [1] or len(found[1]) != 1:
        return [f"holds manifests {[(k, len(v)) for k, v in found.items()]}, not one with id 1"]
    try:
        root = ET.fromstring(found[1][0])
    except ET.ParseError as e:
        return [f"its manifest is not well-formed XML: {e}"]
    return check_tree(root, machine)


def main(paths):
    if not paths:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    failed = False
    for path in paths:
        try:
            faults = check(path)
        except (OSError, ValueError, struct.error) as e:
            faults = [str(e)]
        for fault in faults:
            print(f"check-manifest: {path}: {fault}", file=sys.stderr)
        if not faults:
            print(f"check-manifest: {path}: one manifest, as pelmora needs it")
        failed = failed or bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
