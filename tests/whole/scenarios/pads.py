"""Xbox pads read through XInput: in the background as in the foreground, with the names players
know, the guide button and each trigger on its own; paired in order; plugged out and in."""

from harness import (DBT_DEVNODES_CHANGED, FRAME_CLASS, WM_DEVICECHANGE, Mapping, Record, check,
                     check_equal, instance_guid, product_guid, scenario, wait_for, write_config)

TARGET = "TarvelTarget"
PAD_NAME = "Controller (Xbox One For Windows)"
A, DPAD_RIGHT, GUIDE = 0x1000, 0x0008, 0x0400
VK = {"A": (0x41, 0x1E), "Right": (0x27, 0x4D), "Left": (0x25, 0x4B), "G": (0x47, 0x22),
      "Q": (0x51, 0x10), "E": (0x45, 0x12), "X": (0x58, 0x2D), "B": (0x42, 0x30)}
ID_JOYSTICK_REFRESH = 32771
ID_TRAY_SHOW_HIDE = 32773


def key(name, action=""):
    vk, scan = VK[name]
    return Mapping(vk, scan, 0, TARGET, "", action)


def down(name):
    return ("WM_KEYDOWN", VK[name][0], 0)


def up(name):
    return ("WM_KEYUP", VK[name][0], 0)


def tap(name):
    return [down(name), up(name)]


def pad_config(s, records):
    path = s.files / "pads.tvm"
    write_config(path, records)
    return path


def start(s, path, users=(0,)):
    # In front once, not kept there: the program may come to the front later.
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(path), ready_slot=None)
    for user in users:
        s.drive("xinput-wait", user, "calls", 20, 20000)
    s.drive("focus-sink", 5000)
    check_equal("the key sink in front", 1, s.get("sink", "foreground"))
    s.clear_keys()


def typed(s, count):
    check(s.wait_keys(count), f"expected {count} key messages: {s.keys()}")
    return [k.short() for k in s.keys()]


@scenario("pads.background", timeout=90)
def pads_background(s):
    """With the key sink in front, an XInput pad's A, D-pad right, left stick left and guide
    button type the keys an older file gave the pad's DirectInput rows, and the new rows;
    a trigger alone presses its row and the Z half it moves, both pulled press both trigger rows
    and let the Z rows go. DirectInput is never read for the pad, so with the program in front
    a press types its key once."""
    s.use_xinput()
    s.add_pad(0, PAD_NAME, user=0)
    path = pad_config(s, [Record(instance_guid(0), product_guid(0), PAD_NAME, 10, {0: key("A")},
                                 {"Pov1Right": key("Right"), "XMinus": key("Left"),
                                  "ZPlus": key("X", "Hold"), "Guide": key("G"),
                                  "LeftTrigger": key("Q"), "RightTrigger": key("E")})])
    start(s, path)
    names = [row.texts[1] for row in s.rows()]
    check_equal("the Button column", ["Button 1 (A)", "Button 2 (B)"], names[:2])
    check_equal("the last rows", ["Ry Axis + (Right Stick Down)", "Guide", "Left Trigger",
                                  "Right Trigger"], names[-4:])
    check_equal("rows", 10 + 4 + 10 + 3, len(names))

    expected = []
    for buttons, lx, name in ((A, 0, "A"), (DPAD_RIGHT, 0, "Right"), (0, -30000, "Left"),
                              (GUIDE, 0, "G")):
        s.pad(0, buttons, lx=lx)
        s.pad(0)
        expected += tap(name)
        check_equal(f"keys after {name}", expected, typed(s, len(expected)))
    s.pad(0, lt=255)
    expected += [down("X")] + tap("Q")
    check_equal("the left trigger alone", expected, typed(s, len(expected)))
    s.pad(0, lt=255, rt=255)
    expected += [up("X")] + tap("E")
    check_equal("both triggers", expected, typed(s, len(expected)))
    images = {row.texts[1]: row.image for row in s.rows()}
    check_equal("both trigger rows pressed, the Z rows not (connected 4, pressed 1)",
                [5, 5, 4, 4], [images["Left Trigger"], images["Right Trigger"],
                               images["Z Axis + (Left Trigger)"], images["Z Axis - (Right Trigger)"]])
    s.pad(0)
    check_equal("DirectInput reads of the pad", 0, s.get(0, "calls.getdevicestate"))

    # The program in front: DirectInput would now see the press too; it is typed once.
    s.command(ID_TRAY_SHOW_HIDE)  # hidden, then shown in front, as from the tray
    wait_for(s.window, lambda window: not window.visible, "the program did not hide")
    s.command(ID_TRAY_SHOW_HIDE)
    wait_for(s.window, lambda window: window.foreground, "the program did not come to the front")
    s.clear_keys()
    s.drive("press", 0, 0)
    s.pad(0, A)
    s.pad(0)
    s.drive("release", 0, 0)
    s.pad(0)
    check(s.wait_keys(2), f"no key with the program in front: {s.keys()}")
    check_equal("one keystroke with the program in front", tap("A"), [k.short() for k in s.keys()])


@scenario("pads.pairing_and_plugging", timeout=120)
def pads_pairing_and_plugging(s):
    """Two pads pair with the XInput users in order; a user taken away shows its rows not
    connected and is asked rarely, and the pad plugged back in types again. A user with no
    DirectInput pad is a controller of its own."""
    s.use_xinput()
    s.add_pad(0, PAD_NAME, user=0)
    s.add_pad(1, PAD_NAME, user=1, number=1)
    path = pad_config(s, [Record(instance_guid(0), product_guid(0), PAD_NAME, 10, {0: key("A")}),
                          Record(instance_guid(1), product_guid(1), PAD_NAME, 10, {0: key("B")})])
    start(s, path, users=(0, 1))
    s.pad(0, A)
    s.pad(0)
    s.pad(1, A)
    s.pad(1)
    check_equal("first pad, then second", tap("A") + tap("B"), typed(s, 4))

    rows = s.rows()
    second = 27  # the second record's first row
    check_equal("second pad connected", 4, rows[second].image & 4)
    s.drive("xinput-unplug", 1)
    s.drive("unplug", 1)
    wait_for(s.rows, lambda rows: rows[second].image & 4 == 0, "the second pad still shows connected")
    before = s.pad_calls(1)
    s.drive("xinput-wait", 0, "calls", s.pad_calls(0) + 200, 5000)  # 200 fast ticks: 0.8 s or more
    check(s.pad_calls(1) - before <= 2, f"an empty user was asked {s.pad_calls(1) - before} times")

    s.drive("xinput-plug", 1)
    s.drive("replug", 1)
    s.drive("post", FRAME_CLASS, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0)
    wait_for(s.rows, lambda rows: rows[second].image & 4 == 4, "the second pad did not come back",
             timeout_s=10)
    s.clear_keys()
    s.pad(1, A)
    s.pad(1)
    check_equal("the second pad again", tap("B"), typed(s, 2))

    # A user that no DirectInput pad pairs with: a controller of its own, announced.
    s.drive("xinput-plug", 2)
    s.command(ID_JOYSTICK_REFRESH)  # asks whether to add it
    text = s.dialog("Tarvel", 10000)
    check(any("Xbox Controller (player 3)" in t for _, _, t in text), f"the question: {text}")
    s.drive("click-button", "Tarvel", "Yes")
    wait_for(s.rows, lambda rows: len(rows) == 27 * 3, "the third pad has no rows", timeout_s=10)
