#!/usr/bin/python3
# The program in a web page, as headless Chromium shows it, driven over the
# DevTools protocol with real input: the lookups of the date table, the
# frame pixel for pixel as the Linux program shows it (away from text), the
# keyboard alone, what a screen reader finds in the accessibility tree, twice
# the pixels, a tap, a drag, minimise and restore, About, the close box and a
# start again, and a reload with the web server gone.
import argparse
import base64
import functools
import http.server
import json
import os
import subprocess
import threading
import time

from harness import (ABOUT_NAME, ACCESSIBLE, BUTTONS, FIELD_NAMES, FIELDS, LIST_DAY, LIST_MONTH, SHORTCUTS, TOOLTIPS, Image,
                     Session, check, load_bitmap_file, mismatches, signs, wait_until)

KEYS = {"Tab": 9, "Enter": 13, "Escape": 27, " ": 32, "End": 35, "Home": 36, "ArrowUp": 38, "ArrowDown": 40}


class Browser:
    # Chromium with its DevTools protocol on a pipe: messages of JSON ended by a zero byte.
    def __init__(self, tmp):
        to_browser, self._out = os.pipe()
        self._in, from_browser = os.pipe()
        self.proc = subprocess.Popen(
            ["/usr/bin/chromium", "--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run", "--lang=ru",
             "--disable-background-networking", "--disable-component-update", "--disable-sync", "--remote-debugging-pipe",
             "--user-data-dir=" + os.path.join(tmp, "profile"), "--window-size=800,600", "about:blank"],
            pass_fds=(3, 4), preexec_fn=lambda: (os.dup2(to_browser, 3), os.dup2(from_browser, 4)),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser), os.close(from_browser)
        self._buf, self._id, self.events = b"", 0, []
        page = next(t for t in self.call("Target.getTargets")["targetInfos"] if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Accessibility"):
            self.send(domain + ".enable")
        # A Russian browser with the keyboard in its page.
        self.send("Emulation.setLocaleOverride", locale="ru-RU")
        self.send("Emulation.setFocusEmulationEnabled", enabled=True)

    def call(self, method, session=None, **params):
        self._id += 1
        msg = {"id": self._id, "method": method, "params": params}
        if session:
            msg["sessionId"] = session
        os.write(self._out, json.dumps(msg).encode() + b"\0")
        while True:
            while b"\0" not in self._buf:
                self._buf += os.read(self._in, 1 << 20)
            raw, self._buf = self._buf.split(b"\0", 1)
            reply = json.loads(raw)
            if reply.get("id") == self._id:
                check("error" not in reply, "%s: %r" % (method, reply.get("error")))
                return reply.get("result", {})
            self.events.append(reply)

    def send(self, method, **params):
        return self.call(method, self.session, **params)

    def js(self, expr):
        r = self.send("Runtime.evaluate", expression=expr, returnByValue=True, awaitPromise=True)
        check("exceptionDetails" not in r, "%s: %r" % (expr, r.get("exceptionDetails")))
        return r["result"].get("value")

    def until(self, expr, what, timeout=10):
        return wait_until(lambda: self.js(expr), timeout, 0.05, what)

    def open(self, url):
        self.send("Page.navigate", url=url)
        self.until("!!document.querySelector('.window select') && document.querySelector('.window').hidden === false",
                   "the program's window")
        return self.window()

    def window(self, which=".window"):
        return self.js("(() => { const r = document.querySelector('%s').getBoundingClientRect(); "
                       "return [r.left, r.top, r.width, r.height]; })()" % which)

    def mouse(self, x, y, kind="click", button="left", count=1):
        for t in {"click": ("mousePressed", "mouseReleased"), "down": ("mousePressed",), "up": ("mouseReleased",),
                  "move": ("mouseMoved",)}[kind]:
            drag = t == "mouseMoved" and self._held  # a move with the button held
            self.send("Input.dispatchMouseEvent", type=t, x=x, y=y, button=button if t != "mouseMoved" or drag else "none",
                      buttons=1 if drag else 0, clickCount=count)
        self._held = kind == "down" or (self._held and kind == "move")
        time.sleep(0.05)

    _held = False

    def key(self, *keys, alt=False):
        for k in keys:
            code = KEYS.get(k, 0)
            args = dict(key=k, windowsVirtualKeyCode=code, modifiers=1 if alt else 0)
            if k not in KEYS or k == " ":
                args["text"] = k
            self.send("Input.dispatchKeyEvent", type="keyDown" if "text" in args else "rawKeyDown", **args)
            self.send("Input.dispatchKeyEvent", type="keyUp", **args)
        time.sleep(0.05)

    def shot(self, x, y, w, h, scale=1):
        png = base64.b64decode(self.send("Page.captureScreenshot", clip=dict(x=x, y=y, width=w, height=h, scale=1))["data"])
        rgb = subprocess.run(["/usr/bin/convert", "png:-", "-depth", "8", "rgb:-"], input=png, capture_output=True,
                             check=True).stdout
        return Image(w * scale, h * scale, rgb)

    def fields(self):
        # The five fields' texts: sign, symbol, pairs, stone, talisman.
        got = dict(self.js("[...document.querySelectorAll('.window input')].map(i => [i.getAttribute('aria-label'), i.value])"))
        return [got.get(FIELD_NAMES[f]) for f in ("txtSign", "txtZ", "txtPair", "txtPercStone", "txtTalis")]

    def close(self):
        self.proc.kill()
        self.proc.wait()


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def linux_window(s):
    # The Linux program's window at rest, for the pixels away from text.
    w = s.start_program({"LANG": "ru_RU.UTF-8"})
    s.move_in(w, 186, 100)
    s.settle(0.5)
    shot = s.grab_window(w)
    s.stop_program()
    return shot


def accessible(b):
    # The program's window in the accessibility tree: its children as role and name, in order.
    nodes = {n["nodeId"]: n for n in b.send("Accessibility.getFullAXTree")["nodes"]}
    roles = {"button": "button", "StaticText": "label", "listbox": "list", "textbox": "text"}

    def value(n, key):
        return (n.get(key) or {}).get("value", "")
    window = next(n for n in nodes.values() if value(n, "role") == "application")
    out = []

    def walk(n):
        for c in n.get("childIds", []):
            kid = nodes.get(c, {})
            if value(kid, "role") in roles and not kid.get("ignored"):
                props = {p["name"]: p["value"].get("value") for p in kid.get("properties", [])}
                keys = props.get("keyshortcuts", "")
                try:  # the tree gives it as Latin-1 of its UTF-8 bytes
                    keys = keys.encode("latin-1").decode("utf-8")
                except UnicodeError:
                    pass
                out.append((roles[value(kid, "role")], value(kid, "name"), value(kid, "description"), keys))
            else:
                walk(kid)
    walk(window)
    return value(window, "name"), out


def main():
    p = argparse.ArgumentParser()
    for a in ("--site", "--linux-exe", "--artifacts"):
        p.add_argument(a, required=True)
    a = p.parse_args()
    with Session("e2e_web", a.linux_exe, a.artifacts, timeout=300) as s:
        run(s, a.site, linux_window(s))


def run(s, site, reference):
    r = s.results
    server = serve(site)
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    b = Browser(s.tmp)
    try:
        x, y, w, h = b.open(url)

        def at(px, py, kind="click", **kw):
            b.mouse(x + px, y + py, kind, **kw)

        with r.case("start-up: 380 x 202, twelve months in the browser's language, January and day 1 chosen"):
            check((w, h) == (380, 202), "window %r" % ((w, h),))
            months = b.js("[...document.querySelectorAll('.window select')[1].options].map(o => o.text)")
            check(months[:2] == ["Январь", "Февраль"] and len(months) == 12, "months %r" % months)
            check(b.js("[...document.querySelectorAll('.window select')].map(s => s.selectedIndex)") == [0, 0], "selection")

        with r.case("the frame pixel for pixel as the Linux program shows it, away from texts, lists and fields"):
            shot = b.shot(x, y, w, h)
            shot.save_png(os.path.join(s.artifacts, "lunivar-web.png"))
            texts = b.js("[...document.querySelectorAll('.window div.reader')].map(e => "
                         "[e.offsetLeft - 1, e.offsetTop - 1, e.offsetWidth + 4, e.offsetHeight + 4])")
            skip = texts + [list(FIELDS[f]) for f in FIELDS] + [list(LIST_DAY), list(LIST_MONTH)] + \
                [[bx + 20, by + 2, 140, 17] for bx, by, _, _ in BUTTONS.values()]
            cut = {0: 3, 1: 2, 2: 1, h - 3: 1, h - 2: 2, h - 1: 3}  # outside the rounded outline
            bad = [(px, py) for py in range(h) for px in range(cut.get(py, 0), w - cut.get(py, 0))
                   if not any(sx - 1 <= px < sx + sw + 1 and sy - 1 <= py < sy + sh + 1 for sx, sy, sw, sh in skip)
                   and shot.px(px, py) != reference.px(px, py)]
            check(not bad, "%d pixels differ from the Linux window, e.g. %r" % (len(bad), bad[:5]))

        with r.case("the screen reader's tree: the window, its controls by role and name in order, keys and tips"):
            name, kids = accessible(b)
            check(name == "Lunivar 5.3", "window named %r" % name)
            check([k[:2] for k in kids] == ACCESSIBLE, "read %r" % kids)
            for role, n, description, keys in kids:
                if role == "button":
                    check(keys == SHORTCUTS.get(n, "") and description == TOOLTIPS.get(n, ""), "%s: %r %r" % (n, keys, description))

        with r.case("by the keyboard alone: End, Tab twice to Проверить, Space"):
            b.key("End", "Tab", "Tab")
            b.until("document.activeElement.textContent === 'Проверить'", "the keyboard on Проверить")
            b.key(" ")
            got = wait_until(lambda: (lambda v: v[0] == "Стрелец" and v)(b.fields()), 5, 0.05, "the lookup")
            check(got[2:] == ["Овен, Лев, Весы", "Бирюза", "Хризопраз"], "fields %r" % got)

        with r.case("the date table: the first and last day of every sign, chosen by pointer and keys"):
            for sign in signs():
                for month, day in (sign["first"], sign["last"]):
                    at(LIST_MONTH[0] + 30, LIST_MONTH[1] + 8)
                    b.key("Home", *["ArrowDown"] * (month - 1))
                    at(LIST_DAY[0] + 20, LIST_DAY[1] + 8)
                    b.key("Home", *["ArrowDown"] * (day - 1))
                    at(BUTTONS[0][0] + 60, BUTTONS[0][1] + 10)
                    want = [sign["name"], sign["symbol"], sign["pairs"], sign["stone"], sign["talisman"]]
                    got = wait_until(lambda: (lambda v: v[0] == sign["name"] and v)(b.fields()), 5, 0.05, "%d.%d" % (day, month))
                    check(got[0] == want[0] and got[2:] == want[2:], "%d.%d: %r" % (day, month, got))

        with r.case("a drag on the title bar moves the window by exactly 100/40, and no further than the page"):
            at(60, 12, "down")
            for i in range(1, 11):
                b.mouse(x + 60 + 10 * i, y + 12 + 4 * i, "move")
            b.mouse(x + 160, y + 52, "up")
            nx, ny, _, _ = b.window()
            check((nx - x, ny - y) == (100, 40), "moved by %r" % ((nx - x, ny - y),))
            # Dragged far to the right and down, it stops at the page's edges.
            pw, ph = b.js("[innerWidth, innerHeight]")
            b.mouse(nx + 60, ny + 12, "down"), b.mouse(pw - 5, ph - 5, "move"), b.mouse(pw - 5, ph - 5, "up")
            x, y = pw - 380, ph - 202
            check(b.window() == [x, y, 380, 202], "at %r in a page of %dx%d" % (b.window(), pw, ph))

        with r.case("minimise leaves a button on the page that brings the window back"):
            at(326, 13)
            b.until("document.querySelector('.window').hidden && !document.querySelector('.restore').hidden", "minimised")
            b.js("document.querySelector('.restore').click()")
            b.until("!document.querySelector('.window').hidden", "restored")

        with r.case("About, opened by a tap and by a click: modal over the main window, version 5.3; Escape and Enter close it"):
            for close in ("Escape", "Enter"):
                if close == "Escape":  # a tap is a click
                    for t, points in (("touchStart", [dict(x=x + BUTTONS[2][0] + 30, y=y + BUTTONS[2][1] + 10)]), ("touchEnd", [])):
                        b.send("Input.dispatchTouchEvent", type=t, touchPoints=points)
                else:
                    at(BUTTONS[2][0] + 30, BUTTONS[2][1] + 10)
                b.until("document.querySelectorAll('.window:not([hidden])').length === 2", "the About window")
                check(b.js("document.querySelector('.window').inert") is True, "the main window takes input")
                dialog = b.until("document.querySelector('.window[role=dialog]').getAttribute('aria-label')", "About's name")
                check(dialog == ABOUT_NAME, "About named %r" % dialog)
                b.until("[...document.querySelectorAll('.window div.reader')].some(l => l.textContent === '5.3')", "the version")
                b.key(close)
                b.until("document.querySelectorAll('.window:not([hidden])').length === 1", close + " to close About")

        with r.case("twice the pixels: a canvas of 760 x 404 with the twice-size drawings"):
            b.send("Emulation.setDeviceMetricsOverride", width=800, height=600, deviceScaleFactor=2, mobile=False)
            x, y, w, h = b.open(url)
            check(b.js("[document.querySelector('canvas').width, document.querySelector('canvas').height]") == [760, 404],
                  "canvas size")
            shot = b.shot(x, y, w, h, scale=2)
            twice = load_bitmap_file(os.path.join(os.path.dirname(__file__), "..", "..", "src", "res", "bmp", "113@2x.png"))
            check(not mismatches(shot, 2 * BUTTONS[1][0], 2 * BUTTONS[1][1], twice, 2), "the 2x face")
            b.send("Emulation.clearDeviceMetricsOverride")

        with r.case("the close box ends the program and offers to start it again"):
            x, y, w, h = b.open(url)
            at(366, 13)
            b.until("!document.querySelector('#ended').hidden && document.querySelector('.window').hidden", "the end")
            b.js("document.querySelector('#again').click()")
            b.until("!!document.querySelector('.window select')", "started again")

        with r.case("offline: with the web server gone, a reload starts the program from what the page kept"):
            b.until("navigator.serviceWorker.controller !== null", "the service worker")
            server.shutdown()
            server.server_close()
            x, y, w, h = b.open(url)
            at(BUTTONS[0][0] + 60, BUTTONS[0][1] + 10)
            wait_until(lambda: b.fields()[0] == "Козеог", 5, 0.05, "a lookup offline")
    finally:
        b.close()


if __name__ == "__main__":
    main()
