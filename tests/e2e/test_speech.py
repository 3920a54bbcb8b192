# What a blind user hears: Orca itself in the session (speech to
# speech-dispatcher's dummy output, what it says read from its debug log) at
# each Tab stop, after Space on Проверить, reading a field word by word, in
# About; and every field's text read through the bus by characters, words
# and lines at every offset, the end included, none of it hanging.

import os
import re
import shutil

from harness import FIELD_NAMES, Session, check, eventually, signs, wait_until

BOUNDARIES = ("CHAR", "WORD_START", "WORD_END", "SENTENCE_START", "LINE_START", "LINE_END")


# Orca, its debug log written line by line as it speaks (it keeps the file
# block-buffered otherwise, and what it said would show seconds late).
RUN_ORCA = """import builtins, runpy, sys
plain = builtins.open
builtins.open = lambda f, m="r", *a, **k: plain(f, m, 1, **k) if f == sys.argv[-1] else plain(f, m, *a, **k)
runpy.run_path("/usr/bin/orca", run_name="__main__")
"""


class Orca:
    # Orca and a speech server of the session's own.

    def __init__(self, s):
        self.s, self.log = s, os.path.join(s.tmp, "orca-debug.log")
        conf = os.path.join(s.tmp, "speechd")
        os.makedirs(conf)
        with open(os.path.join(conf, "speechd.conf"), "w") as f:
            f.write('AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\nAudioOutputMethod "libao"\n')
        s._spawn("speechd", ["speech-dispatcher", "--spawn", "-C", conf, "-t", "0"], s.env)
        sock = os.path.join(s.env["XDG_RUNTIME_DIR"], "speech-dispatcher", "speechd.sock")
        wait_until(lambda: os.path.exists(sock), 20, 0.1, "the speech server")
        s._spawn("orca", ["/usr/bin/python3", "-c", RUN_ORCA, "--replace", "--debug-file", self.log], s.env)
        wait_until(lambda: "Screen reader on." in self.said(), 30, 0.2, "Orca to start")

    def said(self, since=0):
        # What Orca has spoken, utterance by utterance, from the `since`-th on.
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return re.findall(r"SPEECH OUTPUT: '(.*?)' ?\{", f.read())[since:]


def hears(orca, action, *want):
    # What Orca says after `action` holds all of `want`, within seconds.
    mark = len(orca.said())
    action()
    got = eventually(lambda: orca.said(mark), lambda got: all(w in got for w in want), 8, 0.2)
    check(all(w in got for w in want), "heard %r, not %r" % (got, [w for w in want if w not in got]))


def text_sweep(s):
    # Every boundary at every offset of every field, and around it: each
    # answers (a hang would time out the bus), and the pieces of a kind put
    # together give the whole text, last letter included.
    ps = s.atspi
    for field, name in FIELD_NAMES.items():
        acc = s.find(role=[ps.ROLE_TEXT, ps.ROLE_ENTRY], name=name)
        t = acc.queryText()
        whole = t.getText(0, -1)
        check(len(whole) == t.characterCount and whole, "%s: %r of %d" % (field, whole, t.characterCount))
        for kind in BOUNDARIES:
            boundary = getattr(ps, "TEXT_BOUNDARY_" + kind)
            pieces = {}
            for offset in range(t.characterCount + 1):
                for ask in (t.getTextAtOffset, t.getTextBeforeOffset, t.getTextAfterOffset):
                    piece, start, end = ask(offset, boundary)
                    check(whole[start:end] == piece, "%s %s at %d: %r for %d-%d" % (field, kind, offset, piece, start, end))
                    pieces[start] = piece
            check("".join(pieces[k] for k in sorted(pieces)) == whole, "%s by %s: %r" % (field, kind, pieces))


def main():
    with Session.from_args("e2e_speech", timeout=200) as s:
        r = s.results
        orca = Orca(s)
        try:
            w = s.start_program()
            s.activate(w)
            capricorn = next(x for x in signs() if x["name"] == "Козеог")
            wait_until(lambda: "Lunivar 5.3 frame." in orca.said(), 20, 0.2, "Orca to see the window")
            with r.case("each Tab stop is said with its name, and a list with its choice"):
                hears(orca, lambda: s.key("Tab"), "День (число)", "1.")
                hears(orca, lambda: s.key("shift+Tab"), "Месяц.", "Январь.")
                hears(orca, lambda: s.key("Tab", "Tab"), "Проверить push button.")
            with r.case("Space on Проверить: the sign is said, the keyboard stays"):
                hears(orca, lambda: s.key("space"), "notification Ваш знак зодиака: Козеог.")
                hears(orca, lambda: s.key("space"), "notification Ваш знак зодиака: Козеог.")
            with r.case("the fields read whole, word by word, without a hang"):
                hears(orca, lambda: s.key("Tab"), "Ваш знак зодиака read only text.", "Козеог.")
                hears(orca, lambda: s.key("ctrl+Right"), "Козеог")
                hears(orca, lambda: s.key("Tab"), "Пары по зодиаку read only text.", capricorn["pairs"] + ".")
                hears(orca, lambda: s.key("ctrl+Right"), "Дева")
                # On past "," and " ", a word at a time.
                hears(orca, lambda: [s.key("ctrl+Right", settle=0.5) for _ in range(3)], "Рыбы")
                check(s.alive(), "the program ended")
            with r.case("every field answers every boundary at every offset"):
                text_sweep(s)
            with r.case("About is a dialog with its OK; Escape closes it"):
                hears(orca, lambda: s.key("alt+Cyrillic_o"), "О программе Lunivar 5.3 dialog.", "OK push button.")
                hears(orca, lambda: s.key("Escape"), "Lunivar 5.3 frame.")
            with r.case("the glyph is said as the sign's symbol"):
                hears(orca, lambda: s.key(*["Tab"] * 5), "Символ знака read only text.", capricorn["symbol"])

        finally:
            shutil.copy(orca.log, os.path.join(s.artifacts, "orca-debug.log"))

if __name__ == "__main__":
    main()
