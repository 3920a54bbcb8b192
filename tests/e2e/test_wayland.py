# A Wayland session: the program starts under a compositor of its own
# (weston, headless), its main window appears and the lookup works.

import glob
import os
import re
import subprocess
import time

from harness import Image, Session, check, wait_until

FIELDS = ("Ваш знак зодиака", "Символ знака", "Пары по зодиаку", "Драгоценный камень", "Телисман")


class WaylandSession(Session):
    # The harness's session with weston in place of Xvfb and a window manager.

    def _start_services(self):
        base = self._base_env()
        self._spawn("weston", ["weston", "--backend=headless-backend.so", "--socket=lunivar-wl",
                               "--width=1024", "--height=768", "--use-pixman", "--idle-time=0",
                               "--no-config", "--debug"], base)
        wait_until(lambda: os.path.exists(os.path.join(base["XDG_RUNTIME_DIR"], "lunivar-wl")), 15, 0.05,
                   "the compositor")
        base["WAYLAND_DISPLAY"] = "lunivar-wl"
        self._start_session_bus(base)
        self._start_accessibility(base)
        self._publish(base)

    def settle(self, seconds=0.2):
        time.sleep(seconds)

    def wayland_screenshot(self):
        # What the compositor shows, through its screenshooter.
        folder = os.path.join(self.tmp, "shots-%d" % time.monotonic_ns())
        os.makedirs(folder)
        subprocess.run(["weston-screenshooter"], cwd=folder, env=self.env, capture_output=True, timeout=20,
                       check=True)
        path = glob.glob(os.path.join(folder, "*.png"))[0]
        w, h = (int(v) for v in subprocess.run(["/usr/bin/identify", "-format", "%w %h", path],
                                                capture_output=True, check=True, timeout=20).stdout.split())
        data = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "rgb:-"],
                              capture_output=True, check=True, timeout=20).stdout
        return Image(w, h, data)

    def start_wayland_program(self, extra_env=None):
        env = dict(self.env, **(extra_env or {}))
        env.pop("AT_SPI_BUS_ADDRESS", None)
        env.update({"QT_QPA_PLATFORM": "wayland", "LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8",
                    "QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        self.program = self._spawn("lunivar", [self.exe], env)


def main():
    with WaylandSession.from_args("e2e_wayland") as s:
        s.settle(1.0)
        desktop = s.wayland_screenshot()
        ps = s.atspi
        r = s.results
        with r.case("the window's app id is the name of the desktop entry"):
            entry = glob.glob(os.path.join(os.path.dirname(os.path.dirname(s.exe)), "packaging", "*.desktop"))
            s.start_wayland_program({"WAYLAND_DEBUG": "client"})
            log = os.path.join(s.tmp, "lunivar.log")
            ids = wait_until(lambda: re.findall(r'set_app_id\("([^"]*)"\)', open(log, errors="replace").read()), 20,
                             0.1, "an app id")
            s._end_group(s.program)
            check(len(entry) == 1 and ids == [os.path.basename(entry[0])[:-len(".desktop")]],
                  "app id %r, desktop entry %r" % (ids, entry))
        s.start_wayland_program()
        with r.case("the main window appears under Wayland"):
            frame = s.find(role=[ps.ROLE_FRAME, ps.ROLE_WINDOW], name="Lunivar 5.3", timeout=20)
            check(s.alive(), "the program ended")
            x, y, w, h = s.extents(frame)
            check((w, h) == (380, 202), "window size %r" % ((w, h),))
        with r.case("the rounded outline: the corners outside it are left unpainted"):
            s.settle(1.0)
            shot = s.wayland_screenshot()
            # The window is where the screen differs from the empty desktop
            # (below the compositor's panel, whose clock may change).
            changed = [(x, y) for y in range(40, shot.height, 1) for x in range(0, shot.width, 1)
                       if shot.px(x, y) != desktop.px(x, y)]
            check(changed, "the window is nowhere to be seen")
            x0, y0 = min(p[0] for p in changed), min(p[1] for p in changed)
            x1, y1 = max(p[0] for p in changed), max(p[1] for p in changed)
            check((x1 - x0 + 1, y1 - y0 + 1) == (380, 202), "painted area %dx%d at (%d, %d)" % (
                x1 - x0 + 1, y1 - y0 + 1, x0, y0))
            # Outside the outline: rows 0..2 lose 3, 2, 1 pixels at each end.
            for dx, dy in ((0, 0), (1, 0), (2, 0), (0, 1), (1, 1), (0, 2)):
                for cx, cy in ((x0 + dx, y0 + dy), (x1 - dx, y0 + dy), (x0 + dx, y1 - dy), (x1 - dx, y1 - dy)):
                    check(shot.px(cx, cy) == desktop.px(cx, cy), "corner pixel (%d, %d) painted" % (cx - x0, cy - y0))
            for cx, cy in ((x0 + 3, y0), (x1 - 3, y0), (x0, y0 + 3), (x1, y1 - 3)):
                check(shot.px(cx, cy) != desktop.px(cx, cy), "outline pixel (%d, %d) unpainted" % (cx - x0, cy - y0))
        with r.case("the lookup works: 1 January is Capricorn"):
            s.press(s.find(role=ps.ROLE_PUSH_BUTTON, name="Проверить"))
            got = [s.text_of(s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=n)) for n in FIELDS]
            check(got[0] == "Козеог" and got[2:] == ["Дева, Рыбы", "Альмандин", "Опал"], "fields %r" % got)
        with r.case("the compositor goes away under the program: one line, status 1"):
            s._end_group([p for label, p in s.procs if label == "weston"][0])
            check(s.wait_exit(10) == 1, "exit status")
            lines = s.log_text("lunivar").splitlines()
            check(len(lines) == 1 and "display" in lines[0], "program output %r" % lines)

if __name__ == "__main__":
    main()
