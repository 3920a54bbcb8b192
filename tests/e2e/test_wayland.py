"""A Wayland session: the program starts under a compositor of its own
(weston, headless), its main window appears and the lookup works."""

import os
import subprocess
import time

from lunivar_e2e import Session, check, wait_until

FIELDS = ("Ваш знак зодиака", "Символ знака", "Пары по зодиаку", "Драгоценный камень", "Телисман")


class WaylandSession(Session):
    """The harness's session with weston in place of Xvfb and a window manager."""

    def _start_services(self):
        base = {k: v for k, v in os.environ.items()
                if not k.startswith(("QT_", "DBUS_", "AT_SPI", "WAYLAND", "XDG_", "LC_", "DISPLAY",
                                     "XAUTHORITY", "PULSE", "GTK_", "LANGUAGE", "SESSION_MANAGER"))}
        home = os.path.join(self.tmp, "home")
        runtime = os.path.join(self.tmp, "run")
        for d in (home, runtime):
            os.makedirs(d, mode=0o700)
        base.update({"LUNIVAR_E2E_SESSION": self.tag, "HOME": home, "XDG_RUNTIME_DIR": runtime,
                     "NO_AT_BRIDGE": "0"})
        self._spawn("weston", ["weston", "--backend=headless-backend.so", "--socket=lunivar-wl",
                               "--width=1024", "--height=768", "--use-pixman", "--idle-time=0",
                               "--no-config"], base)
        wait_until(lambda: os.path.exists(os.path.join(runtime, "lunivar-wl")), 15, 0.05, "the compositor")
        base["WAYLAND_DISPLAY"] = "lunivar-wl"
        r, w = os.pipe()
        bus = self._spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   "--print-address=%d" % w], base, pass_fds=(w,))
        os.close(w)
        base["DBUS_SESSION_BUS_ADDRESS"] = self._read_line_from(r, bus, "dbus")
        self._spawn("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], base)
        a11y = wait_until(lambda: self._a11y_address(base), 10, 0.1, "the accessibility bus")
        base["AT_SPI_BUS_ADDRESS"] = a11y
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.freedesktop.DBus.Properties.Set",
                        "string:org.a11y.Status", "string:IsEnabled", "variant:boolean:true"],
                       env=base, capture_output=True, timeout=10, check=True)
        self.env = base
        os.environ.update({k: base[k] for k in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
                                                   "XDG_RUNTIME_DIR")})

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
