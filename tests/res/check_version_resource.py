#!/usr/bin/env python3
"""Compiles the program's Windows resource script with windres and checks the
version record (fixed part, string table in its order, translation) and icon
group 1 with its single 32 x 32 8-bit icon.

usage: check_version_resource.py <windres> <preprocessor> <lunivar.rc> <x.y.z> <description>
"""
import os
import struct
import subprocess
import sys
import tempfile

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def check(ok, msg):
    if not ok:
        print("FAIL:", msg)
        sys.exit(1)


def read_id(data, pos):
    """A resource type or name: an ordinal (0xFFFF, n) or a UTF-16 string."""
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def resources(data):
    """Entries of a .res file as (type, name, language, bytes)."""
    pos, out = 0, []
    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        rtype, p = read_id(data, pos + 8)
        name, p = read_id(data, p)
        lang = struct.unpack_from("<H", data, ((p + 3) & ~3) + 6)[0]
        if size:
            out.append((rtype, name, lang, data[pos + header:pos + header + size]))
        pos = (pos + header + size + 3) & ~3
    return out


def version_node(data, pos):
    """One node of the version tree: (key, value bytes, children, end)."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, pos)
    key, p = read_id(data, pos + 6)
    p = (p + 3) & ~3
    value_bytes = value_length * 2 if is_text else value_length
    value, p = data[p:p + value_bytes], (p + value_bytes + 3) & ~3
    children = []
    while p < pos + length:
        children.append(version_node(data, p))
        p = (children[-1][3] + 3) & ~3
    return key, value, children, pos + length


def main():
    windres, preprocessor, rc, version, description = sys.argv[1:6]
    major, minor, patch = (int(v) for v in (version.split(".") + ["0", "0"])[:3])
    with tempfile.TemporaryDirectory() as tmp:
        out, obj = os.path.join(tmp, "lunivar.res"), os.path.join(tmp, "lunivar.o")
        cmd = [windres, "--preprocessor=" + preprocessor, "--preprocessor-arg=-E",
               "--preprocessor-arg=-xc", "--preprocessor-arg=-DRC_INVOKED", "-i", rc]
        run = subprocess.run(cmd + ["-O", "res", "-o", out], capture_output=True, text=True)
        check(run.returncode == 0, "windres failed:\n" + run.stdout + run.stderr)
        # The same script must also give an object file to link.
        check(subprocess.run(cmd + ["-O", "coff", "-o", obj]).returncode == 0, "windres cannot make an object file")
        data = open(out, "rb").read()

    entries = resources(data)
    versions = [e for e in entries if e[0] == RT_VERSION]
    check([(e[1], e[2]) for e in versions] == [(1, 0x0409)], "version records %r" % [(e[1], e[2]) for e in versions])
    key, value, children, _ = version_node(versions[0][3], 0)
    check(key == "VS_VERSION_INFO", "root key " + key)
    fixed = struct.unpack("<13I", value)
    want = ((major << 16) | minor, patch << 16)
    check(fixed[0] == 0xFEEF04BD and fixed[2:4] == want and fixed[4:6] == want,
          "fixed part %r, want %d.%d.%d.0" % (fixed[:6], major, minor, patch))
    check(fixed[7:10] == (0, 0x4, 0x1), "flags/os/type %r, want 0, 32-bit Windows, application" % (fixed[7:10],))

    blocks = {c[0]: c for c in children}
    tables = blocks["StringFileInfo"][2]
    check([t[0] for t in tables] == ["040904B0"], "string tables %r" % [t[0] for t in tables])
    strings = [(s[0], s[1].decode("utf-16-le").rstrip("\0")) for s in tables[0][2]]
    shown = "%d.%02d" % (major, minor)
    expected = [
        ("Comments", "Lunivar"), ("CompanyName", None), ("FileDescription", description),
        ("LegalCopyright", None), ("LegalTrademarks", "FreeWare"), ("ProductName", "Lunivar"),
        ("FileVersion", shown), ("ProductVersion", shown), ("InternalName", "Lunivar"),
        ("OriginalFilename", "Lunivar.exe"),
    ]
    check([k for k, _ in strings] == [k for k, _ in expected], "string keys in order %r" % [k for k, _ in strings])
    for (key, value), (_, want_value) in zip(strings, expected):
        check(value.strip() if want_value is None else value == want_value, "%s is %r" % (key, value))

    translation = blocks["VarFileInfo"][2][0]
    check(translation[0] == "Translation" and struct.unpack("<HH", translation[1]) == (0x0409, 1200),
          "translation %r" % (translation[:2],))

    groups = [e for e in entries if e[0] == RT_GROUP_ICON]
    check(len(groups) == 1 and groups[0][1] == 1, "want icon group 1, found %r" % [g[1] for g in groups])
    group = struct.unpack_from("<HHHBBBBHHIH", groups[0][3], 0)
    check(group[:6] + group[7:10] == (0, 1, 1, 32, 32, 0, 1, 8, 2216), "icon group %r" % (group,))
    icons = {e[1]: e[3] for e in entries if e[0] == RT_ICON}
    check(len(icons.get(group[10], b"")) == 2216, "icon image %d missing or of the wrong size" % group[10])
    print("version record %d.%d.%d.0, strings %s, icon group 1 OK" % (major, minor, patch, shown))


if __name__ == "__main__":
    main()
