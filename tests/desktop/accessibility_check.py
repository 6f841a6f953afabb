#!/usr/bin/python3
"""The program through the accessibility bus, as a screen reader or desktop automation sees it.

Run inside an X display and a private D-Bus session (see CMakeLists.txt):
    accessibility_check.py PROGRAM SERVER_SCRIPT LINE_TOOL
Starts a server of its own, the accessibility bus, a window manager and the program; finds every
control of the main window and of each side window by its German accessible name, reads the
window titles, and drives the call keys, the speed-dial editor and the department board from
the keyboard.
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
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "ventor-telefon":
            return app
    return None


def frame(title_start):
    app = program()
    if app is None:
        return None
    for i in range(app.childCount):
        f = app.getChildAtIndex(i)
        if f is not None and f.name.startswith(title_start) and \
                f.getState().contains(pyatspi.STATE_SHOWING):
            return f
    return None


def visible_controls(window):
    return [n for n in walk(window)
            if n.getRole() in CONTROL_ROLES and n.getState().contains(pyatspi.STATE_SHOWING)]


def named(window, name, role=None):
    for n in visible_controls(window):
        if n.name == name and (role is None or n.getRole() == role):
            return n
    return None


def check_window(title_start, expected_names, expected_title=None):
    """Every visible control has a name; the expected ones are found by it."""
    window = wait_for(lambda: frame(title_start))
    if window is None:
        fail(f"no window titled {title_start!r}")
        return None
    if expected_title is not None and window.name != expected_title:
        fail(f"title {window.name!r}, expected {expected_title!r}")
    print(f"window {window.name!r}", flush=True)
    for control in visible_controls(window):
        if not control.name.strip():
            fail(f"{window.name!r}: a {control.getRoleName()} without a name")
    for name in expected_names:
        if named(window, name) is None:
            fail(f"{window.name!r}: no control named {name!r}")
    return window


def press(window, name):
    button = named(window, name, pyatspi.ROLE_PUSH_BUTTON)
    if button is None:
        fail(f"{window.name!r}: no button {name!r} to press")
        return
    action = button.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == "Press":
            action.doAction(i)
            return
    action.doAction(0)


def closed(title_start):
    if wait_for(lambda: frame(title_start) is None, 10) is None:
        fail(f"{title_start!r} did not close")


def keys(window_title, *sequence):
    """Keys typed by the user into the window with that title."""
    ids = subprocess.run(["xdotool", "search", "--name", window_title],
                         capture_output=True, text=True).stdout.split()
    if not ids:
        fail(f"no X window {window_title!r} for the keyboard")
        return
    subprocess.run(["xdotool", "windowactivate", ids[-1]], check=False)
    time.sleep(0.5)
    for key in sequence:
        subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True)
        time.sleep(0.3)


def type_into(window_title, field, text):
    """Text typed by the user into a field, replacing what it held."""
    field.queryComponent().grabFocus()
    keys(window_title, "ctrl+a", "BackSpace")
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True)


def line_status(env):
    """The simulated line's state as its control tool reports it."""
    return subprocess.run([LINE_TOOL, "status"], capture_output=True, text=True,
                          env=env).stdout.strip()


def window_manager_runs():
    return "window id" in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                         capture_output=True, text=True).stdout


def start_window_manager(env):
    """Openbox, started again when it could not open the display on its first try."""
    started = []
    for _ in range(3):
        started.append(subprocess.Popen(["openbox"], env=env, stderr=subprocess.DEVNULL,
                                        start_new_session=True))
        if wait_for(window_manager_runs, 5):
            return started
    fail("no window manager")
    return started


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    work = tempfile.mkdtemp()
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, HOME=work, XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.join(work, "config"),
               QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    env.pop("QT_QPA_PLATFORM", None)
    db, port = os.path.join(work, "db"), free_port()
    quiet = dict(stdout=subprocess.DEVNULL, env=env)
    subprocess.run([SERVER, "create", db], check=True, **quiet)
    subprocess.run([SERVER, "generate", db, "--customers", "300"], check=True, **quiet)
    subprocess.run([SERVER, "start", db, str(port)], check=True, **quiet)
    # The server speaks TLS; the program trusts its self-signed certificate.
    os.makedirs(os.path.join(work, "config", "ventor-telefon"))
    with open(os.path.join(work, "config", "ventor-telefon", "Cache Login.ini"), "w") as ini:
        ini.write("[Login]\nZertifikat=" + os.path.join(db, "tls", "server.crt") + "\n")
    # Each helper leads a process group of its own, so that its children end with it.
    helpers = [subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                env=env, start_new_session=True)]
    helpers += start_window_manager(env)
    # The showcase customer is dialled at start, so the customer panel with its open-items
    # button shows.
    telefon = subprocess.Popen([PROGRAM, "1", "0", "MEIER", "telefon", "127.0.0.1", str(port),
                                "VENTOR", "--line=sim", "--dial", "030123456"], env=env)
    try:
        run_checks(env)
    finally:
        telefon.kill()
        for h in helpers:
            os.killpg(h.pid, signal.SIGKILL)
        subprocess.run([SERVER, "stop", db], **quiet)
    if failures:
        print(f"{len(failures)} failures")
        sys.exit(1)
    print("accessibility ok")


def run_checks(env):
    banner = "VENTOR Telefon              Firma: 1"
    main_window = check_window(banner, [
        "Leitungsstatus", "Leitungsbild", "Rufnummer/Teilnehmer", "Wählen", "Trennen", "R Halten",
        "Suchen", "Offene Posten", "Login", "Beenden", "Info", "Popup bei Anruf", "Kontonummer",
        "Anrede", "Name", "Branche", "Straße", "Postleitzahl", "Ort", "Telefon", "Fax",
        "Mahnstufe", "Mahnstufe vom", "Letzter Auftrag am", "Aktueller Saldo",
        "Umsatz laufendes Jahr", "Umsatz voriges Jahr", "Eintragsinfo", "Einträge der Zielwahl",
        "Ziehlwahl", "Abteilungen Intern", "Journal eingehend", "Journal ausgehend",
        "nicht angenommen"])
    if main_window is None:
        return
    if wait_for(lambda: named(main_window, "Kontonummer").queryText().getText(0, -1)) != \
            "K100000":
        fail("the dialled customer is not shown")
    if "(F2)" not in named(main_window, "Wählen").description:
        fail("the dial button does not tell its key")

    press(main_window, "Offene Posten")
    window = check_window("Offene Posten", ["Offene Posten", "Schließen"], "Offene Posten")
    if window:
        press(window, "Schließen")
        closed("Offene Posten")

    press(main_window, "Info")
    window = check_window("Info zu ", ["OK", "Systeminfo...", "Programmsymbol"])
    if window:
        press(window, "OK")
        closed("Info zu ")

    press(main_window, "Login")
    login = check_window("VENTOR Benutzeranmeldung",
                         ["User(WWS Personalcode)", "Passwort", "Anmelden", "Server", "Abbruch"],
                         "VENTOR Benutzeranmeldung")
    if login:
        press(login, "Server")
        window = check_window("VENTOR Server", ["ServerIP", "Port", "Firma", "Filiale",
                                                "Namespace", "Ändern", "Zurück"], "VENTOR Server")
        if window:
            press(window, "Zurück")
            closed("VENTOR Server")

    # A word in the number field opens the search with it.
    type_into(banner, named(main_window, "Rufnummer/Teilnehmer"), "Mueller")
    press(main_window, "Wählen")
    window = check_window("Suche Rufnummer", ["Suchbegriff", "Gefundene Rufnummern"],
                          "Suche Rufnummer")
    if window:
        keys("Suche Rufnummer", "Escape")
        closed("Suche Rufnummer")

    # From the keyboard: F8 goes to the speed-dial list, Ctrl+Enter edits its first entry.
    keys(banner, "F8", "ctrl+Return")
    window = check_window("VENTOR Telefon Zielwahl bearbeiten",
                          ["Rufnummer", "Name", "Sortierung", "Speichern", "Ausstieg", "Löschen"],
                          "VENTOR Telefon Zielwahl bearbeiten")
    if window:
        if named(window, "Name").queryText().getText(0, -1) != "Müller Bau GmbH_1":
            fail("the editor does not hold the first speed-dial entry")
        press(window, "Ausstieg")
        closed("VENTOR Telefon Zielwahl bearbeiten")

    # Enter on a department opens its board.
    press(main_window, "Abteilungen Intern")
    keys(banner, "F8")
    press(main_window, "Abteilungen Intern")
    time.sleep(0.5)
    keys(banner, "Home", "Return")
    window = check_window("Ventor Abteilung", ["per Datum", "Mitarbeiter 1", "Durchwahl 1",
                                               "Schließen"], "Ventor Abteilung")
    if window:
        press(window, "Schließen")
        closed("Ventor Abteilung")

    check_call_keys(env, banner, main_window)


def check_call_keys(env, banner, main_window):
    """F3 hangs up, F2 dials the number field, F4 holds, F7 opens the search."""
    steps = [
        ("F3", None, "ok idle"),
        ("F2", "0301234", "ok dialling origin=1 number=00301234"),
        ("F4", "answer", "ok connected held"),
    ]
    for key, before, expected in steps:
        if before == "answer":
            subprocess.run([LINE_TOOL, "answer"], env=env, capture_output=True)
        elif before:
            type_into(banner, named(main_window, "Rufnummer/Teilnehmer"), before)
        keys(banner, key)
        status = wait_for(lambda: line_status(env).startswith(expected) and line_status(env), 10)
        if not status:
            fail(f"{key}: the line is {line_status(env)!r}, expected {expected!r}")
    keys(banner, "F7")
    if check_window("Suche Rufnummer", ["Suchbegriff"]):
        keys("Suche Rufnummer", "Escape")
        closed("Suche Rufnummer")


if __name__ == "__main__":
    main()
