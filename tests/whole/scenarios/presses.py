"""From a button press to the keystroke: the target window, the focused window, and when a press
fires and when it does not."""

from harness import (Mapping, Record, check, check_equal, instance_guid, product_guid, scenario,
                     write_config)

TARGET = "TarvelTarget"
VK_CONTROL = 0x11
VK_F5 = 0x74


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
