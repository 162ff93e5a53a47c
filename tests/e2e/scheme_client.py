#!/usr/bin/python3
"""An accessibility client that puts a system scheme onto a unit through the real window: it
chooses the picture in the real file dialog, sees the definition found beside it, starts the
upload and confirms the hint and the success message.
Usage: scheme_client.py PICTURE"""
import os
import sys

from find_controls import find_application, find_by_description
from upload_client import choose_file, find_window, press, read_message, select_page, showing, \
    text_of, wait_for

HINT = "Große Dateien können bei GSM-Betrieb"
SUCCESS = "VozezaViroru erfolgreich aktualisiert!"


def main():
    picture = sys.argv[1]
    failures = 0

    def check(ok, text):
        nonlocal failures
        print(("PASS " if ok else "FAIL ") + text, flush=True)
        failures += 0 if ok else 1
        return ok

    app = find_application("kv3config")
    if not check(app is not None, "the configurator is on the accessibility bus"):
        return 1
    found = wait_for(lambda: text_of(find_by_description(app, "Ed_Inst_AS")), 40)
    check(bool(found), "the start-up search found the unit (installed scheme %r)" % found)
    if not check(select_page(app, "Anlagenschema"), "the scheme page is there"):
        return 1
    base = os.path.basename(picture).rsplit(".", 1)[0]
    press(wait_for(lambda: find_by_description(app, "Bt_Ld_AS"), 10))
    problem = choose_file(app, picture)
    if not check(problem is None, "chose %s in the file dialog (%s)" % (picture, problem)):
        return 1
    check(wait_for(lambda: text_of(find_by_description(app, "Ed_Up_AS")) == base, 10),
          "Ed_Up_AS shows %r" % base)
    check(wait_for(lambda: text_of(find_by_description(app, "Ed_Up_DF")) == base, 10),
          "Ed_Up_DF shows that the definition %s.rem was found" % base)
    start = wait_for(lambda: find_by_description(app, "Bt_Up_AS"), 10)
    if not check(wait_for(lambda: showing(start), 10), "Bt_Up_AS is visible"):
        return 1
    press(start)
    hint = read_message(app, 60)
    check(hint is not None and HINT in hint, "the hint on big files comes first (%r)" % hint)
    # The upload goes on once the hint is closed; the next box is the verdict.
    wait_for(lambda: find_window(app, ("alert", "dialog")) is None, 10)
    message = read_message(app, 60 + os.path.getsize(picture) // 1460 * 0.4)
    check(message is not None and SUCCESS in message,
          "the message box says %r (it said %r)" % (SUCCESS, message))
    check(wait_for(lambda: text_of(find_by_description(app, "Ed_Inst_AS")) == base, 30),
          "the page shows the scheme %r as installed" % base)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
