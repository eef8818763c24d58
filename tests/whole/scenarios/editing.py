"""Editing through the program's own windows: a key assigned by double click and key press, and
records put in another order or deleted in the joysticks dialog, each followed by presses that
show where the controllers' buttons now go."""

from controllers import images, keystroke, pad_record, tap, wait_rows
from harness import (ROW_CONNECTED, ROW_PRESSED, Mapping, Record, check, check_equal, instance_guid,
                     product_guid, scenario, wait_for, wait_saved, write_config)

TARGET = "TarvelTarget"
ID_JOYSTICK_CONFIGURE = 32776
JOYSTICKS_DIALOG = "Joysticks Configuration"
ROW_CAPTURE = 2
LVM_GETNEXTITEM = 0x100C
LVNI_SELECTED = 2
KEY_COLUMN = 2
VK_CONTROL = 0x11
VK_S = 0x53
VK_TAB = 0x09
VK_MENU = 0x12
ACTION_COLUMN = 5
ACTION_DIALOG = "Key Mapping Action"


class RecordWithBlankKeys(Record):
    """A record whose mappings with virtual key 0 are written unassigned: a target window class
    and a description, but no key."""

    def line(self, index):
        m = self.mappings.get(index)
        if m is None or m.vk != 0:
            return super().line(index)
        return (f"Button{index + 1} = 0,0,0,0,{len(m.window_class)},{m.window_class},"
                f"{len(m.description)},{m.description}")


def press_with_ctrl(session, vk):
    """Ctrl held around a key, typed into the foreground window."""
    session.drive("keybd", VK_CONTROL, "down")
    session.drive("keybd", vk)
    session.drive("keybd", VK_CONTROL, "up")


def ctrl_keystroke(vk):
    return [("WM_KEYDOWN", VK_CONTROL, 0), ("WM_KEYDOWN", vk, 0), ("WM_KEYUP", vk, 0),
            ("WM_KEYUP", VK_CONTROL, 0)]


def devices(rows):
    return [row.texts[0] for row in rows]


def dialog_handles(session, title):
    """The handles of the visible dialogs with this title."""
    handles = set()
    for line in session.drive("list-windows").splitlines():
        parts = line.split(" ", 4)
        if len(parts) == 5 and parts[2] == "1" and parts[3] == "#32770" and \
                parts[4] == f'"{title}"':
            handles.add(parts[0])
    return handles


def wait_gone(session, title, handles=None, timeout_s=5):
    """Waits until the dialogs `handles` (default: every visible dialog with this title) are
    gone; a dialog of the same title that comes after them does not count."""
    if handles is None:
        handles = dialog_handles(session, title)
    wait_for(lambda: handles & dialog_handles(session, title), lambda still_open: not still_open,
             f'the dialog "{title}" is still open', timeout_s)


def bring_to_front(session):
    """Makes the program's window the foreground window by a click on a cell that edits nothing
    (the Button column), as a user would before typing into it. Under Wine with no window manager
    the owner of a dialog that had a real mouse click does not always get the foreground back
    when the dialog closes; this is noted in the commands log."""
    if session.window().foreground:
        return
    session.note("the program's window is not in the foreground; clicking it")
    session.click(session.cell(0, 1))
    wait_for(session.window, lambda window: window.foreground,
             "the program's window did not come to the foreground")


@scenario("editing.assign_key", timeout=90)
def assign_key(s):
    """A real double click on the key cell of a row that has a target window but no key starts
    key capture there (its row turns red), Ctrl+A typed into the program becomes that row's key
    ("Ctrl + A"), the button then sends Ctrl+A to the row's window, and Save writes the key with
    its scan code and Ctrl."""
    s.add_controller(0, "Pad One", 4)
    path = s.files / "assign.tvm"
    write_config(path, [RecordWithBlankKeys(instance_guid(0), product_guid(0), "Pad One", 4,
                                            {0: Mapping(0x42, 0x30, 0, TARGET),
                                             1: Mapping(0, 0, 0, TARGET, "jump")})])
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(path))
    rows = wait_rows(s, lambda rows: images(rows) == [ROW_CONNECTED] * 4, "Pad One connected")
    check_equal("row of button 2 before", ["Pad One", "2", "", TARGET, "jump"], rows[1].texts)

    s.click(s.cell(1, KEY_COLUMN), count=2)
    wait_rows(s, lambda rows: images(rows) == [4, 4 | ROW_CAPTURE, 4, 4],
              "the double-clicked row marked as waiting for a key")
    check(s.window().foreground, "the program's window is not in the foreground")
    press_with_ctrl(s, 0x41)
    rows = wait_rows(s, lambda rows: rows[1].texts[KEY_COLUMN] != "", "a key stored in row 2")
    check_equal("rows after Ctrl+A",
                [["Pad One", "1", "B", TARGET, ""], ["Pad One", "2", "Ctrl + A", TARGET, "jump"],
                 ["Pad One", "3", "", "", ""], ["Pad One", "4", "", "", ""]],
                [row.texts for row in rows])
    check_equal("row images after capture", [ROW_CONNECTED] * 4, images(rows))

    check(tap(s, 0, 1, 4), f"the new key did not arrive: {s.keys()}")
    s.passes(0, 5)
    keys = s.keys()
    check_equal("keys of button 2", ctrl_keystroke(0x41), [k.short() for k in keys])
    check_equal("how they came", ["sent"] * 4, [k.route for k in keys])

    before = path.stat().st_mtime_ns
    check(s.window().foreground, "the program's window is not in the foreground for Ctrl+S")
    press_with_ctrl(s, VK_S)
    wait_saved(path, before)
    lines = path.read_bytes().decode("latin-1").split("\r\n")
    # Virtual key 65 (A), scan code 30 from the key-down message, modifiers 2 (Ctrl).
    check_equal("saved line of button 2", f"Button2 = 1,65,30,2,{len(TARGET)},{TARGET},4,jump",
                lines[4])

    # The Action dialog makes the key a sequence: Ctrl+C, Alt+Tab and Ctrl+V are pressed in its
    # key field, after Ctrl+A (Windows keeps Alt+Tab for itself, Wine without a window manager
    # does not); the button types all four into the window, and the save writes them after the
    # button lines.
    s.click(s.cell(1, ACTION_COLUMN), count=2)
    s.dialog(ACTION_DIALOG)
    for _ in range(3):  # from the action to the key field: Keys, the list, the field
        s.drive("keybd", VK_TAB)
    press_with_ctrl(s, 0x43)
    s.drive("keybd", VK_MENU, "down")
    s.drive("keybd", VK_TAB)
    s.drive("keybd", VK_MENU, "up")
    press_with_ctrl(s, 0x56)
    s.drive("click-button", ACTION_DIALOG, "OK")
    wait_gone(s, ACTION_DIALOG)
    rows = wait_rows(s, lambda rows: rows[1].texts[KEY_COLUMN] != "Ctrl + A", "the sequence shown")
    check_equal("key cell of the sequence", "Ctrl+A, Ctrl+C, ...", rows[1].texts[KEY_COLUMN])
    s.clear_keys()
    check(tap(s, 0, 1, 16), f"the sequence did not arrive: {s.keys()}")
    check_equal("keys of the sequence",
                ctrl_keystroke(0x41) + ctrl_keystroke(0x43) +
                [("WM_KEYDOWN", VK_MENU, 0), ("WM_KEYDOWN", VK_TAB, 0), ("WM_KEYUP", VK_TAB, 0),
                 ("WM_KEYUP", VK_MENU, 0)] + ctrl_keystroke(0x56),
                [k.short() for k in s.keys()])
    bring_to_front(s)
    before = path.stat().st_mtime_ns
    press_with_ctrl(s, VK_S)
    wait_saved(path, before)
    lines = path.read_bytes().decode("latin-1").split("\r\n")
    check("Button2Sequence = 0;65,30,2;67,46,2;9,15,4;86,47,2" in lines,
          f"no sequence line in {lines}")


def three_pads(session):
    """Pads One (4 buttons, button 1 types A), Two (3 buttons, button 1 types B) and Three
    (2 buttons, button 2 types C), attached and in a configuration in that order."""
    session.add_controller(0, "Pad One", 4)
    session.add_controller(1, "Pad Two", 3)
    session.add_controller(2, "Pad Three", 2)
    path = session.files / "three.tvm"
    write_config(path, [pad_record(0, "Pad One", 4, {0: Mapping(0x41, 0x1E, 0, TARGET)}),
                        pad_record(1, "Pad Two", 3, {0: Mapping(0x42, 0x30, 0, TARGET)}),
                        pad_record(2, "Pad Three", 2, {1: Mapping(0x43, 0x2E, 0, TARGET)})])
    session.start_sink(TARGET)
    session.start_tarvel(session.wine_path(path))
    session.passes(2, 2)
    wait_rows(session, lambda rows: images(rows) == [ROW_CONNECTED] * 9, "all pads connected")
    return path


def open_joysticks_dialog(session):
    """Joystick > Configure...; returns the record names the dialog lists."""
    session.command(ID_JOYSTICK_CONFIGURE)
    session.dialog(JOYSTICKS_DIALOG)
    return devices(session.rows(f"#32770:{JOYSTICKS_DIALOG}"))


def select_in_dialog(session, row):
    """Clicks a row of the dialog's list, as a user does, and waits until it is selected."""
    dialog = f"#32770:{JOYSTICKS_DIALOG}"
    session.click(session.cell(row, 0, dialog))
    wait_for(lambda: int(session.drive("list-send", dialog, LVM_GETNEXTITEM, -1, LVNI_SELECTED,
                                       2000)),
             lambda selected: selected == row, f"row {row + 1} of the dialog was not selected")


def press_lights(session, slot, button, row, what):
    """Presses a button; waits until `row` (and no other) shows it pressed; releases it."""
    session.drive("press", slot, button)
    rows = wait_rows(session, lambda rows: rows[row].image == ROW_CONNECTED | ROW_PRESSED, what)
    check_equal(f"pressed rows ({what})", [row],
                [i for i, r in enumerate(rows) if r.image & ROW_PRESSED])
    session.drive("release", slot, button)
    wait_rows(session, lambda rows: rows[row].image == ROW_CONNECTED, f"{what}: released")


@scenario("editing.move_record_to_top", timeout=60)
def move_record_to_top(s):
    """In the joysticks dialog the last record, selected by a click, goes up twice; after OK it
    is the first: its pad's presses light the first rows and send its key, and the other pads'
    presses follow their records to their new rows."""
    three_pads(s)
    check_equal("records listed in the dialog", ["Pad One", "Pad Two", "Pad Three"],
                open_joysticks_dialog(s))
    select_in_dialog(s, 2)
    s.drive("click-button", JOYSTICKS_DIALOG, "Move Up")
    s.drive("click-button", JOYSTICKS_DIALOG, "Move Up")
    check_equal("records listed after Move Up twice", ["Pad Three", "Pad One", "Pad Two"],
                devices(s.rows(f"#32770:{JOYSTICKS_DIALOG}")))
    s.drive("click-button", JOYSTICKS_DIALOG, "OK")
    wait_gone(s, JOYSTICKS_DIALOG)

    rows = wait_rows(s, lambda rows: devices(rows)[:1] == ["Pad Three"], "rows rebuilt")
    check_equal("rows after OK",
                [["Pad Three", "1", ""], ["Pad Three", "2", "C"],
                 ["Pad One", "1", "A"], ["Pad One", "2", ""], ["Pad One", "3", ""],
                 ["Pad One", "4", ""],
                 ["Pad Two", "1", "B"], ["Pad Two", "2", ""], ["Pad Two", "3", ""]],
                [row.texts[:3] for row in rows])
    check_equal("row images after OK", [ROW_CONNECTED] * 9, images(rows))

    press_lights(s, 2, 1, 1, "Pad Three's button 2 on row 2")
    press_lights(s, 0, 0, 2, "Pad One's button 1 on row 3")
    press_lights(s, 1, 0, 6, "Pad Two's button 1 on row 7")
    s.passes(2, 3)
    check_equal("keys of Pad Three, One and Two", keystroke(0x43) + keystroke(0x41) +
                keystroke(0x42), [k.short() for k in s.keys()])


@scenario("editing.delete_record_unties", timeout=60)
def delete_record_unties(s):
    """Deleting the middle record in the joysticks dialog unties its pad: after OK its presses
    light no row and send nothing, the pads around it still drive their records, and Refresh
    (F5) offers the pad again as a new joystick."""
    three_pads(s)
    open_joysticks_dialog(s)
    select_in_dialog(s, 1)
    s.drive("click-button", JOYSTICKS_DIALOG, "Delete")
    check_equal("records listed after Delete", ["Pad One", "Pad Three"],
                devices(s.rows(f"#32770:{JOYSTICKS_DIALOG}")))
    s.drive("click-button", JOYSTICKS_DIALOG, "OK")
    wait_gone(s, JOYSTICKS_DIALOG)
    rows = wait_rows(s, lambda rows: len(rows) == 6, "rows rebuilt without Pad Two")
    check_equal("devices", ["Pad One"] * 4 + ["Pad Three"] * 2, devices(rows))

    # Every button of the deleted pad, held over several reads.
    s.drive("press", 1, 0, 1, 2)
    s.passes(1, 10)
    s.passes(0, 3)
    check_equal("pressed rows while Pad Two is held", [], [r.image for r in s.rows()
                                                           if r.image & ROW_PRESSED])
    check_equal("keys while Pad Two is held", [], [k.short() for k in s.keys()])
    s.drive("release", 1, 0, 1, 2)

    press_lights(s, 2, 1, 5, "Pad Three's button 2 on row 6")
    press_lights(s, 0, 0, 0, "Pad One's button 1 on row 1")
    s.passes(2, 3)
    check_equal("keys of Pad Three and One", keystroke(0x43) + keystroke(0x41),
                [k.short() for k in s.keys()])

    bring_to_front(s)
    s.drive("keybd", 0x74)
    controls = s.dialog("Tarvel")
    text = " ".join(t for cls, _, t in controls if cls.lower() == "static")
    check('New joystick named "Pad Two" was discovered.' in text, f"the question: {text!r}")
    s.drive("click-button", "Tarvel", "Yes")
    rows = wait_rows(s, lambda rows: len(rows) == 9, "Pad Two's rows appended")
    check_equal("devices after Refresh", ["Pad One"] * 4 + ["Pad Three"] * 2 + ["Pad Two"] * 3,
                devices(rows))
    press_lights(s, 1, 2, 8, "Pad Two's button 3 on its new row")
    s.passes(1, 3)
    check_equal("keys after Pad Two came back (it has no keys now)", 4, s.key_count())


ACTION_COLUMN = 5
ID_JOYSTICK_POINTER = 6320
ID_FILE_SAVE = 57603
IDC_OUTPUT_MOUSE = 6302
IDC_MOUSE_ACTION = 6303
IDC_MOUSE_CTRL = 6305
IDC_POINTER_STICK = 6311
IDC_POINTER_SPEED = 6312
BM_CLICK = 0x00F5
CB_SETCURSEL = 0x014E


@scenario("editing.mouse_action", timeout=90)
def mouse_action(s):
    """A double click on the Action cell of a row, Mouse chosen with "Right Click" and Ctrl: the
    key cell says "Ctrl + Right Click" and the button right-clicks the focused window. Joystick >
    Pointer... sets the right stick at 800 pixels a second. Save writes both in lines of their
    own, the button's line with no key."""
    s.add_controller(0, "Pad One", 4, axes=6)
    path = s.files / "mouse.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", 4,
                               {1: Mapping(0x41, 0x1E, 0)})])
    s.start_sink(focus=True, mouse=True)
    s.start_tarvel(s.wine_path(path))
    wait_rows(s, lambda rows: len(rows) > 4 and rows[1].texts[KEY_COLUMN] == "A", "Pad One")

    s.click(s.cell(1, ACTION_COLUMN), count=2)
    s.dialog("Key Mapping Action")
    for control, message, value in ((IDC_OUTPUT_MOUSE, BM_CLICK, 0),
                                    (IDC_MOUSE_ACTION, CB_SETCURSEL, 1),
                                    (IDC_MOUSE_CTRL, BM_CLICK, 0)):
        s.drive("send-control", "Key Mapping Action", control, message, value)
    s.drive("click-button", "Key Mapping Action", "OK")
    wait_rows(s, lambda rows: rows[1].texts[KEY_COLUMN] == "Ctrl + Right Click",
              "the key cell showing the mouse action")

    s.command(ID_JOYSTICK_POINTER)
    s.dialog("Pointer")
    s.drive("send-control", "Pointer", IDC_POINTER_STICK, CB_SETCURSEL, 2)
    s.drive("set-text", "Pointer", IDC_POINTER_SPEED, "800")
    s.drive("click-button", "Pointer", "OK")
    rows = wait_rows(s, lambda rows: "(moves the pointer)" in
                     [r.texts[KEY_COLUMN] for r in rows], "the right stick's rows")
    check_equal("rows that say the stick moves the pointer", ["Rx Axis -", "Rx Axis +",
                                                               "Ry Axis -", "Ry Axis +"],
                [r.texts[1] for r in rows if r.texts[KEY_COLUMN] == "(moves the pointer)"])

    s.drive("focus-sink", 5000)
    left, top, _, _ = s.client_area("TarvelKeySink")
    s.cursor(left + 30, top + 30)
    s.clear_keys()
    check(tap(s, 0, 1, 4), f"the right click did not arrive: {s.keys()}")
    check_equal("a right click with Ctrl", ["WM_RBUTTONDOWN", "WM_RBUTTONUP"],
                [k.name for k in s.keys() if "BUTTON" in k.name])

    before = path.stat().st_mtime_ns
    s.command(ID_FILE_SAVE)
    wait_saved(path, before)
    lines = path.read_bytes().decode("latin-1").split("\r\n")
    check_equal("the button's line, with Ctrl and no key", "Button2 = 0,0,0,2,0,,0,", lines[4])
    check("Button2Mouse = RightClick" in lines, f"no mouse line in {lines}")
    check("Pointer = RxRy,800,15" in lines, f"no pointer line in {lines}")
