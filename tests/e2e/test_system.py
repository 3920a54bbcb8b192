# The program in the environments users have: no display, a display that
# goes away under it, odd locales, no HOME on a read-only system, a folder
# with spaces and Cyrillic letters, sound modules in folders it must not load
# from; and its sounds, recorded from a PulseAudio server of the test's own
# (one null sink; a server that starts late is used from then on).

import os
import shutil
import statistics
import subprocess
import time

from harness import Session, SoundServer, check, close_box_heard, peak, wait_until, wave_samples

CHECK_BUTTON = (8 + 60, 120 + 10)
MONTHS = {
    "C": ["January", "February", "March", "April", "May", "June", "July", "August", "September",
          "October", "November", "December"],
    "ru_RU.UTF-8": ["Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август",
                    "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"],
}
FIELDS = ("Ваш знак зодиака", "Символ знака", "Пары по зодиаку", "Драгоценный камень", "Телисман")
JANUARY_FIRST = ("Козеог", "Альмандин", "Опал")


def no_display(s):
    r = s.results
    # A display number no X server has a socket for.
    unserved = next(n for n in range(97, 200) if not os.path.exists("/tmp/.X11-unix/X%d" % n))
    for label, env in (("no DISPLAY and no WAYLAND_DISPLAY", {}),
                       ("a DISPLAY nobody serves", {"DISPLAY": ":%d" % unserved}),
                       ("Wayland asked for, no compositor", {"QT_QPA_PLATFORM": "wayland",
                                                            "WAYLAND_DISPLAY": "nowhere"})):
        with r.case("no display: " + label):
            base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
            base.update(env)
            p = subprocess.run([s.exe], env=base, capture_output=True, timeout=20)
            lines = p.stderr.decode(errors="replace").splitlines()
            check(p.returncode == 1, "exit status %d" % p.returncode)
            check(len(lines) == 1 and "display" in lines[0], "stderr %r" % lines)
            check(p.stdout == b"", "stdout %r" % p.stdout)


def display_gone(s):
    with s.results.case("the X server goes away under the running program: one line, status 1"):
        # An X server of its own, on a display it picks itself; a server
        # that another one raced for its display is not the program's fault:
        # the program says it cannot open it, and the case starts again.
        for attempt in range(3):
            display = ":" + s._spawn_reporting("xvfb-gone", ["Xvfb", "-displayfd", "FD", "-screen", "0", "800x600x24",
                                                             "-nolisten", "tcp"], s.env, "FD")
            xvfb = s.procs[-1][1]
            env = dict(s.env, DISPLAY=display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
            try:
                p = subprocess.Popen([s.exe], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                wait_until(lambda: p.poll() is not None or subprocess.run(
                    ["xdotool", "search", "--name", "^Lunivar 5.3$"], env=env, capture_output=True).stdout.strip(),
                    40, 0.05, "the main window")
                xvfb.kill()
                out, err = p.communicate(timeout=20)
            finally:
                xvfb.kill()
                xvfb.wait()
            if b"cannot open the display" not in err:
                break
        lines = err.decode(errors="replace").splitlines()
        check(p.returncode == 1, "exit status %d" % p.returncode)
        check(len(lines) == 1 and "display" in lines[0] and "lost" in lines[0], "stderr %r" % lines)


def no_session_bus(s):
    # Started without a session bus, the program starts none of its own that
    # would outlive it (the D-Bus library's autolaunch on X11).
    with s.results.case("no session bus: nothing the program starts outlives it"):
        def buses():
            own = {p.pid for label, p in s.procs if label == "dbus"}
            return [pid for pid in s.marked_processes() if pid not in own and
                    open("/proc/%d/comm" % pid).read().strip() in ("dbus-daemon", "dbus-launch")]
        before = buses()
        s.start_program(drop=("DBUS_SESSION_BUS_ADDRESS",))
        s.stop_program()
        time.sleep(0.5)
        check(buses() == before, "left running: %r" % [open("/proc/%d/cmdline" % p).read() for p in buses()])


def sound_module_beside_program_only(s):
    # A copy of the program without its sound module, started from a folder
    # holding one and with LD_LIBRARY_PATH naming another: after a click no
    # sound module is mapped. With a corrupt module beside it, it goes on.
    module = os.path.join(os.path.dirname(s.exe), "liblunivar_sound.so")
    folder = os.path.join(s.tmp, "bare")
    planted = [os.path.join(s.tmp, "cwd"), os.path.join(s.tmp, "libpath")]
    for d in [folder] + planted:
        os.makedirs(d)
    for d in planted:
        shutil.copy2(module, d)
    exe = os.path.join(folder, "lunivar")
    shutil.copy2(s.exe, exe)
    shutil.copytree(os.path.join(os.path.dirname(s.exe), "wav"), os.path.join(folder, "wav"))

    def mapped_modules():
        with open("/proc/%d/maps" % s.program.pid) as f:
            return sorted({l.split()[-1] for l in f if "lunivar_sound" in l})

    with s.results.case("the sound module is looked for beside the program only"):
        env = {"LD_LIBRARY_PATH": planted[1]}
        w = s.start_program(env, wrapper=["sh", "-c", 'cd "$0" && exec "$1"', planted[0]], exe=exe)
        s.click_in(w, *CHECK_BUTTON, settle=0.5)
        check(s.alive(), "the program ended")
        check(mapped_modules() == [], "modules loaded: %r" % mapped_modules())
        s.stop_program()
    with s.results.case("a corrupt sound module beside the program: silence, the program goes on"):
        with open(os.path.join(folder, "liblunivar_sound.so"), "wb") as f:
            f.write(os.urandom(4096))
        w = s.start_program(exe=exe)
        s.click_in(w, *CHECK_BUTTON, settle=0.5)
        names, fields = months_and_lookup(s, w)
        check(s.alive() and fields[0] == "Козеог", "fields %r" % fields)
        s.stop_program()


def months_and_lookup(s, w):
    ps = s.atspi
    month = s.find(role=[ps.ROLE_LIST, ps.ROLE_LIST_BOX], name="Месяц")
    names = [month.getChildAtIndex(i).name for i in range(month.childCount)]
    s.click_in(w, *CHECK_BUTTON)
    fields = [s.text_of(s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=n)) for n in FIELDS]
    return names, fields


def locales(s):
    for lang in ("C", "ru_RU.UTF-8", "ja_JP.UTF-8", "xx_YY.UTF-8"):
        with s.results.case("locale %s: twelve month names, lookup unchanged" % lang):
            w = s.start_program({"LANG": lang, "LC_ALL": lang})
            names, fields = months_and_lookup(s, w)
            check(len(names) == 12 and all(n.strip() for n in names), "month names %r" % names)
            check(len(set(names)) == 12, "month names repeat: %r" % names)
            if lang in MONTHS:
                check(names == MONTHS[lang], "month names %r" % names)
            check((fields[0], fields[3], fields[4]) == JANUARY_FIRST, "fields for 1 January %r" % fields)
            s.stop_program()


def strace_lines(log):
    # The lines of an strace log, with its octal escapes of non-ASCII bytes
    # undone, and a call another thread interrupted joined with its end.
    started = {}
    for line in open(log, "rb"):
        raw = line.decode("latin-1")
        pid = raw.split(" ", 1)[0]
        if raw.rstrip().endswith("<unfinished ...>"):
            started[pid] = raw.rstrip()[:-len("<unfinished ...>")]
            continue
        if " resumed>" in raw and pid in started:
            raw = started.pop(pid) + raw.split(" resumed>", 1)[1]
        try:
            yield raw.encode("latin-1").decode("unicode_escape").encode("latin-1").decode("utf-8", "replace")
        except UnicodeDecodeError:
            yield raw


def strace_writes(log):
    # Files the traced program opened for writing, or made or removed.
    bad = []
    for line in strace_lines(log):
        if "= -1" in line:
            continue
        if "openat(" in line and ("O_WRONLY" in line or "O_RDWR" in line or "O_CREAT" in line):
            path = line.split('"')[1] if '"' in line else line
            if path.startswith(("/dev/", "/proc/")):
                continue
            bad.append(line.strip())
        elif any(c in line for c in ("mkdir(", "mkdirat(", "unlink(", "unlinkat(", "rename(", "renameat")):
            bad.append(line.strip())
    return bad


def read_only(s):
    with s.results.case("HOME unset, read-only file system: runs and writes nothing"):
        # The log goes to /dev/shm, a file system of its own that stays writable.
        log = os.path.join("/dev/shm", "lunivar-env-%d.log" % os.getpid())
        # A private mount namespace in which the whole file system is read-only.
        wrapper = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                   'mount -o remount,bind,ro / && exec strace -f -qq -o "$0" -e trace=openat,open,creat,mkdir,mkdirat,unlink,unlinkat,rename,renameat,renameat2 "$@"',
                   log]
        w = s.start_program({"LANG": "ru_RU.UTF-8"}, wrapper=wrapper, drop=("HOME",))
        names, fields = months_and_lookup(s, w)
        check(len(names) == 12, "month names %r" % names)
        check((fields[0], fields[3], fields[4]) == JANUARY_FIRST, "fields %r" % fields)
        s.stop_program()
        bad = strace_writes(log)
        os.unlink(log)
        check(not bad, "the program tried to write: %s" % "\n".join(bad[:10]))


def odd_folder(s):
    with s.results.case("program in a folder with spaces and Cyrillic letters finds its sounds"):
        folder = os.path.join(s.tmp, "Мои программы", "Лунивар 5.3")
        os.makedirs(folder)
        exe = os.path.join(folder, "lunivar")
        shutil.copy2(s.exe, exe)
        shutil.copytree(os.path.join(os.path.dirname(s.exe), "wav"), os.path.join(folder, "wav"))
        log = os.path.join(s.tmp, "strace-folder.log")
        wrapper = ["strace", "-f", "-qq", "-o", log, "-e", "trace=openat,open,stat,newfstatat,statx,access"]
        w = s.start_program({"LANG": "ru_RU.UTF-8"}, wrapper=wrapper, exe=exe)
        s.click_in(w, *CHECK_BUTTON)
        s.settle(0.5)
        check(s.alive(), "the program ended")
        s.stop_program()
        wanted = os.path.join(folder, "wav", "min.wav")
        hits = [l for l in strace_lines(log) if wanted in l and "= -1" not in l]
        check(hits, "the program never found %s" % wanted)


CLOSE_BUTTON = (96, 178)


def sounds(s):
    r = s.results
    server = SoundServer(s)
    ps = s.atspi
    wav = os.path.join(os.path.dirname(s.exe), "wav")
    want, closing = wave_samples(os.path.join(wav, "min.wav")), wave_samples(os.path.join(wav, "close.wav"))
    record = server.record

    def goes_on(w):
        # The window is mapped, the close button ends the program with status 0, nothing printed.
        check(s.alive() and s.is_viewable(w), "the program died or lost its window")
        s.click_in(w, *CLOSE_BUTTON, settle=0)
        check(s.wait_exit(10) == 0, "exit status")
        check(s.log_text("lunivar") == "", "the program printed: %r" % s.log_text("lunivar"))

    def copy_without_wav():
        exe = os.path.join(s.tmp, "без звуков", "lunivar")
        os.makedirs(os.path.dirname(exe))
        shutil.copy2(s.exe, exe)
        return exe

    with r.case("a sound server that starts after the first click: the next click is heard"):
        w = s.start_program(server.client)
        sign = s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name="Ваш знак зодиака")
        t0 = time.monotonic()
        s.click_in(w, *CHECK_BUTTON, settle=0)
        wait_until(lambda: s.text_of(sign) == "Козеог", 5, 0.01, "the lookup after a silent click")
        print("click to result without a sound server: %.3f s" % (time.monotonic() - t0))
        check(time.monotonic() - t0 < 0.5, "the silent click held the window up")
        server.start("pulseaudio-late")
        # Away from the first click: not the second half of a double click.
        got = peak(record(lambda: s.click_in(w, CHECK_BUTTON[0] + 40, CHECK_BUTTON[1])))
        check(got >= 0.5 * peak(want), "peak %d, the file's %d" % (got, peak(want)))
        goes_on(w)

    with r.case("a push-button click is heard"):
        w = s.start_program(server.client)
        got = peak(record(lambda: s.click_in(w, *CHECK_BUTTON)))
        check(got >= 0.5 * peak(want), "peak %d, the file's %d" % (got, peak(want)))
        goes_on(w)

    with r.case("the close button: the window goes at once, its sound is heard to its end, status 0"):
        w = s.start_program(server.client)
        close_box_heard(s, server, w, lambda: s.click_in(w, 367, 13, settle=0), closing)

    with r.case("no wav folder: silence, the program goes on"):
        w = s.start_program(server.client, exe=copy_without_wav())
        got = peak(record(lambda: (s.click_in(w, *CHECK_BUTTON), s.click_in(w, *CHECK_BUTTON))))
        check(got <= 16, "expected silence, peak %d" % got)
        goes_on(w)

    with r.case("no sound server: no delay to the window, a click changes nothing else, nothing printed"):
        times = {True: [], False: []}
        for _ in range(3):
            for with_server in (True, False):
                t0 = time.monotonic()
                w = s.start_program(server.client if with_server else None)
                times[with_server].append(time.monotonic() - t0)
                if with_server:
                    s.stop_program()
                else:
                    s.click_in(w, *CHECK_BUTTON, settle=0.5)
                    goes_on(w)
        a, b = statistics.median(times[True]), statistics.median(times[False])
        print("start to window, median: with a server %.3f s, without %.3f s" % (a, b))
        check(b <= 2.0 or b <= a * 1.25 + 0.1, "without a server %.3f s, with one %.3f s" % (b, a))


def main():
    with Session.from_args("e2e_system", timeout=280) as s:
        no_display(s)
        display_gone(s)
        no_session_bus(s)
        sound_module_beside_program_only(s)
        locales(s)
        read_only(s)
        odd_folder(s)
        sounds(s)


if __name__ == "__main__":
    main()
