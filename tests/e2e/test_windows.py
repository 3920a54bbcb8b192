# The Windows program under Wine (32-bit) on an X server of its own: dates
# looked up through real clicks and keys and read back by the tests' probe
# program, the day-fixing rule, the outline read from the X server, the looks
# under the pointer and around the icon's menu from screenshots, the drag,
# the modal About window with 5.3, "Закрыть" ending with status 0, sounds,
# high DPI and the installer.

import argparse
import os
import shutil
import subprocess

from harness import (ABOUT_NAME, ACCESSIBLE, BUTTONS, FIELDS, LIST_DAY, LIST_MONTH, SHORTCUTS, SOURCE_DIR, TOOLTIPS,
                     Session, SoundServer, about_faults, check, close_box_heard, eventually,
                     load_bitmap_file, mismatches, peak, text_faults, wait_until, wave_samples)

# MSAA's roles as the Linux bus names them, and the states read.
ROLES = {"41": "label", "43": "button", "33": "list", "42": "text", "34": "item", "10": "client"}
FOCUSABLE, SELECTED = 0x100000, 0x2

TITLE = "Lunivar 5.3"


class WineSession(Session):
    # An X server, no window manager, and a Wine prefix kept in the build tree.

    def __init__(self, name, exe, probe, artifacts):
        super().__init__(name, exe, artifacts, timeout=380)
        self.probe_exe = probe

    def _start_services(self):
        base = self._base_env()
        self.display = ":" + self._spawn_reporting(
            "xvfb", ["Xvfb", "-displayfd", "FD", "-screen", "0", "1024x768x24", "-nolisten", "tcp"], base, "FD")
        base.update({"DISPLAY": self.display, "WINEDEBUG": "-all", "WINEARCH": pe_arch(self.exe), "LANG": "ru_RU.UTF-8",
                     "LC_ALL": "ru_RU.UTF-8", "WINEDLLOVERRIDES": "mscoree,mshtml=",
                     "WINEPREFIX": os.path.join(os.path.dirname(os.path.dirname(self.exe)), "wine-prefix")})
        self.env = base
        os.environ["DISPLAY"] = self.display
        # The 64-bit program runs on Wine's 64-bit loader, named directly: the
        # "wine" command prefers the 32-bit one whenever it is installed.
        self.wine = ["/usr/lib/wine/wine64"] if base["WINEARCH"] == "win64" else ["wine"]
        if base["WINEARCH"] == "win64":
            base["WINELOADER"] = self.wine[0]
        if not os.path.exists(os.path.join(base["WINEPREFIX"], "system.reg")):
            subprocess.run(self.wine + ["wineboot", "--init"], env=base, capture_output=True, timeout=240)
        from Xlib import display as xdisplay
        self.xd = xdisplay.Display(self.display)

    def _cleanup(self):
        if self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
        super()._cleanup()

    def probe(self, *args):
        out = subprocess.run(self.wine + [self.probe_exe] + list(args), env=self.env, capture_output=True, timeout=60)
        return [line.rstrip("\r").split("\t") for line in out.stdout.decode("utf-8", "replace").splitlines()]

    def set_dpi(self, dpi):
        # The screen's dots per inch, as Wine tells the programs started after.
        subprocess.run(self.wine + ["reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                                    "/d", str(dpi), "/f"], env=self.env, capture_output=True, timeout=60, check=True)

    def windows(self):
        # {title: (window fields, [child fields])} of the program's windows.
        out, current = {}, None
        for f in self.probe("windows"):
            if f[0] == "window":
                current = out.setdefault(f[-1], (f, []))
            elif current:
                current[1].append(f)
        return out

    def start_program(self, extra_env=None, exe=None, **_):
        env = dict(self.env, **(extra_env or {}))
        exe = exe or self.exe
        self.program = subprocess.Popen(self.wine + [os.path.basename(exe)], cwd=os.path.dirname(exe), env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        self.procs.append(("lunivar", self.program))
        # Asked while it is still being made, the window would keep the probe waiting.
        self.xwindow()
        main = wait_until(lambda: self.windows().get(TITLE), 60, 0.2, "the main window")
        self.settle(0.5)
        return main

    def gone(self, w):
        # Unmapped, destroyed, or shaped to nothing.
        try:
            return not self.is_viewable(w) or not self.shape_spans(w)[0]
        except Exception:
            return True

    def rect(self, title=TITLE):
        f = self.windows()[title][0]
        return tuple(int(v) for v in f[2:6])

    def xwindow(self, title=TITLE):
        # The X window Wine shows a Windows window with.
        def find():
            for w in self.xd.screen().root.query_tree().children:
                name = w.get_wm_name()
                if (name.decode() if isinstance(name, bytes) else name) == title and w.get_attributes().map_state:
                    return w
        return wait_until(find, 60, 0.1, "the X window of %r" % title)


def pe_arch(exe):
    # "win32" or "win64": the Wine prefix a Windows program runs in, from its PE header.
    with open(exe, "rb") as f:
        data = f.read(4096)
    at = int.from_bytes(data[0x3C:0x40], "little")
    return "win64" if int.from_bytes(data[at + 4:at + 6], "little") == 0x8664 else "win32"


def field(children, place):
    # The text of the child at a layout place.
    for f in children:
        if (int(f[2]), int(f[3])) == place[:2]:
            return f[7] if len(f) > 7 else ""
    return None


def month_selected(kids):
    return next(f[9] for f in kids if f[1] == "ListBox" and (int(f[2]), int(f[3])) == LIST_MONTH[:2])


def closes_and_sounds(s):
    # The close button's sound heard to its end as the window goes; sounds
    # played from folders of any letters and any length.
    r = s.results
    server = SoundServer(s)
    server.start()
    wav = os.path.join(os.path.dirname(s.exe), "wav")
    closing, clicking = wave_samples(os.path.join(wav, "close.wav")), wave_samples(os.path.join(wav, "min.wav"))

    def close_box():
        x, y, _, _ = s.rect()
        s.move_to(x + 367, y + 13)
        s.xdo("click", 1)

    with r.case("the close box: the window goes at once, its sound is heard to its end, status 0"):
        s.start_program(server.client)
        close_box_heard(s, server, s.xwindow(), close_box, closing)
    long_name = os.path.join(os.path.dirname(os.path.dirname(s.exe)), "wine-folders", "a" * 120, "b" * 120, "c" * 40)
    for label, folder in (("a folder outside the ANSI code page", "Программы Ω 日本"), ("a path of over 260 letters", long_name)):
        with r.case("sounds play from %s" % label):
            exe = os.path.join(os.path.dirname(os.path.dirname(s.exe)), "wine-folders", folder, "lunivar.exe")
            shutil.rmtree(os.path.dirname(exe), ignore_errors=True)
            os.makedirs(os.path.dirname(exe))
            shutil.copy2(s.exe, exe)
            shutil.copytree(wav, os.path.join(os.path.dirname(exe), "wav"))
            check(len("Z:" + exe) > 260 or label.startswith("a folder"), "the path is %d letters" % len(exe))
            s.start_program(server.client, exe=exe)
            x, y, _, _ = s.rect()
            got = server.record(lambda: (s.move_to(x + BUTTONS[0][0] + 60, y + BUTTONS[0][1] + 10), s.xdo("click", 1)))
            check(peak(got) >= 0.5 * peak(clicking), "peak %d, the file's %d" % (peak(got), peak(clicking)))
            close_box()
            check(s.wait_exit(15) == 0, "exit status")


def installer(s, msi, stage):
    # The installer in a prefix of its own, fresh: msiexec /i quietly puts the
    # program and its sounds into Program Files\Lunivar, a Lunivar shortcut
    # into the Start menu and an entry into the installed programs; the
    # installed program starts and looks a date up; a newer version replaces
    # it; msiexec /x removes all of it.
    r = s.results
    prefix = os.path.join(os.path.dirname(os.path.dirname(s.exe)), "wine-prefix-msi")
    shutil.rmtree(prefix, ignore_errors=True)
    main_env = s.env
    s.env = dict(main_env, WINEPREFIX=prefix, WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    drive = os.path.join(prefix, "drive_c")
    folder = os.path.join(drive, "Program Files", "Lunivar")

    def run(*argv):
        return subprocess.run(s.wine + list(argv), env=s.env, capture_output=True, timeout=120).returncode

    def entries():
        # The installed programs named Lunivar: {key: {value: data}}.
        out = subprocess.run(s.wine + ["reg", "query", r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", "/s"],
                             env=s.env, capture_output=True, timeout=60).stdout.decode("utf-8", "replace")
        keys, key = {}, None
        for line in out.splitlines():
            if line.startswith("HKEY_"):
                key = line.strip()
                keys[key] = {}
            elif key and line.startswith("    ") and len(line.split(None, 2)) == 3:
                name, _, data = line.split(None, 2)
                keys[key][name] = data.strip()
        return {k: v for k, v in keys.items() if v.get("DisplayName") == "Lunivar"}

    def shortcuts():
        return [os.path.join(d, f) for d, _, files in os.walk(drive) for f in files if f == "Lunivar.lnk"]

    def newer(version):
        # The same installer at another version, built as the build does.
        path = os.path.join(s.tmp, "lunivar-%s.msi" % version)
        arch = "x64" if pe_arch(s.exe) == "win64" else "x86"
        subprocess.run(["wixl", "-a", arch, "-D", "Arch=" + arch, "-D", "Version=" + version, "-D", "Homepage=x",
                        "-o", path, os.path.join(SOURCE_DIR, "packaging", "windows", "lunivar.wxs")],
                       cwd=stage, capture_output=True, timeout=60, check=True)
        return path

    try:
        subprocess.run(s.wine + ["wineboot", "--init"], env=s.env, capture_output=True, timeout=240)
        with r.case("msiexec /i quietly: the program, its sounds, the Start menu shortcut, the installed program's entry"):
            check(run("msiexec", "/i", msi, "/qn") == 0, "msiexec /i failed")
            files = sorted(os.path.relpath(os.path.join(d, f), folder) for d, _, fs in os.walk(folder) for f in fs)
            check(files == ["lunivar.exe", "wav/close.wav", "wav/min.wav"], "installed %r" % files)
            check(len(shortcuts()) == 1, "shortcuts %r" % shortcuts())
            e = list(entries().items())
            check(len(e) == 1 and e[0][1].get("DisplayVersion") == "5.3.0" and e[0][1].get("Publisher") == "Lunivar developers",
                  "entries %r" % e)
            code = e[0][0].rsplit("\\", 1)[-1]
            check(os.path.exists(os.path.join(drive, "windows", "Installer", code, "lunivar.ico")), "no icon for %s" % code)
        with r.case("the installed program starts and looks 1 January up"):
            s.start_program(exe=os.path.join(folder, "lunivar.exe"))
            check(s.probe("press", "Проверить") == [["pressed", "0"]], "the press")
            got = eventually(lambda: field(s.windows()[TITLE][1], FIELDS["txtSign"]), lambda v: v == "Козеог")
            check(got == "Козеог", "sign %r" % got)
            s.stop_program()
        with r.case("a newer version replaces it: one entry, 5.4.0"):
            check(run("msiexec", "/i", newer("5.4.0"), "/qn") == 0, "msiexec /i of 5.4.0 failed")
            e = list(entries().values())
            check([v.get("DisplayVersion") for v in e] == ["5.4.0"], "entries %r" % e)
            check(len(shortcuts()) == 1 and os.path.exists(os.path.join(folder, "lunivar.exe")), "files %r" % shortcuts())
        with r.case("msiexec /x removes all of it: files, folder, shortcut, entry, registry"):
            # As "Apps & features" does: by the entry's product code.
            code = list(entries())[0].rsplit("\\", 1)[-1]
            check(run("msiexec", "/x", code, "/qn") == 0, "msiexec /x failed")
            check(not os.path.exists(folder) and not shortcuts() and not entries(), "left: %r %r %r" % (
                os.path.exists(folder), shortcuts(), entries()))
            subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True, timeout=30)
            for name in ("system.reg", "user.reg"):
                with open(os.path.join(prefix, name), encoding="utf-8", errors="replace") as f:
                    check("lunivar" not in f.read().lower(), "%s still names Lunivar" % name)
    finally:
        subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True, timeout=30)
        s.env = main_env


def twice(path):
    return load_bitmap_file(os.path.join(SOURCE_DIR, "src", "res", path))


def high_dpi(s):
    # At 120 dots per inch the window is drawn at 1 (1.25 is made whole), at
    # 144 and 192 at 2: 760 x 404 with the twice-size drawings, rows 26
    # pixels high, the outline's spans doubled.
    r = s.results
    for dpi, scale in ((120, 1), (144, 2), (192, 2)):
        with r.case("%d dots per inch: drawn at %d, the window %dx%d, list rows %d pixels" % (dpi, scale, 380 * scale,
                                                                                                202 * scale, 13 * scale)):
            s.set_dpi(dpi)
            main = s.start_program()
            x, y, w, h = s.rect()
            check((w, h) == (380 * scale, 202 * scale), "size %dx%d" % (w, h))
            rows = {f[8] for f in main[1] if f[1] == "ListBox"}
            check(rows == {str(13 * scale)}, "rows %r" % rows)
            if dpi == 192:
                rows, _ = s.shape_spans(s.xwindow())
                cut = {0: 6, 1: 6, 2: 4, 3: 4, 4: 2, 5: 2, 403: 6, 402: 6, 401: 4, 400: 4, 399: 2, 398: 2}
                want = {yy: set(range(cut.get(yy, 0), 760 - cut.get(yy, 0))) for yy in range(404)}
                check(rows == want, "outline rows differ: %r" % [yy for yy in range(404) if rows.get(yy) != want.get(yy)][:5])
                s.move_to(x + 372, y + 200)  # the free area: every button in its normal look
                shot = eventually(lambda: s.grab(x, y, w, h), lambda img: not mismatches(img, 16, 288, twice("bmp/113@2x.png"), 2))
                shot.save_png(os.path.join(s.artifacts, "lunivar-wine-192dpi.png"))
                title, bottom = twice("bmp/111@2x.png"), twice("bmp/106@2x.png")
                bad = [(xx, yy) for yy in range(0, 48) for xx in list(range(60, 240)) + list(range(520, 630))
                       if shot.px(xx, yy) != title.px(xx, yy)]
                bad += [(xx, yy) for yy in range(390, 404) for xx in range(12, 748) if shot.px(xx, yy) != bottom.px(xx, yy - 390)]
                for path, (px, py) in (("bmp/102@2x.png", (636, 8)), ("bmp/104@2x.png", (716, 8)),
                                       ("bmp/113@2x.png", (16, 240)), ("bmp/115@2x.png", (352, 240)),
                                       ("bmp/113@2x.png", (16, 288)), ("bmp/115@2x.png", (352, 336))):
                    bad += [(path, p) for p in mismatches(shot, px, py, twice(path), 2)]
                bad += [(xx, yy) for yy in range(48, 390) for xx in (0, 3, 756, 759) if shot.px(xx, yy) != (192, 192, 192)]
                check(not bad, "%d pixels differ from the twice-size drawings, e.g. %r" % (len(bad), bad[:4]))
            s.stop_program()
    s.set_dpi(96)


def main():
    p = argparse.ArgumentParser()
    for a in ("--exe", "--probe", "--artifacts", "--msi", "--stage"):
        p.add_argument(a, required=True)
    a = p.parse_args()
    bits = "32-bit: the program that ships" if pe_arch(a.exe) == "win32" else \
        "64-bit: a stand-in built from the same sources, on a machine that cannot run 32-bit code"
    print("Wine runs %s (%s)" % (a.exe, bits), flush=True)
    with WineSession("e2e_windows", a.exe, a.probe, a.artifacts) as s:
        r = s.results
        main = s.start_program()
        with r.case("start-up: 380 x 202, January and day 1 selected, twelve months from the locale, fields empty"):
            x, y, w, h = s.rect()
            check((w, h) == (380, 202), "size %dx%d" % (w, h))
            lists = {(int(f[2]), int(f[3])): f for f in main[1] if f[1] == "ListBox"}
            month, day = lists[LIST_MONTH[:2]], lists[LIST_DAY[:2]]
            check(month[10:] == ["Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август", "Сентябрь",
                                 "Октябрь", "Ноябрь", "Декабрь"], "months %r" % month[10:])
            check(month[9] == "0" and day[9] == "0" and len(day) == 10 + 31, "selection %s %s" % (month[9], day[9]))
            check(month[8] == day[8] == "13", "rows %s and %s pixels high" % (month[8], day[8]))
            check(all(field(main[1], FIELDS[f]) == "" for f in FIELDS), "fields not empty")

        def click(px, py, button=1):
            s.move_to(x + px, y + py)
            s.xdo("click", button)
            s.settle(0.3)

        def children():
            return s.windows()[TITLE][1]

        def read_fields():
            return [field(children(), FIELDS[f]) for f in ("txtSign", "txtZ", "txtPair", "txtPercStone", "txtTalis")]

        with r.case("a screen reader (MSAA) reads the roles and names the Linux bus reads, keys, tool tips, items"):
            rows = s.probe("accessible")
            check([ROLES.get(f[1]) for f in rows if f[0] == "client"] == ["client"] and rows[0][3] == TITLE,
                  "the window's client %r" % rows[:1])
            kids = [f for f in rows if f[0] == "child"]
            read = [(ROLES.get(f[1], f[1]), f[3]) for f in kids]
            check(read == ACCESSIBLE, "read %r" % read)
            for f in kids:
                role, state, name, action, key, tip = ROLES.get(f[1]), int(f[2]), f[3], f[4], f[5], f[6]
                if role == "button":
                    check(action == "Нажать" and key == SHORTCUTS.get(name, "") and tip == TOOLTIPS.get(name, ""),
                          "button %r: %r" % (name, f))
                takes_keys = role in ("list", "text") or name in SHORTCUTS
                check(bool(state & FOCUSABLE) == takes_keys, "%r focusable %r" % (name, state))
            items = [f for f in rows if f[0] == "item"]
            check([f[3] for f in items[:31]] == [str(d) for d in range(1, 32)] and int(items[0][2]) & SELECTED
                  and items[31][3] == "Январь" and len(items) == 43, "list items %r" % [f[3] for f in items])
        with r.case("a screen reader presses Проверить by its default action: 1 January is looked up"):
            check(s.probe("press", "Проверить") == [["pressed", "0"]], "the press")
            got = eventually(read_fields, lambda v: v[0] != "")
            check(got[0] == "Козеог" and got[2:] == ["Дева, Рыбы", "Альмандин", "Опал"], "fields %r" % got)

        with r.case("by the keyboard alone: End in the month list, Tab twice to Проверить, Space"):
            s.key("End", "Tab", "Tab")
            s.key("space")
            got = eventually(read_fields, lambda v: v[0] == "Стрелец")
            check(got[0] == "Стрелец" and got[2:] == ["Овен, Лев, Весы", "Бирюза", "Хризопраз"], "fields %r" % got)
        with r.case("a screen reader is told: each control the keyboard comes to, the sign after a lookup, OK in About"):
            rec = subprocess.Popen(s.wine + [s.probe_exe, "events", "12"], env=s.env, stdout=subprocess.PIPE)
            check(rec.stdout.readline().strip() == b"listening", "the probe does not listen")
            s.key("shift+Tab", settle=0.5)
            s.key("Tab", settle=0.5)
            s.key("space")
            s.key("alt+Cyrillic_o")
            wait_until(lambda: ABOUT_NAME in s.windows(), 10, 0.1, "About")
            s.key("Escape")
            told = [f[1:] for f in (line.decode("utf-8").rstrip("\r\n").split("\t") for line in rec.stdout) if f[0] == "event"]
            rec.wait(30)
            focus = [f[3] for f in told if f[0] == "focus"]
            # A window's own focus event comes too, but the control's is said last.
            # A window's own focus event comes too, and the system's and the
            # program's may come in either order: what counts is the last
            # one said before the next key.
            said = [(f[0], f[3], f[6]) for f in told if f[0] in ("focus", "description")]
            sign = said.index(("description", "Проверить", "Ваш знак зодиака: Стрелец")) if \
                ("description", "Проверить", "Ваш знак зодиака: Стрелец") in said else -1
            check(sign > 0 and said[sign - 1][:2] == ("focus", "Проверить") and "День (число)" in focus,
                  "the sign not told on Проверить: %r" % said)
            check("OK" in focus[focus.index("День (число)"):] and focus[-1] == "Проверить", "focus told %r" % focus)
            values = {f[3]: f[7] for f in told if f[0] == "value"}
            check(values.get("Ваш знак зодиака") == "Стрелец" and values.get("Символ знака") == "♐", "values %r" % values)
        with r.case("the texts in their colours: the caption over its shadow, labels, buttons, fields"):
            shot = eventually(lambda: s.grab(x, y, 380, 202), lambda img: not text_faults(img, 0, 0, looked_up=True))
            bad = text_faults(shot, 0, 0, looked_up=True)
            check(not bad, "; ".join(bad))

        with r.case("the outline from the X server: the same spans as on Linux"):
            rows, _ = s.shape_spans(s.xwindow())
            cut = {0: 3, 1: 2, 2: 1, 199: 1, 200: 2, 201: 3}
            want = {yy: set(range(cut.get(yy, 0), 380 - cut.get(yy, 0))) for yy in range(202)}
            check(rows == want, "rows differ: %r" % [yy for yy in range(202) if rows.get(yy) != want.get(yy)][:5])
        with r.case("the icon's menu opens over the inactive frame (blue strips); Escape closes it"):
            click(18, 12)
            shot = eventually(lambda: s.grab(x, y, 380, 202), lambda img: img.px(0, 100) == (128, 128, 255))
            shot.save_png(os.path.join(s.artifacts, "lunivar-wine-menu.png"))
            check(shot.px(0, 100) == (128, 128, 255), "the side strips are not blue")
            s.key("Escape")
            eventually(lambda: s.grab(x, y, 380, 202), lambda img: img.px(0, 100) == (192, 192, 192))
        with r.case("About: modal, centred on the main window, version 5.3; Escape closes it"):
            click(BUTTONS[2][0] + 30, BUTTONS[2][1] + 10)
            about = wait_until(lambda: [t for t, (f, _) in s.windows().items() if t != TITLE and f[6] == "1"], 10, 0.2, "About")
            wins = s.windows()
            f, kids = wins[about[0]]
            ax, ay, aw, ah = (int(v) for v in f[2:6])
            check(wins[TITLE][0][7] == "0", "the main window takes input while About is shown")
            check((ax, ay, aw, ah) == (x + 30, y + 5, 320, 191), "About at %r" % ((ax, ay, aw, ah),))
            shot = s.grab(ax, ay, aw, ah)
            shot.save_png(os.path.join(s.artifacts, "lunivar-wine-about.png"))
            bad = about_faults(shot, 0, 0)
            check(not bad, "the About window differs from its look at %r" % bad[:5])
            rows = s.probe("accessible")
            check(["client", ABOUT_NAME] in [[ROLES.get(f[1]), f[3]] for f in rows if f[0] == "client"]
                  and ["button", "OK"] in [[ROLES.get(f[1]), f[3]] for f in rows if f[0] == "child"]
                  and ["label", "5.3"] in [[ROLES.get(f[1]), f[3]] for f in rows if f[0] == "child"],
                  "About as a screen reader reads it: %r" % rows)
            s.key("Escape")
            wait_until(lambda: s.windows()[TITLE][0][7] == "1", 10, 0.2, "the main window to take input again")
        with r.case("the keyboard stays where it was: a list key after About closes moves the list"):
            click(LIST_MONTH[0] + 40, LIST_MONTH[1] + 8)
            s.key("Home")
            click(BUTTONS[2][0] + 30, BUTTONS[2][1] + 10)
            wait_until(lambda: s.windows()[TITLE][0][7] == "0", 10, 0.1, "About")
            s.key("Escape")
            wait_until(lambda: s.windows()[TITLE][0][7] == "1", 10, 0.1, "About to close")
            s.key("Down", "Down")
            check(eventually(lambda: month_selected(children()), lambda v: v == "2") == "2",
                  "month %s after Down twice" % month_selected(children()))
        with r.case("the keyboard stays where it was: after a minimise and a restore"):
            click(318 + 8, 4 + 9)
            wait_until(lambda: s.windows()[TITLE][0][8] == "1", 10, 0.1, "the window minimised")
            s.probe("restore")
            wait_until(lambda: s.windows()[TITLE][0][8] == "0", 10, 0.1, "the window restored")
            s.key("Up")
            check(eventually(lambda: month_selected(children()), lambda v: v == "1") == "1",
                  "month %s after Up" % month_selected(children()))
        with r.case("a fast drag: the pointer leaves the title bar between two moves, the window follows it; "
                    "the release outside ends the drag"):
            x, y, _, _ = s.rect()
            s.move_to(x + 60, y + 12)
            s.xdo("mousedown", "1")
            for dx, dy in ((180, 120), (300, 180)):  # far outside the title bar, each step
                s.xdo("mousemove", x + 60 + dx, y + 12 + dy)
                wait_until(lambda: s.rect()[:2] == (x + dx, y + dy), 10, 0.05, "the window at +%d+%d" % (dx, dy))
            s.xdo("mouseup", "1")
            s.settle(0.3)
            s.xdo("mousemove", x + 60 + 340, y + 12 + 230)
            s.settle(0.5)
            check(s.rect()[:2] == (x + 300, y + 180), "the window at %r after the release" % (s.rect()[:2],))
            x, y, _, _ = s.rect()
        with r.case("Закрыть ends the program with status 0"):
            click(BUTTONS[1][0] + 30, BUTTONS[1][1] + 10)
            check(s.wait_exit(15) == 0, "exit status")
        closes_and_sounds(s)
        high_dpi(s)
        installer(s, a.msi, a.stage)


if __name__ == "__main__":
    main()
