#!/usr/bin/python3
"""The program through the accessibility bus, as a screen reader sees it; the keys it drives.

    accessibility_check.py PROGRAM SERVER_SCRIPT LINE_TOOL    (on-desktop.sh, in a D-Bus session)
"""
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time

import pyatspi

PROGRAM, SERVER, LINE_TOOL = sys.argv[1], sys.argv[2], sys.argv[3]
BANNER = "VENTOR Telefon              Firma: 1"
CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_TREE, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TOGGLE_BUTTON,
    pyatspi.ROLE_DATE_EDITOR, pyatspi.ROLE_IMAGE,
}
failures = []


def fail(text):
    failures.append(text)
    print("FAIL:", text, flush=True)


def wait_for(what, timeout=20.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = what()
        if found:
            return found
        time.sleep(0.2)
    return None


def walk(node):
    yield node
    for child in (node.getChildAtIndex(i) for i in range(node.childCount)):
        if child is not None:
            yield from walk(child)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def frame(title_start):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "ventor-telefon":
            return next((f for f in (app.getChildAtIndex(i) for i in range(app.childCount))
                         if f is not None and f.name.startswith(title_start) and showing(f)), None)
    return None


def named(window, name, role=None):
    return next((n for n in walk(window) if n.getRole() in CONTROL_ROLES and showing(n)
                 and n.name == name and role in (None, n.getRole())), None)


def check_window(title_start, expected_names):
    """Every visible control has a name; the expected ones are found by it."""
    window = wait_for(lambda: frame(title_start))
    if window is None:
        fail(f"no window titled {title_start!r}")
        return None
    for control in walk(window):
        if control.getRole() in CONTROL_ROLES and showing(control) and not control.name.strip():
            fail(f"{window.name!r}: a {control.getRoleName()} without a name")
    for name in expected_names:
        if named(window, name) is None:
            fail(f"{window.name!r}: no control named {name!r}")
    return window


def press(window, name):
    button = named(window, name, pyatspi.ROLE_PUSH_BUTTON)
    if button is None:
        return fail(f"{window.name!r}: no button {name!r} to press")
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press") if "Press" in names else 0)


def visit(title, names, close, check=None):
    """The side window now opening: its controls, then closed by its button or key."""
    window = check_window(title, names)
    if window:
        if check:
            check(window)
        if close == "Escape":
            keys(title, "Escape")
        else:
            press(window, close)
        if wait_for(lambda: frame(title) is None, 10) is None:
            fail(f"{title!r} did not close")


def keys(window_title, *sequence):
    """Keys typed by the user into the window with that title."""
    ids = subprocess.run(["xdotool", "search", "--name", window_title],
                         capture_output=True, text=True).stdout.split()
    if not ids:
        return fail(f"no X window {window_title!r} for the keyboard")
    subprocess.run(["xdotool", "windowactivate", ids[-1]], check=False)
    time.sleep(0.5)
    for key in sequence:
        subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True)
        time.sleep(0.3)


def type_into(field, text):
    """Text typed by the user into a field of the main window, replacing what it held."""
    field.queryComponent().grabFocus()
    keys(BANNER, "ctrl+a", "BackSpace")
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True)


def text_of(control):
    return control.queryText().getText(0, -1)


def main():
    work = tempfile.mkdtemp()
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, HOME=work, XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.join(work, "config"),
               QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    env.pop("QT_QPA_PLATFORM", None)
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = str(s.getsockname()[1])
    db = os.path.join(work, "db")
    quiet = dict(stdout=subprocess.DEVNULL, env=env)
    for command in (["create", db], ["generate", db, "--customers", "300"], ["start", db, port]):
        subprocess.run([SERVER] + command, check=True, **quiet)
    # The server speaks TLS; the program trusts its self-signed certificate.
    os.makedirs(os.path.join(work, "config", "ventor-telefon"))
    with open(os.path.join(work, "config", "ventor-telefon", "Cache Login.ini"), "w") as ini:
        ini.write("[Login]\nZertifikat=" + os.path.join(db, "tls", "server.crt") + "\n")
    # A process group of its own, so that its children end with it.
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env=env,
                           start_new_session=True)
    # The showcase customer is dialled at start: the customer panel with its open-items button.
    telefon = subprocess.Popen([PROGRAM, "1", "0", "MEIER", "telefon", "127.0.0.1", port,
                                "VENTOR", "--line=sim", "--dial", "030123456"], env=env)
    try:
        main_window = check_window(BANNER, [
            "Leitungsstatus", "Leitungsbild", "Rufnummer/Teilnehmer", "Wählen", "Trennen",
            "R Halten", "Suchen", "Offene Posten", "Login", "Beenden", "Info", "Popup bei Anruf",
            "Kontonummer", "Anrede", "Name", "Branche", "Straße", "Postleitzahl", "Ort",
            "Telefon", "Fax", "Mahnstufe", "Mahnstufe vom", "Letzter Auftrag am",
            "Aktueller Saldo", "Umsatz laufendes Jahr", "Umsatz voriges Jahr", "Eintragsinfo",
            "Einträge der Zielwahl", "Ziehlwahl", "Abteilungen Intern", "Journal eingehend",
            "Journal ausgehend", "nicht angenommen"])
        if main_window:
            run_checks(env, main_window)
    finally:
        telefon.kill()
        os.killpg(bus.pid, signal.SIGKILL)
        subprocess.run([SERVER, "stop", db], **quiet)
    if failures:
        sys.exit(f"{len(failures)} failures")
    print("accessibility ok")


def run_checks(env, main):
    if wait_for(lambda: text_of(named(main, "Kontonummer"))) != "K100000":
        fail("the dialled customer is not shown")
    if "(F2)" not in named(main, "Wählen").description:
        fail("the dial button does not tell its key")

    press(main, "Offene Posten")
    visit("Offene Posten", ["Offene Posten", "Schließen"], "Schließen")
    press(main, "Info")
    visit("Info zu ", ["OK", "Systeminfo...", "Programmsymbol"], "OK")
    press(main, "Login")
    login = check_window("VENTOR Benutzeranmeldung",
                         ["User(WWS Personalcode)", "Passwort", "Anmelden", "Server", "Abbruch"])
    if login:
        press(login, "Server")
        visit("VENTOR Server", ["ServerIP", "Port", "Firma", "Filiale", "Namespace", "Ändern",
                                "Zurück"], "Zurück")

    # A word in the number field opens the search with it.
    type_into(named(main, "Rufnummer/Teilnehmer"), "Mueller")
    press(main, "Wählen")
    visit("Suche Rufnummer", ["Suchbegriff", "Gefundene Rufnummern"], "Escape")

    # From the keyboard: F8 goes to the speed-dial list, Ctrl+Enter edits its first entry.
    def first_entry(editor):
        if text_of(named(editor, "Name")) != "Müller Bau GmbH_1":
            fail("the editor does not hold the first speed-dial entry")
    keys(BANNER, "F8", "ctrl+Return")
    visit("VENTOR Telefon Zielwahl bearbeiten",
          ["Rufnummer", "Name", "Sortierung", "Speichern", "Ausstieg", "Löschen"], "Ausstieg",
          first_entry)

    # Enter on a department opens its board.
    press(main, "Abteilungen Intern")
    keys(BANNER, "F8")
    press(main, "Abteilungen Intern")
    time.sleep(0.5)
    keys(BANNER, "Home", "Return")
    visit("Ventor Abteilung", ["per Datum", "Mitarbeiter 1", "Durchwahl 1", "Schließen"],
          "Schließen")

    # F3 hangs up, F2 dials the number field, F4 holds, F7 opens the search.
    def line_status():
        return subprocess.run([LINE_TOOL, "status"], capture_output=True, text=True,
                              env=env).stdout.strip()
    for key, before, expected in [("F3", None, "ok idle"),
                                  ("F2", "0301234", "ok dialling origin=1 number=00301234"),
                                  ("F4", "answer", "ok connected held")]:
        if before == "answer":
            subprocess.run([LINE_TOOL, "answer"], env=env, capture_output=True)
        elif before:
            type_into(named(main, "Rufnummer/Teilnehmer"), before)
        keys(BANNER, key)
        if not wait_for(lambda: line_status().startswith(expected), 10):
            fail(f"{key}: the line is {line_status()!r}, expected {expected!r}")
    keys(BANNER, "F7")
    visit("Suche Rufnummer", ["Suchbegriff"], "Escape")


if __name__ == "__main__":
    main()
