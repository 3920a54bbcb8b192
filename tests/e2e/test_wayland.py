"""A Wayland session: the program starts under a compositor of its own
(weston, headless), its main window appears and the lookup works."""

import os
import time

from lunivar_e2e import Session, check, wait_until

FIELDS = ("Ваш знак зодиака", "Символ знака", "Пары по зодиаку", "Драгоценный камень", "Телисман")


class WaylandSession(Session):
    """The harness's session with weston in place of Xvfb and a window manager."""

    def _start_services(self):
        base = self._base_env()
        self._spawn("weston", ["weston", "--backend=headless-backend.so", "--socket=lunivar-wl",
                               "--width=1024", "--height=768", "--use-pixman", "--idle-time=0",
                               "--no-config"], base)
        wait_until(lambda: os.path.exists(os.path.join(base["XDG_RUNTIME_DIR"], "lunivar-wl")), 15, 0.05,
                   "the compositor")
        base["WAYLAND_DISPLAY"] = "lunivar-wl"
        self._start_session_bus(base)
        self._start_accessibility(base)
        self._publish(base)

    def settle(self, seconds=0.2):
        time.sleep(seconds)

    def start_wayland_program(self):
        env = dict(self.env)
        env.pop("AT_SPI_BUS_ADDRESS", None)
        env.update({"QT_QPA_PLATFORM": "wayland", "LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8",
                    "QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        self.program = self._spawn("lunivar", [self.exe], env)


def main():
    with WaylandSession.from_args("e2e_wayland") as s:
        s.start_wayland_program()
        ps = s.atspi
        r = s.results
        with r.case("the main window appears under Wayland"):
            frame = s.find(role=[ps.ROLE_FRAME, ps.ROLE_WINDOW], name="Lunivar 5.3", timeout=20)
            check(s.alive(), "the program ended")
            x, y, w, h = s.extents(frame)
            check((w, h) == (380, 202), "window size %r" % ((w, h),))
        with r.case("the lookup works: 1 January is Capricorn"):
            s.press(s.find(role=ps.ROLE_PUSH_BUTTON, name="Проверить"))
            got = [s.text_of(s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=n)) for n in FIELDS]
            check(got[0] == "Козеог" and got[2:] == ["Дева, Рыбы", "Альмандин", "Опал"], "fields %r" % got)
        with r.case("Закрыть ends the program with status 0"):
            try:
                s.press(s.find(role=ps.ROLE_PUSH_BUTTON, name="Закрыть"))
            except Exception as e:  # the program ends before it answers the press
                if "disconnected" not in str(e):
                    raise
            check(s.wait_exit(5) == 0, "exit status")


if __name__ == "__main__":
    main()
