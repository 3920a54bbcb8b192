# The Windows program as it ships, checked as files, without running it (so
# on any machine): the executable is a GUI program for the processor of its
# build that imports only system libraries and carries its bitmaps, icon,
# version record and manifest; the installer's tables hold the program, its
# wav folder, the Start menu shortcut, the upgrade code and the version; the
# zip holds the same files as the installer.
#
#   check_dist.py --exe lunivar.exe --msi lunivar.msi --zip lunivar.zip --arch i686|x86_64

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Results, check  # noqa: E402

MACHINE = {"i686": 0x14C, "x86_64": 0x8664}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}
BITMAPS = [101, 102, 104, 105, 106, 107, 109, 111, 112, 113, 114, 115, 116, 117, 118]
UPGRADE_CODE = "{11F03209-192A-4815-8EF8-301477750BF3}"
VERSION_STRINGS = {
    "Comments": "Lunivar", "LegalTrademarks": "FreeWare", "ProductName": "Lunivar", "FileVersion": "5.03",
    "ProductVersion": "5.03", "InternalName": "Lunivar", "OriginalFilename": "Lunivar.exe",
    "FileDescription": "Программа для определения знака зодиака, пары по зодиаку, драгоценного камна и талисмана."}


class PE:
    # The headers, imports and resources of a PE file.

    def __init__(self, data):
        self.data = data
        at = struct.unpack_from("<I", data, 0x3C)[0]
        check(data[at:at + 4] == b"PE\0\0", "not a PE file")
        self.machine, sections, opt_size = struct.unpack_from("<HH12xH", data, at + 4)
        opt = at + 24
        magic = struct.unpack_from("<H", data, opt)[0]
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        dirs = opt + (96 if magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(3)]
        self.sections = [struct.unpack_from("<8xIIII", data, opt + opt_size + 40 * i) for i in range(sections)]

    def at(self, rva):
        for size, va, raw_size, raw in self.sections:
            if va <= rva < va + max(size, raw_size):
                return raw + rva - va
        raise ValueError("address %#x in no section" % rva)

    def cstr(self, rva):
        o = self.at(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("ascii")

    def imports(self):
        out, o = [], self.at(self.dirs[1][0])
        while True:
            name = struct.unpack_from("<12xI4x", self.data, o)[0]
            if not name:
                return out
            out.append(self.cstr(name))
            o += 20

    def resources(self):
        # {(type, name, language): bytes}; names are numbers or strings.
        base, out = self.at(self.dirs[2][0]), {}

        def label(v):
            if not v & 0x80000000:
                return v
            o = base + (v & 0x7FFFFFFF)
            n = struct.unpack_from("<H", self.data, o)[0]
            return self.data[o + 2:o + 2 + 2 * n].decode("utf-16-le")

        def walk(o, path):
            named, numbered = struct.unpack_from("<12xHH", self.data, base + o)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + o + 16 + 8 * i)
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, path + (label(name),))
                else:
                    rva, size = struct.unpack_from("<II", self.data, base + target)
                    out[path + (label(name),)] = self.data[self.at(rva):self.at(rva) + size]
        walk(0, ())
        return out


def version_blocks(data, o=0):
    # A version resource's block at o: (key, value bytes, [children]), and its end.
    length, value_length, kind = struct.unpack_from("<HHH", data, o)
    end, k = o + length, o + 6
    while data[k:k + 2] != b"\0\0":
        k += 2
    key = data[o + 6:k].decode("utf-16-le")
    v = (k + 2 + 3) & ~3
    value_bytes = value_length * (2 if kind == 1 else 1)
    value = data[v:v + value_bytes]
    children, c = [], (v + value_bytes + 3) & ~3
    while c < end:
        child, c = version_blocks(data, c)
        children.append(child)
        c = (c + 3) & ~3
    return (key, value, children), end


def check_exe(r, exe, arch):
    pe = PE(open(exe, "rb").read())
    with r.case("the executable: a %s GUI program that imports only system libraries" % arch):
        dlls = {d.lower() for d in pe.imports()}
        check((pe.machine, pe.subsystem) == (MACHINE[arch], 2) and dlls and dlls <= SYSTEM_DLLS,
              "machine %#x, subsystem %d, imports %r" % (pe.machine, pe.subsystem, sorted(dlls)))
    res = pe.resources()
    with r.case("its resources: bitmaps 101-118 (none 103, 108, 110) in Russian, icon group 1 with image 30001, "
                "a manifest aware of each screen's scale, for common controls 6, as invoker"):
        check(sorted(n for t, n, lang in res if t == 2 and lang == 1049) == BITMAPS,
              "bitmaps %r" % sorted((n, lang) for t, n, lang in res if t == 2))
        group = res.get((14, 1, 0), b"\0" * 20)
        check(struct.unpack_from("<HHHBBBBHHIH", group) == (0, 1, 1, 32, 32, 0, 0, 1, 8, 2216, 30001) and
              len(res.get((3, 30001, 0), b"")) == 2216, "icon group %r" % group)
        manifest = res.get((24, 1, 0), b"").decode("utf-8", "replace")
        check(all(w in manifest for w in ("PerMonitorV2", "Common-Controls", 'version="6.0.0.0"', 'level="asInvoker"')),
              "the manifest %r" % manifest[:200])
    with r.case("its version record: 5.3.0.0, 5.03, string table 040904B0 and its translation"):
        (key, fixed, children), _ = version_blocks(res[(16, 1, 1033)])
        check(key == "VS_VERSION_INFO", "key %r" % key)
        sig, _, fms, fls, pms, pls, _, flags, os_, kind = struct.unpack_from("<10I", fixed)
        as_text = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        check((sig, as_text(fms, fls), as_text(pms, pls), flags, os_, kind) == (0xFEEF04BD, "5.3.0.0", "5.3.0.0", 0, 4, 1),
              "fixed part %r" % ((hex(sig), as_text(fms, fls), as_text(pms, pls), flags, os_, kind),))
        blocks = {c[0]: c for c in children}
        tables = {t[0]: t for t in blocks["StringFileInfo"][2]}
        strings = {s[0]: s[1].decode("utf-16-le").rstrip("\0") for s in tables["040904B0"][2]}
        check(all(strings.get(k) == v for k, v in VERSION_STRINGS.items()), "strings %r" % strings)
        translation = blocks["VarFileInfo"][2][0][1]
        check(struct.unpack("<HH", translation) == (1033, 1200), "translation %r" % translation)


def msi_table(msi, table):
    out = subprocess.run(["msiinfo", "export", msi, table], capture_output=True, check=True, timeout=60).stdout
    return [line.split("\t") for line in out.decode("utf-8").splitlines()[3:]]


def check_packages(r, msi, zip_path):
    with r.case("the installer's tables: the program and its wav folder in Program Files\\Lunivar, the Start "
                "menu shortcut, the upgrade code and version 5.3.0"):
        table = lambda name, *cols: [tuple(row[c] for c in cols) for row in msi_table(msi, name)]
        check(sorted(table("File", 0, 1, 2)) == [("close.wav", "Sounds", "close.wav"), ("lunivar.exe", "Program", "lunivar.exe"),
                                                 ("min.wav", "Sounds", "min.wav")], "files %r" % table("File", 0, 1, 2))
        dirs = {d: (p, n) for d, p, n in table("Directory", 0, 1, 2)}
        check(dirs["INSTALLDIR"][1] == "Lunivar" and dirs["WAVDIR"] == ("INSTALLDIR", "wav") and
              dirs[dirs["INSTALLDIR"][0]][0] == "TARGETDIR", "folders %r" % dirs)
        check(sorted(table("Component", 0, 2)) == [("Program", "INSTALLDIR"), ("Sounds", "WAVDIR")], "components")
        check(table("Shortcut", 1, 2, 4) == [("ProgramMenuFolder", "Lunivar", "[#lunivar.exe]")], "shortcuts")
        props = dict(table("Property", 0, 1))
        check((props.get("UpgradeCode", "").upper(), props.get("ProductVersion"), props.get("ALLUSERS")) ==
              (UPGRADE_CODE, "5.3.0", "1") and {u.upper() for u, in table("Upgrade", 0)} == {UPGRADE_CODE},
              "properties %r" % props)
    with r.case("the zip holds the same files as the installer, byte for byte"):
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run(["msiextract", "-C", tmp, msi], capture_output=True, check=True, timeout=60)
            installed = {os.path.relpath(os.path.join(d, n), os.path.join(tmp, "Program Files", "Lunivar")):
                         open(os.path.join(d, n), "rb").read() for d, _, names in os.walk(tmp) for n in names}
        with zipfile.ZipFile(zip_path) as z:
            packed = {n: z.read(n) for n in z.namelist() if not n.endswith("/")}
        check(sorted(packed) == ["lunivar.exe", "wav/close.wav", "wav/min.wav"] and packed == installed,
              "the zip holds %r, the installer %r" % (sorted(packed), sorted(installed)))


def main():
    p = argparse.ArgumentParser()
    for a in ("--exe", "--msi", "--zip", "--arch"):
        p.add_argument(a, required=True)
    a = p.parse_args()
    r = Results("dist_windows")
    print("checking the %s program as files: %s, %s, %s" % (a.arch, a.exe, a.msi, a.zip))
    check_exe(r, a.exe, a.arch)
    check_packages(r, a.msi, a.zip)
    sys.exit(r.summary())


if __name__ == "__main__":
    main()
