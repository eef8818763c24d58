"""Faults around the program: a target window that stops answering, and files that cannot be
opened or are no configuration."""

import json
import time

from controllers import keystroke, pad_record, tap, wait_rows
from editing import bring_to_front, dialog_handles, press_with_ctrl, wait_gone
from harness import (ID_JOYSTICK_REFRESH, Mapping, check, check_equal, scenario, wait_for,
                     wait_saved, write_config)

TARGET = "TarvelTarget"
HUNG_TARGET = "TarvelHungTarget"
HUNG_LOG = "TarvelWholeHung"
# Long enough for two presses and their checks even on a loaded machine (each command under Wine
# can take most of a second then).
FREEZE_MS = 10000
# A key to a window that does not answer may hold the program up to 1 s; with a few of them in a
# row, the other pad's keystroke still arrives well before the hung window answers again.
OTHER_KEY_WAIT_MS = 2500
ID_FILE_OPEN = 57601
ID_FILE_MRU_FILE2 = 57617
ID_APP_EXIT = 57665
FILE_NAME_BOX = 1148
VK_S = 0x53


@scenario("faults.hung_target", timeout=60)
def hung_target(s):
    """A target window that stops pumping messages for 10 s does not freeze the program: while
    Pad One keeps pressing its button mapped to that window, the main window answers within
    1 s and Pad Two's key to another window arrives each time; once the window answers again, a
    press reaches it whole."""
    s.add_controller(0, "Pad One", 2)
    s.add_controller(1, "Pad Two", 2)
    path = s.files / "hung.tvm"
    write_config(path, [pad_record(0, "Pad One", 2, {0: Mapping(0x41, 0x1E, 0, HUNG_TARGET)}),
                        pad_record(1, "Pad Two", 2, {0: Mapping(0x42, 0x30, 0, TARGET)})])
    s.start_sink(TARGET)
    s.start_sink(HUNG_TARGET, log=HUNG_LOG)
    s.start_tarvel(s.wine_path(path))
    s.passes(1, 2)

    def hung_keys():
        return [tuple(line.split()[:3]) for line in s.sink_drive(HUNG_LOG, "keys").splitlines()]

    s.drive("press", 0, 0)
    s.sink_drive(HUNG_LOG, "wait-keys", 2, 3000)
    s.drive("release", 0, 0)
    check_equal("keys in the window before it hangs", [("WM_KEYDOWN", "0x41", "0x00000000"),
                                                       ("WM_KEYUP", "0x41", "0x00000000")],
                hung_keys())

    s.sink_drive(HUNG_LOG, "freeze-sink", FREEZE_MS)
    s.sink_drive(HUNG_LOG, "wait", "sink", "freeze-pending", "==", 0, 5000)
    frozen_at = time.monotonic()
    taps = 0
    slowest_ping = 0.0
    # Presses of Pad One, each a new keystroke to the hung window, while the window is frozen;
    # started early enough that the last one ends before the window answers again.
    while time.monotonic() - frozen_at < FREEZE_MS / 1000 - 3.5:
        # Another pressed value: a new keystroke, even when the program did not read in between.
        s.drive("set-button", 0, 0, 0x81 if taps % 2 == 0 else 0x80)
        answer_ms = s.ping(1000)
        check(answer_ms is not None, "the main window did not answer within 1 s")
        slowest_ping = max(slowest_ping, answer_ms)
        taps += 1
        check(tap(s, 1, 0, 2 * taps, OTHER_KEY_WAIT_MS),
              f"Pad Two's key {taps} did not arrive within {OTHER_KEY_WAIT_MS} ms "
              f"of the press while the other window hung")
    s.drive("release", 0, 0)
    check(time.monotonic() - frozen_at < FREEZE_MS / 1000,
          "the window answered again before the checks were done")
    s.note(f"{taps} presses during the hang; slowest answer of the main window {slowest_ping} ms")
    check(taps >= 2, f"only {taps} press(es) while the window hung")
    s.passes(1, 3)
    check_equal("Pad Two's keys while the other window hung", keystroke(0x42) * taps,
                [k.short() for k in s.keys()])

    # The hung window answers again; the program goes on sending to it.
    ticks = int(s.sink_drive(HUNG_LOG, "get", "sink", "ticks").strip())
    s.sink_drive(HUNG_LOG, "wait", "sink", "ticks", ">", ticks, FREEZE_MS + 5000)
    s.passes(0, 5)
    after_hang = hung_keys()
    s.note(f"keys in the window once it answered again: {after_hang}")
    # Key-downs that timed out may be lost; no key may be left down.
    check_equal("the last key message in the window once it answered again",
                ("WM_KEYUP", "0x41", "0x00000000"), after_hang[-1])
    s.sink_drive(HUNG_LOG, "clear-keys", 3000)
    s.drive("press", 0, 0)
    s.sink_drive(HUNG_LOG, "wait-keys", 2, 3000)
    s.passes(0, 5)
    s.drive("release", 0, 0)
    check_equal("keys in the window after it answers again",
                [("WM_KEYDOWN", "0x41", "0x00000000"), ("WM_KEYUP", "0x41", "0x00000000")],
                hung_keys())
    s.clear_keys()
    check(tap(s, 1, 0, 2), "Pad Two stopped sending after the hang")


@scenario("faults.recent_file_gone_at_start", timeout=60)
def recent_file_gone_at_start(s):
    """A most recent file that is gone at start-up is reported, and the program starts with a new
    configuration of the attached controller, as on a first start."""
    s.add_controller(0, "Pad One", 4)
    gone = s.files / "gone.tvm"
    s.reg_add("Recent File List", "File1", s.wine_path(gone))
    s.start_tarvel(ready_slot=None)
    answer_message(s, "Tarvel", "OK", f"Cannot open the file {s.wine_path(gone)}.")
    rows = wait_rows(s, lambda rows: len(rows) == 4, "Pad One's rows")
    check_equal("rows", [["Pad One", str(n)] for n in range(1, 5)],
                [row.texts[:2] for row in rows])
    check_equal("caption", "TarvelConfig - Tarvel", s.window().title)
    s.passes(0, 2)


@scenario("faults.exit_twice_while_asked", timeout=60)
def exit_twice_while_asked(s):
    """Exit chosen again from the tray menu while the offer to save is open asks nothing more and
    ends nothing: one question, and the program ends once it is answered."""
    s.add_controller(0, "Pad One", 2)
    s.start_tarvel()  # a first start: a new configuration, which counts as modified
    s.command(ID_APP_EXIT)
    s.dialog("Tarvel")
    s.command(ID_APP_EXIT)
    s.passes(0, 5)  # the second Exit has been handled: the pass runs in the same message loop
    check_equal("offers to save open", 1, len(dialog_handles(s, "Tarvel")))
    check(s.tarvel_running(), "the program ended under the open question")
    answer_message(s, "Tarvel", "No", "Save changes to TarvelConfig?")
    check_equal("exit code", 0, s._wait_child("tarvel", 15))


def answer_message(session, title, button, expected_text):
    """Waits for the message box `title`, checks its text, clicks `button` and waits until it is
    gone."""
    controls = session.dialog(title)
    text = " ".join(t for cls, _, t in controls if cls.lower() == "static" and t)
    check(expected_text in text, f'the message "{title}": {text!r}, expected {expected_text!r}')
    handles = dialog_handles(session, title)
    session.drive("click-button", title, button)
    wait_gone(session, title, handles)


def open_by_dialog(session, path):
    """File > Open..., with the file's name typed into the dialog."""
    session.command(ID_FILE_OPEN)
    session.dialog("Open")
    session.drive("set-text", "Open", FILE_NAME_BOX, session.wine_path(path))
    session.drive("click-button", "Open", "Open")
    wait_gone(session, "Open")


def hold_file(session, path, milliseconds):
    """Another program that has the file open, letting nobody else in, for `milliseconds`."""
    session._start("holder", session.bin_dir / "tarveldrive.exe",
                   ["hold-file", session.wine_path(path), str(milliseconds)], cwd=session.bin_dir)
    log = session.root / "holder.log"
    wait_for(lambda: log.read_text(encoding="latin-1"), lambda text: "held" in text,
             f"{path.name} was not opened by the holder", 10)


@scenario("faults.bad_files_keep_config", timeout=60)
def bad_files_keep_config(s):
    """With a modified configuration open, opening a file that another program holds locked, a
    file that is no configuration, a file that is gone and a folder each shows its message and
    keeps the open configuration: the same rows, caption and modifications, the pads still send,
    and Save (Ctrl+S) writes the original file, never the bad one."""
    s.add_controller(0, "Pad One", 4)
    good = s.files / "good.tvm"
    write_config(good, [pad_record(0, "Pad One", 4, {0: Mapping(0x41, 0x1E, 0, TARGET)})])
    locked = s.files / "locked.tvm"
    write_config(locked, [pad_record(5, "Locked Pad", 2, {})])
    notes = s.files / "notes.tvm"
    notes.write_bytes(b"Shopping list\r\nTVM2 is not on the first line\r\n")
    gone = s.files / "gone.tvm"
    folder = s.files / "folder.tvm"
    folder.mkdir()
    bad_files = {p: p.read_bytes() for p in (locked, notes)}
    s.reg_add("Recent File List", "File1", s.wine_path(good))
    s.reg_add("Recent File List", "File2", s.wine_path(gone))
    s.reg_add("Recent File List", "File3", s.wine_path(folder))
    hold_file(s, locked, 40000)
    s.start_sink(TARGET)
    s.start_tarvel()  # opens the most recent file, good.tvm
    check_equal("caption", "good.tvm - Tarvel", s.window().title)

    # Modified: a controller added by Refresh.
    s.add_controller(1, "Pad Two", 2)
    s.command(ID_JOYSTICK_REFRESH)
    answer_message(s, "Tarvel", "Yes", 'New joystick named "Pad Two" was discovered.')
    rows = wait_rows(s, lambda rows: len(rows) == 6, "Pad Two's rows appended")
    kept = [row.texts for row in rows]

    def check_kept(what):
        check_equal(f"caption after {what}", "good.tvm - Tarvel", s.window().title)
        check_equal(f"rows after {what}", kept, [row.texts for row in s.rows()])

    save_question = "Save changes to good.tvm?"
    open_by_dialog(s, locked)
    answer_message(s, "Tarvel", "No", save_question)
    answer_message(s, "Tarvel", "OK", f"Cannot open the file {s.wine_path(locked)}.")
    check_kept("opening a locked file")

    open_by_dialog(s, notes)
    answer_message(s, "Tarvel", "No", save_question)
    answer_message(s, "Tarvel", "OK", "Wrong file format!")
    check_kept("opening a file that is no configuration")

    s.command(ID_FILE_MRU_FILE2)  # gone.tvm
    answer_message(s, "Tarvel", "No", save_question)
    answer_message(s, "Tarvel", "OK", f"Cannot open the file {s.wine_path(gone)}.")
    check_kept("opening a file that is gone")

    s.command(ID_FILE_MRU_FILE2)  # the folder, now second: the missing file left the list
    answer_message(s, "Tarvel", "No", save_question)
    answer_message(s, "Tarvel", "OK", f"Cannot open the file {s.wine_path(folder)}.")
    check_kept("opening a folder")

    check(tap(s, 0, 0, 2), "Pad One does not send after the failed opens")
    s.passes(0, 3)
    check_equal("keys", keystroke(0x41), [k.short() for k in s.keys()])

    before = good.stat().st_mtime_ns
    bring_to_front(s)
    press_with_ctrl(s, VK_S)
    wait_saved(good, before)
    saved = json.loads(s.tarvelcfg_dump(good))
    check_equal("records saved to good.tvm", ["Pad One", "Pad Two"],
                [r["name"] for r in saved["records"]])
    for path, content in bad_files.items():
        check_equal(f"{path.name} after the save", content, path.read_bytes())
    check(not gone.exists(), "gone.tvm was written")
    check(folder.is_dir() and not any(folder.iterdir()), "the folder was written into")
    check_equal("files in the folder of the configurations",
                sorted(["good.tvm", "locked.tvm", "notes.tvm", "folder.tvm"]),
                sorted(p.name for p in s.files.iterdir()))
    # Saved: closing asks nothing.
    check_equal("exit code", 0, s.close_tarvel())
