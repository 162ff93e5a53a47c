#!/usr/bin/python3
"""An accessibility client: finds the configurator's controls on the desktop's accessibility bus
by their descriptions (the control names), reads them, and types through the accessibility
interface. Prints one line per check; exit code 0 when all hold."""
import sys
import time

import pyatspi


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def find_application(name, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    return None


def find_by_description(app, description):
    for node in walk(app):
        if node.description == description:
            return node
    return None


def main():
    failures = 0

    def check(ok, text):
        nonlocal failures
        print(("PASS " if ok else "FAIL ") + text)
        failures += 0 if ok else 1

    app = find_application("kv3config")
    if app is None:
        print("FAIL the configurator is not on the accessibility bus")
        return 1
    # The start-up (language, search) is over once the title is the applied one and the search
    # button is usable again.
    search = None
    deadline = time.time() + 30
    while time.time() < deadline:
        search = find_by_description(app, "BTSuchen")
        frame = app.getChildAtIndex(0) if app.childCount else None
        if (search is not None and frame is not None
                and frame.name.startswith("Konfigurationsprogramm")
                and search.getState().contains(pyatspi.STATE_SENSITIVE)):
            break
        time.sleep(0.2)
    check(frame is not None and frame.getRoleName() in ("frame", "window"),
          "the top level is announced as a window")
    check(frame is not None and frame.name.startswith("Konfigurationsprogramm"),
          "the window is named by its title")
    check(search is not None, "found a control described as BTSuchen")
    if search is not None:
        check(search.getRoleName() == "push button", "BTSuchen is a push button")
        check(search.name == "VozezaViroru suchen", "BTSuchen reads 'VozezaViroru suchen'")

    name = find_by_description(app, "Edit8")
    check(name is not None, "found the device name field Edit8")
    if name is not None:
        check(name.name == "Gerätebezeichnung:", "Edit8 is named by its label")
        name.queryEditableText().setTextContents("x" * 31)
        content = ""
        deadline = time.time() + 10
        while content != "x" * 30 and time.time() < deadline:
            time.sleep(0.2)
            text = name.queryText()
            content = text.getText(0, text.characterCount)
        check(content == "x" * 30, "text typed through the accessibility interface is cut to 30")

    # The language flags are buttons named by their language, pressed over the bus.
    for flag, title in (("English", "Configurator for"), ("Deutsch", "Konfigurationsprogramm")):
        node = next((n for n in walk(app) if n.name == flag), None)
        check(node is not None and node.getRoleName() == "push button",
              "the flag %s is a push button" % flag)
        if node is None:
            continue
        check(node.getState().contains(pyatspi.STATE_FOCUSABLE), "the flag %s takes the focus" % flag)
        action = node.queryAction()
        pressed = any(action.getName(i) == "Press" and action.doAction(i)
                      for i in range(action.nActions))
        check(pressed, "the flag %s is pressed over the bus" % flag)
        deadline = time.time() + 10
        while not frame.name.startswith(title) and time.time() < deadline:
            time.sleep(0.2)
        check(frame.name.startswith(title), "pressing %s switches the window to it" % flag)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
