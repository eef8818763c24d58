"""From a button press to the keystroke: the target window, the focused window, and when a press
fires and when it does not."""

import time

import harness

from harness import (ID_FILE_SAVE, Mapping, Record, check, check_equal, instance_guid,
                     product_guid, scenario, wait_saved, write_config)

TARGET = "TarvelTarget"
VK_SHIFT = 0x10
VK_CONTROL = 0x11
VK_F5 = 0x74
VK_SPACE = 0x20
VK_UP = 0x26
VK_DELETE = 0x2E
VK_NUMPAD2 = 0x62
VK_W = 0x57
VK_D = 0x44
EXTENDED = 1 << 24
ID_APP_ABOUT = 57664


def one_pad(session, mappings, buttons=12, file_name="pad.tvm"):
    """Attaches "Pad One" in slot 0 and writes a configuration for it; returns its path."""
    session.add_controller(0, "Pad One", buttons)
    path = session.files / file_name
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", buttons, mappings)])
    return path


def keystroke(vk, lparam=0):
    return [("WM_KEYDOWN", vk, lparam), ("WM_KEYUP", vk, lparam)]


@scenario("road.target_window", timeout=60)
def road_target_window(s):
    """Button 3 mapped to Ctrl+F5 with a target class: exactly Ctrl down, F5 down, F5 up, Ctrl up,
    sent to the first window of that class with lParam 0. A class that names no window sends
    nothing, not even to the focused window."""
    config = one_pad(s, {2: Mapping(VK_F5, 0x3F, 2, TARGET, "road"),
                         4: Mapping(0x42, 0x30, 0, "NoSuchWindowClass", "")})
    # Focused, so that a keystroke that wrongly went system-wide would show up here too.
    s.start_sink(TARGET, focus=True)
    s.start_tarvel(s.wine_path(config))
    s.drive("focus-sink", 5000)
    s.clear_keys()

    s.drive("press", 0, 2)
    check(s.wait_keys(4), f"no keystroke after the press: {s.keys()}")
    s.passes(0, 5)
    keys = s.keys()
    check_equal("messages to the target window",
                [("WM_KEYDOWN", VK_CONTROL, 0), ("WM_KEYDOWN", VK_F5, 0), ("WM_KEYUP", VK_F5, 0),
                 ("WM_KEYUP", VK_CONTROL, 0)],
                [k.short() for k in keys])
    check_equal("how they came", ["sent"] * 4, [k.route for k in keys])

    s.drive("release", 0, 2)
    s.drive("press", 0, 4)
    s.passes(0, 5)
    s.drive("focus-sink", 5000)
    check_equal("keys after a press mapped to a missing window", 4, s.key_count())
    # The user is told why, in the status bar; the next key that arrives puts "Ready" back.
    check_equal("the status bar after it", 'No window of class "NoSuchWindowClass" is open.',
                s.drive("status", "TarvelFrame").strip())
    s.drive("release", 0, 4)
    s.drive("press", 0, 2)
    check(s.wait_keys(8), f"no keystroke after the second press: {s.keys()}")
    s.passes(0, 3)
    check_equal("the status bar once keys arrive", "Ready",
                s.drive("status", "TarvelFrame").strip())


@scenario("road.system_wide", timeout=60)
def road_system_wide(s):
    """The same mapping with no class goes to the focused window as typed keys, Ctrl held around
    F5, and F5 carries the scan code stored in the configuration."""
    stored_scan = 0x5A  # not F5's own scan code (0x3F): it must come from the file
    config = one_pad(s, {2: Mapping(VK_F5, stored_scan, 2, "", "system-wide")})
    s.start_sink(focus=True)
    s.start_tarvel(s.wine_path(config))
    s.drive("focus-sink", 5000)
    s.clear_keys()

    s.drive("press", 0, 2)
    check(s.wait_keys(4), f"no keystroke reached the focused window: {s.keys()}")
    s.passes(0, 5)
    keys = [k for k in s.keys() if k.name in ("WM_KEYDOWN", "WM_KEYUP")]
    check_equal("keys in the focused window",
                [("WM_KEYDOWN", VK_CONTROL), ("WM_KEYDOWN", VK_F5), ("WM_KEYUP", VK_F5),
                 ("WM_KEYUP", VK_CONTROL)],
                [(k.name, k.wparam) for k in keys])
    check_equal("how they came", ["queued"] * 4, [k.route for k in keys])
    check_equal("scan code on F5 down and up", [stored_scan, stored_scan],
                [k.scan for k in keys if k.wparam == VK_F5])
    check_equal("Ctrl held while F5 went down and up", [2, 2], [k.mods & 2 for k in keys[1:3]])


@scenario("presses.hold_release_order", timeout=60)
def presses_hold_release_order(s):
    """Holding does not repeat, a new pressed value fires again, releasing sends nothing, and two
    buttons that go down in one pass fire in button order."""
    config = one_pad(s, {0: Mapping(0x41, 0x1E, 0, TARGET), 2: Mapping(0x43, 0x2E, 0, TARGET)})
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(config))

    s.drive("press", 0, 0)
    check(s.wait_keys(2), "the press sent nothing")
    s.passes(0, 20)
    check_equal("keys after holding for 20 passes", keystroke(0x41),
                [k.short() for k in s.keys()])

    s.drive("set-button", 0, 0, 0x81)
    check(s.wait_keys(4), "a change between two pressed values did not fire")
    s.drive("release", 0, 0)
    s.passes(0, 10)
    check_equal("keys after the release", keystroke(0x41) * 2, [k.short() for k in s.keys()])

    # Both buttons change while the program cannot read the controller, so that its next read
    # sees them together; buttons are given in reverse order.
    s.clear_keys()
    s.drive("fault", 0, "poll", "forever")
    s.polls(0, 2)
    reads = s.get(0, "calls.getdevicestate")
    s.drive("press", 0, 2, 0)
    check_equal("reads while the buttons changed", reads, s.get(0, "calls.getdevicestate"))
    s.drive("clear-faults", 0)
    check(s.wait_keys(4), f"two buttons in one pass: {s.keys()}")
    s.passes(0, 5)
    check_equal("two buttons in one pass", keystroke(0x41) + keystroke(0x43),
                [k.short() for k in s.keys()])


@scenario("presses.held_at_open", timeout=60)
def presses_held_at_open(s):
    """A button held while the configuration opens fires once, at the first read."""
    config = one_pad(s, {3: Mapping(0x44, 0x20, 0, TARGET)})
    s.drive("press", 0, 3)
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(config))
    check(s.wait_keys(2), "the held button did not fire")
    s.passes(0, 20)
    check_equal("keys of a held button", keystroke(0x44), [k.short() for k in s.keys()])


def downs_ups(keys):
    return [(k.name, k.wparam) for k in keys if k.name in ("WM_KEYDOWN", "WM_KEYUP")]


@scenario("actions.hold", timeout=90)
def actions_hold(s):
    """Hold keeps Shift and W down through 30 passes and lets them go once, on release; a key held
    when its controller is pulled out, or when Tarvel ends, is let go too. Both routes."""
    config = one_pad(s, {0: Mapping(VK_W, 0x11, 1, TARGET, action="Hold"),
                         1: Mapping(VK_D, 0x20, 0, "", action="Hold")})
    s.start_sink(TARGET, focus=True)
    s.start_tarvel(s.wine_path(config))
    s.drive("focus-sink", 5000)
    s.clear_keys()

    s.drive("press", 0, 0)
    check(s.wait_keys(2), f"the press sent nothing: {s.keys()}")
    s.passes(0, 30)
    check_equal("keys while held for 30 passes", [("WM_KEYDOWN", VK_SHIFT), ("WM_KEYDOWN", VK_W)],
                downs_ups(s.keys()))
    s.drive("release", 0, 0)
    check(s.wait_keys(4), f"the release let nothing go: {s.keys()}")
    s.passes(0, 10)
    check_equal("keys after the release",
                [("WM_KEYDOWN", VK_SHIFT), ("WM_KEYDOWN", VK_W), ("WM_KEYUP", VK_W),
                 ("WM_KEYUP", VK_SHIFT)], downs_ups(s.keys()))

    # Held, then the controller is pulled out: the key comes up without a release.
    s.clear_keys()
    s.drive("press", 0, 1)
    check(s.wait_keys(1), f"the focused route sent nothing: {s.keys()}")
    s.drive("unplug", 0)
    check(s.wait_keys(2, 5000), f"a pulled-out controller left its key down: {s.keys()}")
    check_equal("keys of a controller pulled out while held",
                [("WM_KEYDOWN", VK_D), ("WM_KEYUP", VK_D)], downs_ups(s.keys()))

    # Held when Tarvel ends.
    s.drive("replug", 0)
    s.drive("release", 0, 1)
    s.passes(0, 5)
    s.clear_keys()
    s.drive("press", 0, 0)
    check(s.wait_keys(2), f"the press sent nothing: {s.keys()}")
    s.close_tarvel()
    check(s.wait_keys(4, 5000), f"Tarvel ended with keys held: {s.keys()}")
    check_equal("keys held when Tarvel ended",
                [("WM_KEYDOWN", VK_SHIFT), ("WM_KEYDOWN", VK_W), ("WM_KEYUP", VK_W),
                 ("WM_KEYUP", VK_SHIFT)], downs_ups(s.keys()))


@scenario("actions.turbo", timeout=60)
def actions_turbo(s):
    """Turbo at 10 a second types 10 keystrokes, give or take one, in a button held for a second,
    the first at once; none after the release."""
    config = one_pad(s, {0: Mapping(VK_SPACE, 0x39, 0, TARGET, action="Turbo,10")})
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(config))
    frequency = s.get("global", "qpcfrequency")

    s.drive("press", 0, 0)
    pressed = s.get(0, "changeqpc")
    time.sleep(1.0)
    s.drive("release", 0, 0)
    released = s.get(0, "changeqpc")
    s.passes(0, 30)
    downs = [k.qpc for k in s.keys() if k.name == "WM_KEYDOWN"]
    held_ms = (released - pressed) * 1000 / frequency
    expected = 1 + int(held_ms // 100)
    s.note(f"held {held_ms:.0f} ms: {len(downs)} keystrokes")
    check(abs(len(downs) - expected) <= 1,
          f"{len(downs)} keystrokes in {held_ms:.0f} ms held at 10 a second")
    check(all(pressed <= q for q in downs), "a keystroke before the press")
    check(all(q <= released + frequency // 20 for q in downs),
          "a keystroke well after the release")
    check_equal("key-ups", len(downs), len([k for k in s.keys() if k.name == "WM_KEYUP"]))


def down_times_ms(keys, frequency, vks):
    """The times of the key-downs of the given keys, in ms after the first of them."""
    downs = [k.qpc for k in keys if k.name in ("WM_KEYDOWN", "WM_SYSKEYDOWN") and k.wparam in vks]
    return [(q - downs[0]) * 1000 / frequency for q in downs]


@scenario("actions.sequences_and_texts", timeout=90)
def actions_sequences_and_texts(s):
    """Shift+A, Ctrl+B, Alt+C typed in order with nothing between them, at once and 50 ms apart
    while the window keeps answering; a text with accented and Cyrillic letters and a line break
    arrives as those characters, system-wide and as WM_CHAR to the target window. The list shows
    the short forms, and a save writes the file as it was read."""
    steps = "65,30,1;66,48,2;67,46,4"
    text = "Grüße Жж\\nok"
    config = one_pad(s, {0: Mapping(0x41, 30, 1, extras=(f"Sequence = 0;{steps}",)),
                         1: Mapping(0x41, 30, 1, extras=(f"Sequence = 50;{steps}",)),
                         2: Mapping(0, 0, 0, extras=(f"Text = {text}",)),
                         3: Mapping(0, 0, 0, TARGET, extras=(f"Text = {text}",))})
    s.start_sink(TARGET, focus=True)
    s.start_tarvel(s.wine_path(config))
    frequency = s.get("global", "qpcfrequency")
    rows = s.rows()
    # The list draws in the ANSI code page: how the Cyrillic letters show depends on it.
    check_equal("key cells", ["Shift+A, Ctrl+B, ...", "Shift+A, Ctrl+B, ...", "Text: Gr", "Text: Gr"],
                [row.texts[2][:20 if i < 2 else 8] for i, row in enumerate(rows[:4])])
    s.drive("focus-sink", 5000)
    s.clear_keys()

    order = [("WM_KEYDOWN", VK_SHIFT), ("WM_KEYDOWN", 0x41), ("WM_KEYUP", 0x41),
             ("WM_KEYUP", VK_SHIFT), ("WM_KEYDOWN", VK_CONTROL), ("WM_KEYDOWN", 0x42),
             ("WM_KEYUP", 0x42), ("WM_KEYUP", VK_CONTROL), ("WM_SYSKEYDOWN", 0x12),
             ("WM_SYSKEYDOWN", 0x43), ("WM_SYSKEYUP", 0x43), ("WM_KEYUP", 0x12)]

    def keys_only(keys):
        return [(k.name, k.wparam) for k in keys if k.name.endswith(("KEYDOWN", "KEYUP"))]

    for button, gap in ((0, 0), (1, 50)):
        s.clear_keys()
        s.drive("press", 0, button)
        if gap:
            answers = [s.ping(1000) for _ in range(5)]
            check(all(a is not None and a < 30 for a in answers),
                  f"the window did not answer while typing: {answers}")
        check(s.wait_keys(len(order), 5000), f"gap {gap}: {s.keys()}")
        s.drive("release", 0, button)
        s.passes(0, 5)
        keys = s.keys()
        check_equal(f"keys of the sequence with gap {gap}", order, keys_only(keys))
        times = down_times_ms(keys, frequency, (0x41, 0x42, 0x43))
        s.note(f"gap {gap}: key-downs at {[round(t) for t in times]} ms")
        for i, t in enumerate(times):
            check(abs(t - gap * i) <= 15, f"gap {gap}: keystroke {i} at {t:.0f} ms")

    expected = [ord(c) for c in "Grüße Жж"] + [0x0D] + [ord(c) for c in "ok"]
    for button, route in ((2, "queued"), (3, "sent")):
        s.clear_keys()
        s.drive("press", 0, button)
        check(s.wait_keys(len(expected), 5000), f"text of button {button + 1}: {s.keys()}")
        s.drive("release", 0, button)
        s.passes(0, 5)
        chars = [k for k in s.keys() if k.name == "WM_CHAR"]
        check_equal(f"characters of button {button + 1}", expected, [k.wparam for k in chars])
        check_equal(f"how they came, button {button + 1}", [route] * len(expected),
                    [k.route for k in chars])

    before = config.stat().st_mtime_ns
    written = config.read_bytes()
    s.command(ID_FILE_SAVE)
    wait_saved(config, before)
    check_equal("the file saved", written, config.read_bytes())


@scenario("actions.toggle_and_long_press", timeout=90)
def actions_toggle_and_long_press(s):
    """Toggle puts D down on one press and lets it go on the next, and a key toggled down is let
    go when the controller is pulled out; a long press of 300 ms: a 100 ms press types Ctrl+S on
    release, a 500 ms press types F5 at 300 ms and nothing on release."""
    config = one_pad(s, {0: Mapping(VK_D, 0x20, 0, TARGET, action="Toggle"),
                         1: Mapping(0x53, 0x1F, 2, TARGET, extras=("Long = 300,116,63,0",))})
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(config))
    frequency = s.get("global", "qpcfrequency")
    check_equal("key cells", ["D", "Ctrl+S (hold: F5)"], [row.texts[2] for row in s.rows()[:2]])
    s.clear_keys()

    for press, expected in enumerate(([("WM_KEYDOWN", VK_D)], [("WM_KEYUP", VK_D)],
                                      [("WM_KEYDOWN", VK_D)])):
        s.clear_keys()
        s.drive("press", 0, 0)
        s.passes(0, 5)
        s.drive("release", 0, 0)
        s.passes(0, 5)
        check_equal(f"keys of press {press + 1}", expected, downs_ups(s.keys()))
    s.clear_keys()
    s.drive("unplug", 0)
    check(s.wait_keys(1, 5000), "a pulled-out controller left the toggled key down")
    check_equal("keys when pulled out", [("WM_KEYUP", VK_D)], downs_ups(s.keys()))
    s.drive("replug", 0)
    s.passes(0, 5)

    ctrl_s = [("WM_KEYDOWN", VK_CONTROL), ("WM_KEYDOWN", 0x53), ("WM_KEYUP", 0x53),
              ("WM_KEYUP", VK_CONTROL)]
    for held_ms, expected in ((100, ctrl_s), (500, [("WM_KEYDOWN", VK_F5), ("WM_KEYUP", VK_F5)])):
        s.clear_keys()
        s.drive("tap", 0, 1, 1, 0, held_ms)
        released = s.get(0, "changeqpc")
        s.passes(0, 10)
        keys = s.keys()
        check_equal(f"keys of a {held_ms} ms press", expected, downs_ups(keys))
        # The first key after the press: on release for the short one, at 300 ms for the long.
        # The press's time is taken as HOLD_MS before the release, which a late Sleep stretches.
        first = held_ms + (keys[0].qpc - released) * 1000 / frequency
        s.note(f"held {held_ms} ms: first key {first:.0f} ms after the press")
        want = min(held_ms, 300)
        check(want - 30 <= first <= want + 40, f"first key at {first:.0f} ms, wanted {want}")


@scenario("keys.scan_codes", timeout=60)
def keys_scan_codes(s):
    """Typed into the focused window, Up and Delete carry the extended-key flag and Num 2 does
    not; Shift carries its own scan code."""
    config = one_pad(s, {0: Mapping(VK_UP, 0x48, 1), 1: Mapping(VK_DELETE, 0x53, 0),
                         2: Mapping(VK_NUMPAD2, 0x50, 0)})
    s.start_sink(focus=True)
    s.start_tarvel(s.wine_path(config))
    s.drive("focus-sink", 5000)
    s.clear_keys()
    expected = [(VK_SHIFT, 0x2A, 0), (VK_UP, 0x48, EXTENDED), (VK_UP, 0x48, EXTENDED),
                (VK_SHIFT, 0x2A, 0), (VK_DELETE, 0x53, EXTENDED), (VK_DELETE, 0x53, EXTENDED),
                (VK_NUMPAD2, 0x50, 0), (VK_NUMPAD2, 0x50, 0)]
    for button, count in ((0, 4), (1, 6), (2, 8)):
        s.drive("press", 0, button)
        check(s.wait_keys(count), f"button {button}: {s.keys()}")
        s.drive("release", 0, button)
    keys = [k for k in s.keys() if k.name in ("WM_KEYDOWN", "WM_KEYUP")]
    check_equal("keys, scan codes and extended flags", expected,
                [(k.wparam, k.scan, k.lparam & EXTENDED) for k in keys])


@scenario("presses.taps", timeout=90)
def presses_taps(s):
    """Taps whose press and release no state read can see are typed, each once and in order: 200
    on a controller with events, 20 on one that must be polled; one that refuses a buffer works
    by state reads. Events set with nothing to read, buffers that overflow every time and a pad
    pulled out while its event is set type nothing that was not pressed and freeze nothing."""
    pads = [("Events Pad", "events", 0x41), ("Polled Pad", "polled", 0x42),
            ("Plain Pad", "none", 0x43)]
    records = []
    for slot, (name, mode, vk) in enumerate(pads):
        s.add_controller(slot, name, 4)
        s.drive("buffer-mode", slot, mode)
        records.append(Record(instance_guid(slot), product_guid(slot), name, 4,
                              {0: Mapping(vk, 0, 0, TARGET)}))
    config = s.files / "taps.tvm"
    write_config(config, records)
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(config))
    for slot in range(3):
        s.passes(slot, 3)
    # The polled pad's event is taken back at once; the plain pad is never asked.
    check_equal("change events asked for", [1, 2, 0],
                [s.get(slot, "calls.seteventnotification") for slot in range(3)])

    s.drive("tap", 0, 0, 200, 2)
    check(s.wait_keys(400, 5000), f"{s.key_count()} of 400 key messages for 200 taps")
    s.drive("tap", 1, 0, 20, 25)
    check(s.wait_keys(440, 5000), f"{s.key_count()} of 440 key messages after polled taps")
    s.drive("press", 2, 0)
    check(s.wait_keys(442), "a controller without a buffer typed nothing")
    s.drive("release", 2, 0)
    s.passes(2, 3)
    check_equal("every tap once, in order",
                keystroke(0x41) * 200 + keystroke(0x42) * 20 + keystroke(0x43),
                [k.short() for k in s.keys()])

    # A modal dialog's loop is the system's: the window timer's pass reads the buffers then.
    s.clear_keys()
    s.command(ID_APP_ABOUT)
    s.dialog("About Tarvel")
    s.drive("tap", 0, 0, 5, 15)
    check(s.wait_keys(10, 3000), f"taps while a dialog was open: {s.keys()}")
    s.drive("click-button", "About Tarvel", "OK")
    check_equal("taps while a dialog was open", keystroke(0x41) * 5, [k.short() for k in s.keys()])

    s.clear_keys()
    s.drive("signal", 0, 3000)
    ping = s.ping(1000)
    check(ping is not None, "the window did not answer while a controller kept signalling")
    s.drive("fault", 0, "getdevicedata", "forever", 1)  # DI_BUFFEROVERFLOW
    s.drive("tap", 0, 0, 1)
    s.drive("press", 0, 0)
    check(s.wait_keys(2), "after an overflow the state read typed nothing")
    s.drive("release", 0, 0)
    s.drive("clear-faults", 0)
    s.drive("unplug", 0)
    s.drive("signal", 0, 100)
    s.passes(1, 5)
    check(s.ping(1000) is not None, "the window did not answer after a pad was pulled out")
    check_equal("keys of a pulled-out pad and an overflowing buffer", keystroke(0x41),
                [k.short() for k in s.keys()])


VK_LEFT, VK_RIGHT, VK_DOWN = 0x25, 0x27, 0x28


@scenario("controls.pov_directions", timeout=90)
def pov_directions(s):
    """POV 1 of a pad with two hats and six axes: its 4 buttons are followed by 8 + 12 rows, named
    in the Button column; each direction types its key, a diagonal both neighbours', and a hat
    back in the centre sends nothing."""
    s.add_controller(0, "Pad One", 4, 6, 2)
    path = s.files / "hat.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", 4, {},
                               {"Pov1Up": Mapping(VK_UP, 0x48, 0, TARGET),
                                "Pov1Right": Mapping(VK_RIGHT, 0x4D, 0, TARGET),
                                "Pov1Down": Mapping(VK_DOWN, 0x50, 0, TARGET),
                                "Pov1Left": Mapping(VK_LEFT, 0x4B, 0, TARGET)})])
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(path))
    names = [row.texts[1] for row in s.rows()]
    check_equal("the Button column",
                ["1", "2", "3", "4"] +
                [f"POV {h} {d}" for h in (1, 2) for d in ("Up", "Right", "Down", "Left")] +
                [f"{a} {half}" for a in ("X Axis", "Y Axis", "Z Axis", "Rx Axis", "Ry Axis",
                                         "Rz Axis") for half in ("-", "+")], names)
    check_equal("key of POV 1 Up", "Up", s.rows()[4].texts[2])
    s.clear_keys()
    for angle, vk in ((0, VK_UP), (9000, VK_RIGHT), (18000, VK_DOWN), (27000, VK_LEFT)):
        s.drive("set-pov", 0, 0, angle)
        s.passes(0, 3)
        s.drive("set-pov", 0, 0, "centred")
        s.passes(0, 3)
    s.drive("set-pov", 0, 0, 13500)  # down and right
    s.passes(0, 3)
    s.drive("set-pov", 0, 0, 0xFFFF)  # centred, as some drivers report it
    s.passes(0, 3)
    check(s.wait_keys(12), f"the hat typed too little: {s.keys()}")
    check_equal("keys of the hat",
                keystroke(VK_UP) + keystroke(VK_RIGHT) + keystroke(VK_DOWN) + keystroke(VK_LEFT) +
                keystroke(VK_RIGHT) + keystroke(VK_DOWN), [k.short() for k in s.keys()])


@scenario("controls.axis_hold", timeout=90)
def axis_hold(s):
    """A stick pushed past 50% presses "X Axis +", whose Hold keeps D down; wavering between 42%
    and 48% neither lets it go nor presses it again; under 40% D comes up."""
    s.add_controller(0, "Pad One", 4, 2)
    path = s.files / "stick.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", 4, {},
                               {"XPlus": Mapping(VK_D, 0x20, 0, TARGET, action="Hold")})])
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(path))
    check_equal("row of X Axis +", ["Pad One", "X Axis +", "D", TARGET, ""],
                s.rows()[5].texts[:5])
    s.clear_keys()
    s.drive("set-axis", 0, 0, 450)
    s.passes(0, 5)
    check_equal("keys at 45%", [], s.keys())
    s.drive("set-axis", 0, 0, 600)
    check(s.wait_keys(1), f"the stick past 50% sent nothing: {s.keys()}")
    for position in (480, 420, 470, 430, 480, 420):
        s.drive("set-axis", 0, 0, position)
        s.passes(0, 3)
    check_equal("keys while the stick wavers", [("WM_KEYDOWN", VK_D, 0)],
                [k.short() for k in s.keys()])
    s.drive("set-axis", 0, 0, 100)
    check(s.wait_keys(2), f"the stick let back did not let D go: {s.keys()}")
    s.passes(0, 5)
    check_equal("keys", keystroke(VK_D), [k.short() for k in s.keys()])


# ---------------------------------------------------------------------------------------------
# The pad as a mouse

MK_LBUTTON = 0x01
MK_CONTROL = 0x08
RX = 3
Y = 1


def mouse_pad(session, mappings, extra=(), buttons=12):
    """ "Pad One" with six axes (X, Y, Z, Rx, Ry, Rz) in slot 0, and its configuration."""
    session.add_controller(0, "Pad One", buttons, axes=6)
    path = session.files / "mouse.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", buttons, mappings,
                               extra=list(extra))])
    return path


def mouse_events(session, names=None):
    events = [k for k in session.keys() if "BUTTON" in k.name or "WHEEL" in k.name]
    return [e for e in events if names is None or e.name in names]


def client_point(session, window_class, screen):
    left, top, _, _ = session.client_area(window_class)
    return (screen[0] - left) | ((screen[1] - top) << 16)


def track(session, ms):
    x0, y0, x1, y1, last, changes, median, largest = session.drive("track-cursor", ms).split()
    return (int(x0), int(y0), int(x1), int(y1), float(last), int(changes), float(median),
            float(largest))


@scenario("mouse.clicks_drag_and_wheel", timeout=90)
def mouse_clicks_drag_and_wheel(s):
    """Left Click, a Hold drag (down, moves, up), Back and Forward, Ctrl+wheel at the pointer in
    the focused window; wheel notches to a background window at its centre; pulling the
    controller out mid-drag lets the button go."""
    config = mouse_pad(s, {0: Mapping(0, mouse="LeftClick"),
                           1: Mapping(0, mouse="LeftClick", action="Hold"),
                           2: Mapping(0, mouse="Back"),
                           3: Mapping(0, mouse="Forward"),
                           4: Mapping(0, mods=2, mouse="WheelUp"),
                           5: Mapping(0, window_class=TARGET, mouse="WheelDown")},
                       extra=["Pointer = RxRy,500,15"])
    s.start_sink(focus=True, mouse=True)
    s.start_sink(TARGET, log="bg", mouse=True)
    s.drive("move", TARGET, 600, 500, 420, 240)  # apart from the focused one
    s.start_tarvel(s.wine_path(config))
    s.drive("focus-sink", 5000)
    left, top, right, bottom = s.client_area("TarvelKeySink")
    start = (left + 40, top + 50)
    s.cursor(*start)
    s.clear_keys()

    s.drive("tap", 0, 0, 1)
    check(s.wait_keys(2), f"Left Click: {s.keys()}")
    at = client_point(s, "TarvelKeySink", start)
    check_equal("Left Click at the pointer", [("WM_LBUTTONDOWN", MK_LBUTTON, at),
                                              ("WM_LBUTTONUP", 0, at)],
                [k.short() for k in mouse_events(s)])

    # The drag: down, the stick moves the pointer, up where it ended.
    s.clear_keys()
    s.drive("press", 0, 1)
    check(s.wait_keys(1), "Hold gave no button down")
    s.drive("set-axis", 0, RX, 1000)
    time.sleep(0.3)
    s.drive("set-axis", 0, RX, 0)
    end = s.cursor()
    check(end[0] > start[0] + 50 and end[1] == start[1], f"the drag moved {start} to {end}")
    s.drive("release", 0, 1)
    check(s.wait_keys(2), "Hold gave no button up")
    check_equal("the drag", [("WM_LBUTTONDOWN", MK_LBUTTON, at),
                             ("WM_LBUTTONUP", 0, client_point(s, "TarvelKeySink", end))],
                [k.short() for k in mouse_events(s)])

    s.clear_keys()
    s.drive("tap", 0, 2, 1)
    s.drive("tap", 0, 3, 1)
    check(s.wait_keys(4), f"Back and Forward: {s.keys()}")
    check_equal("Back, then Forward (XBUTTON1, XBUTTON2)", [1, 1, 2, 2],
                [k.wparam >> 16 for k in mouse_events(s)])

    s.clear_keys()
    s.drive("tap", 0, 4, 1)
    check(s.wait_keys(1), "no wheel notch")
    wheel = mouse_events(s, ("WM_MOUSEWHEEL",))
    check_equal("one notch up, Ctrl held", [(120, MK_CONTROL)],
                [((w.wparam >> 16) & 0xFFFF, w.wparam & MK_CONTROL) for w in wheel])

    # To the background window: sent to it, at the centre of its client area (the pointer is
    # over the other window), in screen coordinates.
    s.drive("tap", 0, 5, 1)
    check(s.sink_drive("bg", "wait-keys", 1, 3000, check=False)[0] == 0,
          "no notch in the background window")
    bg = harness.parse_keys(s.sink_drive("bg", "keys", "--long"))
    l2, t2, r2, b2 = s.client_area(TARGET)
    centre = (l2 + (r2 - l2) // 2) | ((t2 + (b2 - t2) // 2) << 16)
    check_equal("a notch down at the target's centre",
                [("WM_MOUSEWHEEL", 0xFF88 << 16, centre, "sent")],
                [(k.name, k.wparam, k.lparam, k.route) for k in bg])

    # Pulled out mid-drag: the button goes up.
    s.clear_keys()
    s.drive("press", 0, 1)
    check(s.wait_keys(1), "Hold gave no button down")
    s.drive("unplug", 0)
    check(s.wait_keys(2), f"the button stayed down after the controller went: {s.keys()}")
    check_equal("down, then up", ["WM_LBUTTONDOWN", "WM_LBUTTONUP"],
                [k.name for k in mouse_events(s)])


@scenario("mouse.pointer_and_scroll_sticks", timeout=90)
def mouse_pointer_and_scroll_sticks(s):
    """A stick at full deflection for a second moves the pointer its speed (500 pixels a second
    here) within 10 %, steadily; inside the dead zone not at all; a slow push still moves it.
    The scrolling stick turns the wheel up to 20 notches a second."""
    config = mouse_pad(s, {}, extra=["Pointer = RxRy,500,15", "Scroll = XY,15"])
    s.start_sink(focus=True, mouse=True)
    s.start_tarvel(s.wine_path(config))
    s.drive("focus-sink", 5000)
    left, top, _, _ = s.client_area("TarvelKeySink")
    s.cursor(left + 20, top + 60)

    s.drive("set-axis", 0, RX, 100)  # inside the 15 % dead zone
    x0, y0, x1, y1, *_ = track(s, 500)
    check_equal("moves inside the dead zone", (x0, y0), (x1, y1))

    s.cursor(200, 300)
    s.drive("set-axis", 0, RX, 1000)
    x0, y0, x1, y1, last, changes, median, largest = track(s, 1000)
    speed = (x1 - x0) / (last / 1000)
    s.note(f"full deflection: {x1 - x0} pixels in {last:.1f} ms ({speed:.0f}/s), {changes} moves, "
           f"gaps median {median:.2f} ms, largest {largest:.2f} ms")
    check(450 <= speed <= 550, f"full deflection moved {speed:.0f} pixels a second, not 500")
    check_equal("vertical movement", y0, y1)

    s.cursor(200, 300)
    s.drive("set-axis", 0, RX, 250)  # 12 % past the dead zone: about 7 pixels a second
    x0, _, x1, _, *_ = track(s, 1500)
    check(1 <= x1 - x0 <= 20, f"a slow push moved {x1 - x0} pixels in 1.5 s")
    s.drive("set-axis", 0, RX, 0)

    s.cursor(left + 20, top + 60)
    s.clear_keys()
    s.drive("set-axis", 0, Y, -1000)
    time.sleep(1.0)
    s.drive("set-axis", 0, Y, 0)
    notches = [k for k in mouse_events(s, ("WM_MOUSEWHEEL",))]
    check(all((k.wparam >> 16) == 120 for k in notches), f"notches up: {notches}")
    check(10 <= len(notches) <= 30, f"{len(notches)} notches in about a second, not about 20")
