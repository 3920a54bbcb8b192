#!/usr/bin/python3
"""The web program's first complete frame in headless Chromium, beside a
static page with the same native controls (two lists, five fields) over a
picture of the same window.

    webstart.py --site DIR [--runs N]

Each run is a first visit: a fresh browser context, nothing cached. A script
put into every page before its own checks at each animation frame whether
the page is complete (the program: its window shown with its canvas drawn and
both lists filled; the static page: its picture loaded and both lists
filled) and notes the time from the navigation's start. The pages take
turns, run after run. One line per run: prog=NAME run=N frame_ms=...
"""
import argparse
import base64
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from test_web import Browser, serve  # noqa: E402

COMPLETE = {
    "lunivar": "(() => { const w = document.querySelector('.window'); return !!w && !w.hidden && "
               "w.querySelector('canvas').width > 0 && document.querySelectorAll('.window option').length === 43; })()",
    "static": "(() => { const i = document.querySelector('img'); return !!i && i.complete && i.naturalWidth > 0 && "
              "document.querySelectorAll('option').length === 43; })()",
}
WATCH = "(function check() { if (%s) window.__frame = performance.now(); else requestAnimationFrame(check); })();"

STATIC = """<!DOCTYPE html><html lang="ru"><head><meta charset="utf-8"><title>Lunivar</title><style>
html, body { margin: 0; height: 100%%; background: #3a6ea5; } #w { position: absolute; left: 210px; top: 127px; }
select, input { position: absolute; box-sizing: border-box; font: 11px "Liberation Sans", Arial, sans-serif; }
</style></head><body><div id="w"><img src="window.png" width="380" height="202" alt="">
<select size="6" style="left:8px;top:32px;width:49px;height:82px">%s</select>
<select size="6" style="left:64px;top:32px;width:121px;height:82px">%s</select>
<input readonly style="left:192px;top:48px;width:137px;height:19px"><input readonly style="left:192px;top:88px;width:177px;height:19px">
<input readonly style="left:192px;top:128px;width:177px;height:19px"><input readonly style="left:192px;top:168px;width:177px;height:19px">
<input readonly style="left:336px;top:40px;width:33px;height:33px"></div></body></html>"""
MONTHS = "Январь Февраль Март Апрель Май Июнь Июль Август Сентябрь Октябрь Ноябрь Декабрь".split()


def first_frame(b, url, name):
    context = b.call("Target.createBrowserContext")["browserContextId"]
    target = b.call("Target.createTarget", url="about:blank", browserContextId=context)["targetId"]
    b.session = b.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
    b.send("Page.enable")
    b.send("Page.addScriptToEvaluateOnNewDocument", source=WATCH % COMPLETE[name])
    b.send("Page.navigate", url=url)
    ms = b.until("window.__frame", name + " complete", timeout=30)
    shot = base64.b64decode(b.send("Page.captureScreenshot", clip=dict(x=210, y=127, width=380, height=202, scale=1))["data"])
    b.call("Target.closeTarget", targetId=target)
    b.call("Target.disposeBrowserContext", browserContextId=context)
    return ms, shot


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--site", required=True)
    ap.add_argument("--runs", type=int, default=10)
    a = ap.parse_args()
    tmp = tempfile.mkdtemp(prefix="lunivar-webbench-")
    try:
        site = os.path.join(tmp, "site")
        shutil.copytree(a.site, site)
        b = Browser(tmp)
        server = serve(site)
        base = "http://127.0.0.1:%d/" % server.server_address[1]
        # The static page shows the program's own window as a picture.
        _, shot = first_frame(b, base, "lunivar")
        with open(os.path.join(site, "window.png"), "wb") as f:
            f.write(shot)
        with open(os.path.join(site, "static.html"), "w", encoding="utf-8") as f:
            f.write(STATIC % ("".join("<option>%d</option>" % d for d in range(1, 32)),
                              "".join("<option>%s</option>" % m for m in MONTHS)))
        for n in range(1, a.runs + 1):
            for name, url in (("lunivar", base), ("static", base + "static.html")):
                ms, _ = first_frame(b, url, name)
                print("prog=%s run=%d frame_ms=%.1f" % (name, n, ms), flush=True)
        b.close()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
