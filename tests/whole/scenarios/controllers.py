"""Controllers coming and going: unplugging, lost input, more than the program holds, and new
controllers found by Refresh."""

import time

from harness import (DBT_DEVNODES_CHANGED, FRAME_CLASS, ID_FILE_NEW, ID_FILE_SAVE,
                     ID_JOYSTICK_REFRESH, NIN_BALLOONUSERCLICK, ROW_CONNECTED, ROW_PRESSED,
                     WM_DEVICECHANGE, WM_TRAYNOTIFY, Mapping, Record, check, check_equal, instance_guid,
                     product_guid, scenario, wait_for, write_config)

TARGET = "TarvelTarget"


def pad_record(number, name, buttons, mappings):
    return Record(instance_guid(number), product_guid(number), name, buttons, mappings)


def keystroke(vk):
    return [("WM_KEYDOWN", vk, 0), ("WM_KEYUP", vk, 0)]


def images(rows):
    return [row.image for row in rows]


def wait_rows(session, condition, what, timeout_s=5):
    """Reads the rows until `condition(rows)` holds; fails with the last rows after timeout_s."""
    return wait_for(session.rows, condition,
                    lambda rows: f"{what}; rows: {[(r.image, r.texts[:2]) for r in rows]}",
                    timeout_s, 0.1)


def two_pads(session, buttons=4):
    """"Pad One" in slot 0 (button 1 types A) and "Pad Two" in slot 1 (button 1 types B)."""
    session.add_controller(0, "Pad One", buttons)
    session.add_controller(1, "Pad Two", buttons)
    path = session.files / "two.tvm"
    write_config(path, [pad_record(0, "Pad One", buttons, {0: Mapping(0x41, 0x1E, 0, TARGET)}),
                        pad_record(1, "Pad Two", buttons, {0: Mapping(0x42, 0x30, 0, TARGET)})])
    session.start_sink(TARGET)
    session.start_tarvel(session.wine_path(path))
    session.passes(1, 2)
    return path


def tap(session, slot, button, keys_expected, timeout_ms=3000):
    """Presses and releases a button; waits until `keys_expected` key messages are logged."""
    session.drive("press", slot, button)
    arrived = session.wait_keys(keys_expected, timeout_ms)
    session.drive("release", slot, button)
    return arrived


@scenario("controllers.unplug_replug", timeout=60)
def unplug_replug(s):
    """An unplugged controller stops sending and its rows show it disconnected, while the other
    keeps sending; plugged in again it is shown connected and sends again. A controller whose
    state cannot be read is shown disconnected too, until it answers again."""
    two_pads(s)
    wait_rows(s, lambda rows: images(rows) == [ROW_CONNECTED] * 8, "both pads shown connected")

    # Its state cannot be read for a while.
    s.drive("fault", 1, "getdevicestate", "forever")
    wait_rows(s, lambda rows: images(rows) == [ROW_CONNECTED] * 4 + [0] * 4,
              "Pad Two shown disconnected while its state cannot be read")
    s.drive("fault", 1, "getdevicestate", "off")
    wait_rows(s, lambda rows: images(rows) == [ROW_CONNECTED] * 8, "Pad Two shown connected again")

    # Pulled out: the next poll fails, and so does acquiring it again.
    s.drive("unplug", 0)
    s.drive("wait", 0, "failures.acquire", ">=", 1, 5000)
    s.passes(1, 3)
    wait_rows(s, lambda rows: images(rows) == [0] * 4 + [ROW_CONNECTED] * 4,
              "only Pad One shown disconnected")

    s.drive("press", 0, 0)
    s.polls(0, 5)
    s.passes(1, 2)
    check_equal("keys from the unplugged pad", [], [k.short() for k in s.keys()])
    s.drive("release", 0, 0)
    check(tap(s, 1, 0, 2), "the other pad stopped sending")
    s.passes(1, 3)
    check_equal("keys from the other pad", keystroke(0x42), [k.short() for k in s.keys()])

    s.clear_keys()
    s.drive("replug", 0)
    wait_rows(s, lambda rows: images(rows) == [ROW_CONNECTED] * 8, "Pad One shown connected again")
    check(tap(s, 0, 0, 2), "the pad plugged in again does not send")
    s.passes(0, 3)
    check_equal("keys from the pad plugged in again", keystroke(0x41),
                [k.short() for k in s.keys()])


@scenario("controllers.inputlost_storm", timeout=60)
def inputlost_storm(s):
    """A controller that answers every attempt to acquire it with "input lost" does not freeze
    the program: the window answers within 1 s and the other controller keeps sending."""
    two_pads(s)
    s.drive("fault", 0, "poll", "forever")
    s.drive("fault", 0, "inputlost", "forever")
    acquires = s.get(0, "calls.acquire")
    s.drive("wait", 0, "calls.acquire", ">=", acquires + 3, 5000)

    storm_end = time.monotonic() + 3
    taps = 0
    while time.monotonic() < storm_end:
        answer_ms = s.ping(1000)
        check(answer_ms is not None, "the main window did not answer within 1 s during the storm")
        taps += 1
        check(tap(s, 1, 0, 2 * taps), f"the other pad stopped sending (tap {taps})")
    s.passes(1, 3)
    check_equal("keys during the storm", keystroke(0x42) * taps, [k.short() for k in s.keys()])
    check(s.get(0, "failures.acquire") > 10, "the storm did not happen")
    s.polls(0, 3)  # the troubled pad is still looked at

    s.clear_keys()
    s.drive("clear-faults", 0)
    s.passes(0, 2)
    check(tap(s, 0, 0, 2), "the pad does not send after the storm")
    s.passes(0, 3)
    check_equal("keys after the storm", keystroke(0x41), [k.short() for k in s.keys()])


@scenario("controllers.more_than_16", timeout=90)
def more_than_16(s):
    """With 17 controllers the first 16 are used: the 17th is never opened or read, and its
    presses never arrive, even when a record names it; a new configuration has 16 records."""
    buttons = 2
    for slot in range(17):
        s.add_controller(slot, f"Pad {slot + 1}", buttons)
    path = s.files / "seventeen.tvm"
    write_config(path, [pad_record(0, "Pad 1", buttons, {0: Mapping(0x41, 0x1E, 0, TARGET)}),
                        pad_record(16, "Pad 17", buttons, {0: Mapping(0x51, 0x10, 0, TARGET)})])
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(path))
    s.passes(15, 2)

    s.drive("press", 16, 0)
    s.drive("press", 0, 0)
    check(s.wait_keys(2), "the first pad does not send")
    s.passes(15, 5)
    check_equal("keys", keystroke(0x41), [k.short() for k in s.keys()])
    check_equal("calls on the 17th controller (CreateDevice, GetDeviceState)", (0, 0),
                (s.get(16, "calls.createdevice"), s.get(16, "calls.getdevicestate")))
    rows = wait_rows(s, lambda rows: len(rows) == 4 and rows[0].image & ROW_CONNECTED,
                     "the two records listed")
    check_equal("row images (Pad 17 is not connected)", [ROW_CONNECTED | ROW_PRESSED,
                                                         ROW_CONNECTED, 0, 0], images(rows))
    s.drive("release", 16, 0)
    s.drive("release", 0, 0)

    s.command(ID_FILE_NEW)
    rows = wait_rows(s, lambda rows: len(rows) == 32, "a new configuration with 16 records")
    check_equal("devices of the new configuration", [f"Pad {n}" for n in range(1, 17)],
                [row.texts[0] for row in rows[::2]])
    check_equal("calls on the 17th controller after File > New", (0, 0),
                (s.get(16, "calls.createdevice"), s.get(16, "calls.getdevicestate")))


def question_text(session):
    controls = session.dialog("Tarvel", 5000)
    return " ".join(text for cls, _, text in controls if cls.lower() == "static")


@scenario("discovery.new_joystick", timeout=60)
def new_joystick(s):
    """Refresh (the menu command, then F5) with a newly attached controller asks whether to add
    it; No leaves the rows as they are and the next Refresh asks again; Yes appends its rows,
    tied to the controller."""
    s.add_controller(0, "Pad One", 4)
    path = s.files / "one.tvm"
    write_config(path, [pad_record(0, "Pad One", 4, {0: Mapping(0x41, 0x1E, 0, TARGET)})])
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(path))
    check_equal("rows at the start", 4, len(s.rows()))

    s.add_controller(1, "Pad Two", 6)
    s.command(ID_JOYSTICK_REFRESH)
    text = question_text(s)
    check('New joystick named "Pad Two" was discovered.' in text, f"the question: {text!r}")
    s.drive("click-button", "Tarvel", "No")
    s.drive("wait", 1, "calls.getdevicestate", ">=", 2, 5000)
    check_equal("rows after No", 4, len(s.rows()))

    # This time by its key, F5, in the program's window.
    check(s.window().foreground, "the program's window is not in the foreground")
    s.drive("keybd", 0x74)
    text = question_text(s)
    check('New joystick named "Pad Two" was discovered.' in text, f"asked again: {text!r}")
    s.drive("click-button", "Tarvel", "Yes")
    rows = wait_rows(s, lambda rows: len(rows) == 10, "Pad Two's six rows appended")
    check_equal("appended rows", [["Pad Two", str(n), "", "", ""] for n in range(1, 7)],
                [row.texts for row in rows[4:]])

    # The new record gets Pad Two's presses (its row shows them), the old one still sends.
    s.drive("press", 1, 2)
    wait_rows(s, lambda rows: rows[6].image == ROW_CONNECTED | ROW_PRESSED,
              "Pad Two's button 3 shown pressed")
    s.drive("release", 1, 2)
    check(tap(s, 0, 0, 2), "Pad One stopped sending after Refresh")
    s.passes(0, 3)
    check_equal("keys", keystroke(0x41), [k.short() for k in s.keys()])


@scenario("discovery.plugged_in", timeout=60)
def plugged_in(s):
    """Controllers plugged in while the program runs, announced as Windows does with
    WM_DEVICECHANGE: one that the configuration knows works at once, without Refresh; one that
    it does not know asks nothing and leaves the focus where it was, and a click on the
    announcement's balloon asks whether to add it."""
    s.add_controller(0, "Pad One", 4)
    path = s.files / "known.tvm"
    write_config(path, [pad_record(0, "Pad One", 4, {0: Mapping(0x41, 0x1E, 0, TARGET)}),
                        pad_record(1, "Pad Two", 4, {0: Mapping(0x42, 0x30, 0, TARGET)})])
    s.start_sink(TARGET, focus=True)
    s.start_tarvel(s.wine_path(path))
    s.drive("focus-sink", 5000)

    s.add_controller(1, "Pad Two", 4)
    s.drive("post", FRAME_CLASS, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0)
    s.drive("wait", 1, "calls.getdevicestate", ">=", 2, 5000)
    check(tap(s, 1, 0, 2), "the known pad plugged in does not send")
    s.passes(1, 3)
    check_equal("keys from the pad plugged in", keystroke(0x42), [k.short() for k in s.keys()])
    wait_rows(s, lambda rows: images(rows) == [ROW_CONNECTED] * 8, "both pads shown connected")

    s.add_controller(2, "Pad Three", 2)
    s.drive("post", FRAME_CLASS, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0)
    s.drive("wait", 2, "calls.getdevicestate", ">=", 2, 5000)
    s.passes(2, 20)
    # Wine's notification area shows the balloon as a tooltip of its own, after a moment.
    wait_for(lambda: [cls for cls, _ in s.visible_windows()], lambda c: "tooltips_class32" in c,
             "no balloon was shown", timeout_s=8, every_s=0.25)
    windows = s.visible_windows()
    check(("#32770", "Tarvel") not in windows, f"a question came up: {windows}")
    check_equal("the key sink keeps the focus", 1, s.get("sink", "foreground"))
    check_equal("rows", 8, len(s.rows()))

    s.drive("post", FRAME_CLASS, WM_TRAYNOTIFY, 0, NIN_BALLOONUSERCLICK)
    text = question_text(s)
    check('New joystick named "Pad Three" was discovered.' in text, f"the question: {text!r}")
    s.drive("click-button", "Tarvel", "Yes")
    wait_rows(s, lambda rows: len(rows) == 10, "Pad Three's rows appended")


@scenario("discovery.twin_controllers", timeout=120)
def twin_controllers(s):
    """Two controllers with one instance GUID, one of them in the configuration: a Yes for the
    other, found by Refresh with both attached or by the balloon when it is plugged in later,
    ties it to the second, and the first one's mapped key keeps arriving, after another Refresh
    and after the saved file is opened again."""
    s.start_sink(TARGET)
    for pair, order in enumerate(("both attached, Refresh", "the twin plugged in later")):
        first, twin = 2 * pair, 2 * pair + 1
        later = pair == 1
        s.add_controller(first, "Twin Pad", 4, number=pair)
        if not later:
            s.add_controller(twin, "Twin Pad", 4, number=pair)
        path = s.files / f"twin{pair}.tvm"
        write_config(path, [pad_record(pair, "Twin Pad", 4, {0: Mapping(0x41, 0x1E, 0, TARGET)})])
        s.start_tarvel(s.wine_path(path), ready_slot=first)
        if later:
            s.add_controller(twin, "Twin Pad", 4, number=pair)
            s.drive("post", FRAME_CLASS, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0)
            s.drive("wait", twin, "calls.getdevicestate", ">=", 1, 5000)
            s.clear_keys()
            check(tap(s, first, 0, 2), f"{order}: the known pad stopped sending when the twin came")
            s.drive("post", FRAME_CLASS, WM_TRAYNOTIFY, 0, NIN_BALLOONUSERCLICK)
        else:
            s.command(ID_JOYSTICK_REFRESH)
        text = question_text(s)
        check('New joystick named "Twin Pad" was discovered.' in text, f"{order}: {text!r}")
        s.drive("click-button", "Tarvel", "Yes")
        wait_rows(s, lambda rows: len(rows) == 8, f"{order}: the twin's rows appended")

        for step in ("after Yes", "after another Refresh", "with the saved file"):
            if step == "after another Refresh":
                s.command(ID_JOYSTICK_REFRESH)
            elif step == "with the saved file":
                s.command(ID_FILE_SAVE)
                wait_for(lambda: path.read_bytes().count(b"NumberOfButtons"), lambda n: n == 2,
                         f"{order}: the file was not saved with both records")
                check_equal(f"{order}: exit code", 0, s.close_tarvel())
                s.start_tarvel(s.wine_path(path), ready_slot=first)
                check_equal(f"{order}: rows of the saved file", 8, len(s.rows()))
            s.passes(first, 2)
            s.passes(twin, 2)
            s.clear_keys()
            check(tap(s, first, 0, 2), f"{order}, {step}: the known pad does not send")
            s.passes(first, 3)
            check_equal(f"{order}, {step}: keys", keystroke(0x41), [k.short() for k in s.keys()])
            # The twin feeds its own record: its first row shows the press, the first pad's not.
            s.drive("press", twin, 0)
            wait_rows(s, lambda rows: [r.image for r in (rows[0], rows[4])] ==
                      [ROW_CONNECTED, ROW_CONNECTED | ROW_PRESSED],
                      f"{order}, {step}: the twin's press on its own row")
            s.drive("release", twin, 0)
            s.passes(twin, 3)
            check_equal(f"{order}, {step}: keys after the twin's unmapped button",
                        keystroke(0x41), [k.short() for k in s.keys()])
        check_equal(f"{order}: exit code", 0, s.close_tarvel())
        s.drive("unplug", first)
        s.drive("unplug", twin)
