#!/usr/bin/python3
"""An accessibility client that updates a unit through the real window: it chooses a file in
the real file dialog, starts the upload, reads the message box and confirms it. Once for the
firmware and once for the web app.
Usage: upload_client.py FIRMWARE WEBAPP WEBAPP_OUTCOME (success or corrupted)"""
import os
import sys
import time

import pyatspi
from gi.repository import GLib

from find_controls import find_application, find_by_description, walk

SUCCESS = "VozezaViroru erfolgreich aktualisiert!"
CORRUPTED = "Sendung gestört."


def wait_for(condition, seconds, step=0.2):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            value = condition()
        except GLib.GError:
            # The window does not answer while it waits for the unit; ask again.
            value = None
        if value:
            return value
        time.sleep(step)
    return None


def text_of(node):
    """The node's text; empty for a node that is gone (a hidden page leaves the tree)."""
    if node is None:
        return ""
    text = node.queryText()
    return text.getText(0, text.characterCount)


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "Press", "click"):
            action.doAction(i)
            return
    action.doAction(0)


def showing(node):
    return node is not None and node.getState().contains(pyatspi.STATE_SHOWING)


def find_window(app, roles, exclude_first=True):
    """A top-level window other than the main window whose role is one of roles."""
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        if window is None or (exclude_first and window.description == "Form1"):
            continue
        if window.getRoleName() in roles and showing(window):
            return window
    return None


def choose_file(app, path):
    dialog = wait_for(lambda: find_window(app, ("file chooser", "dialog")), 20)
    if dialog is None:
        return "no file dialog appeared"
    edits = [n for n in walk(dialog) if n.getRoleName() == "text" and showing(n)
             and n.getState().contains(pyatspi.STATE_EDITABLE)]
    name_edit = next((n for n in edits if "name" in (n.name or "").lower()), None)
    if name_edit is None:
        return "no file name field in the dialog: " + ", ".join(repr(n.name) for n in edits)
    name_edit.queryEditableText().setTextContents(path)
    time.sleep(0.3)
    open_button = next((n for n in walk(dialog) if n.getRoleName() == "push button"
                        and n.name in ("Open", "&Open", "Öffnen")), None)
    if open_button is None:
        return "no Open button in the dialog"
    press(open_button)
    return None


def read_message(app, seconds):
    """The text of the next message box, after which it is confirmed with OK."""
    box = wait_for(lambda: find_window(app, ("alert", "dialog")), seconds)
    if box is None:
        return None
    texts = [n.name for n in walk(box) if n.getRoleName() == "label" and n.name]
    ok = next((n for n in walk(box) if n.getRoleName() == "push button"), None)
    if ok is not None:
        press(ok)
    return "\n".join(texts)


def select_page(app, caption):
    """Brings the page with that tab caption to the front, as a click on its tab does."""
    for node in walk(app):
        if node.getRoleName() == "page tab list":
            for i in range(node.childCount):
                tab = node.getChildAtIndex(i)
                if tab.name == caption:
                    press(tab)
                    time.sleep(0.5)
                    return True
    return False


def main():
    firmware, webapp, webapp_outcome = sys.argv[1:4]
    failures = 0

    def check(ok, text):
        nonlocal failures
        print(("PASS " if ok else "FAIL ") + text, flush=True)
        failures += 0 if ok else 1
        return ok

    app = find_application("kv3config")
    if not check(app is not None, "the configurator is on the accessibility bus"):
        return 1
    installed = wait_for(lambda: (lambda n: n is not None and text_of(n))(
        find_by_description(app, "Ed_Inst_FW")), 40)
    check(bool(installed), "the start-up search found the unit (installed firmware %r)" % installed)

    halves = [("FW", firmware, "success", 120 + os.path.getsize(firmware) // 1460 * 0.4),
              ("WA", webapp, webapp_outcome, 60 + os.path.getsize(webapp) // 1460 * 0.2)]
    select_page(app, "Aktualisierung")
    for suffix, path, outcome, seconds in halves:
        shown_name = os.path.basename(path).rsplit(".", 1)[0]
        press(wait_for(lambda: find_by_description(app, "Bt_Ld_" + suffix), 10))
        problem = choose_file(app, path)
        if not check(problem is None, "chose %s in the file dialog (%s)" % (path, problem)):
            return 1
        chosen = wait_for(lambda: text_of(find_by_description(app, "Ed_Up_" + suffix))
                          == shown_name, 10)
        check(chosen, "Ed_Up_%s shows %r" % (suffix, shown_name))
        start = wait_for(lambda: find_by_description(app, "Bt_Up_" + suffix), 10)
        if not check(wait_for(lambda: showing(start), 10), "Bt_Up_%s is visible" % suffix):
            return 1
        press(start)
        message = read_message(app, seconds)
        expected = SUCCESS if outcome == "success" else CORRUPTED
        check(message is not None and expected in message,
              "the message box says %r (it said %r)" % (expected, message))
        if outcome != "success":
            # The window stays usable and the choice stays.
            usable = wait_for(lambda: start.getState().contains(pyatspi.STATE_SENSITIVE), 10)
            check(usable, "Bt_Up_%s is enabled again" % suffix)
            check(text_of(find_by_description(app, "Ed_Up_" + suffix)) == shown_name,
                  "the chosen file is kept")
        else:
            # The follow-up searches again with the settings page in front; the unit answers
            # again after its restart.
            field, expected = {"FW": ("Ed_Inst_FW", "V1.8"), "WA": ("Ed_Inst_WA", shown_name)}[suffix]
            found = wait_for(lambda: text_of(find_by_description(app, field)) == expected, 30)
            check(found, "the new search found the restarted unit with %s %r" % (field, expected))
            select_page(app, "Aktualisierung")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
