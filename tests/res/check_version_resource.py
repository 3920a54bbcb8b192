#!/usr/bin/env python3
"""Compiles the program's Windows resource script with windres and checks
the compiled resources: the version record (fixed part, string table in its
order, translation) and icon group 1 with its single 32 x 32 8-bit icon.

usage: check_version_resource.py <windres> <preprocessor> <lunivar.rc> <x.y.z> <description>
"""
import os
import struct
import subprocess
import sys
import tempfile

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def fail(msg):
    print("FAIL:", msg)
    sys.exit(1)


def read_id(data, pos):
    """A resource type or name: an ordinal (0xFFFF, n) or a UTF-16 string."""
    (first,) = struct.unpack_from("<H", data, pos)
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0] != 0:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def resources(data):
    """Entries of a .res file as (type, name, language, bytes)."""
    pos, out = 0, []
    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        rtype, p = read_id(data, pos + 8)
        name, p = read_id(data, p)
        p = (p + 3) & ~3
        _, _, lang, _, _ = struct.unpack_from("<IHHII", data, p)
        body = data[pos + header: pos + header + size]
        if size:
            out.append((rtype, name, lang, body))
        pos = (pos + header + size + 3) & ~3
    return out


def version_node(data, pos):
    """One node of the version tree: (key, value bytes, is text, children, end)."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, pos)
    end = pos + length
    key_end = pos + 6
    while struct.unpack_from("<H", data, key_end)[0] != 0:
        key_end += 2
    key = data[pos + 6:key_end].decode("utf-16-le")
    p = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if is_text else value_length
    value = data[p:p + value_bytes]
    p = (p + value_bytes + 3) & ~3
    children = []
    while p < end:
        child = version_node(data, p)
        children.append(child)
        p = (child[4] + 3) & ~3
    return key, value, is_text, children, end


def text(value):
    return value.decode("utf-16-le").rstrip("\0")


def main():
    windres, preprocessor, rc, version, description = sys.argv[1:6]
    major, minor, patch = (int(v) for v in (version.split(".") + ["0", "0"])[:3])
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "lunivar.res")
        cmd = [windres, "--preprocessor=" + preprocessor, "--preprocessor-arg=-E",
               "--preprocessor-arg=-xc", "--preprocessor-arg=-DRC_INVOKED",
               "-O", "res", "-i", rc, "-o", out]
        run = subprocess.run(cmd, capture_output=True, text=True)
        if run.returncode != 0:
            fail("windres failed:\n" + run.stdout + run.stderr)
        data = open(out, "rb").read()
        # The same script must also give an object file to link.
        obj = os.path.join(tmp, "lunivar.o")
        if subprocess.run(cmd[:-4] + ["-O", "coff", "-i", rc, "-o", obj]).returncode != 0:
            fail("windres cannot make an object file")

    entries = resources(data)
    versions = [e for e in entries if e[0] == RT_VERSION]
    if len(versions) != 1:
        fail("expected one version record, found %d" % len(versions))
    _, name, lang, body = versions[0]
    if name != 1 or lang != 0x0409:
        fail("version record is %r, language %#x; want 1, 0x409" % (name, lang))

    root = version_node(body, 0)
    if root[0] != "VS_VERSION_INFO":
        fail("root key " + root[0])
    fixed = struct.unpack("<13I", root[1])
    if fixed[0] != 0xFEEF04BD:
        fail("fixed part has no signature")
    want = ((major << 16) | minor, (patch << 16) | 0)
    if fixed[2:4] != want or fixed[4:6] != want:
        fail("fixed file/product version %r %r, want %d.%d.%d.0" % (fixed[2:4], fixed[4:6], major, minor, patch))
    if fixed[7] != 0 or fixed[8] != 0x4 or fixed[9] != 0x1:
        fail("flags/os/type %#x %#x %#x, want 0, 32-bit Windows, application" % fixed[7:10])

    blocks = {c[0]: c for c in root[3]}
    tables = blocks["StringFileInfo"][3]
    if [t[0] for t in tables] != ["040904B0"]:
        fail("string tables %r" % [t[0] for t in tables])
    strings = [(s[0], text(s[1])) for s in tables[0][3]]
    shown = "%d.%02d" % (major, minor)
    expected = [
        ("Comments", "Lunivar"), ("CompanyName", None), ("FileDescription", description),
        ("LegalCopyright", None), ("LegalTrademarks", "FreeWare"), ("ProductName", "Lunivar"),
        ("FileVersion", shown), ("ProductVersion", shown), ("InternalName", "Lunivar"),
        ("OriginalFilename", "Lunivar.exe"),
    ]
    if [k for k, _ in strings] != [k for k, _ in expected]:
        fail("string keys in order %r" % [k for k, _ in strings])
    for (key, value), (_, want_value) in zip(strings, expected):
        if want_value is None:
            if not value.strip():
                fail(key + " is empty")
        elif value != want_value:
            fail("%s is %r, want %r" % (key, value, want_value))

    translation = blocks["VarFileInfo"][3][0]
    if translation[0] != "Translation" or struct.unpack("<HH", translation[1]) != (0x0409, 1200):
        fail("translation %r" % (translation[:2],))

    groups = [e for e in entries if e[0] == RT_GROUP_ICON]
    if len(groups) != 1 or groups[0][1] != 1:
        fail("want icon group 1, found %r" % [(g[1], g[2]) for g in groups])
    reserved, kind, count = struct.unpack_from("<HHH", groups[0][3], 0)
    if (reserved, kind, count) != (0, 1, 1):
        fail("icon group header %r" % ((reserved, kind, count),))
    w, h, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", groups[0][3], 6)
    if (w, h, colours, planes, bits, size) != (32, 32, 0, 1, 8, 2216):
        fail("icon entry %r" % ((w, h, colours, planes, bits, size),))
    icons = {e[1]: e[3] for e in entries if e[0] == RT_ICON}
    if icon_id not in icons or len(icons[icon_id]) != 2216:
        fail("icon image %d missing or of the wrong size" % icon_id)
    print("version record %d.%d.%d.0, strings %s, icon group 1 OK" % (major, minor, patch, shown))


if __name__ == "__main__":
    main()
