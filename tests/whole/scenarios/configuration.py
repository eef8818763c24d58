"""Configuration files through the whole program: the most recent file at start-up, and Save."""

import json

from harness import (ID_JOYSTICK_REFRESH, Mapping, Record, check, check_equal, instance_guid,
                     product_guid, scenario, wait_saved, write_config)

TARGET = "TarvelTarget"


@scenario("config.recent_file", timeout=60)
def recent_file(s):
    """The first file of the recent-file list is opened at start-up and drives the keys."""
    s.add_controller(0, "Pad One", 8)
    path = s.files / "recent.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", 8,
                               {5: Mapping(0x4A, 0x24, 1, TARGET, "from the list")})])
    s.reg_add("Recent File List", "File1", s.wine_path(path))
    s.start_sink(TARGET)
    s.start_tarvel()  # nothing on the command line
    check_equal("title", "recent.tvm - Tarvel", s.window().title)
    check_equal("row of button 6", ["Pad One", "6", "Shift + J", TARGET, "from the list"],
                s.rows()[5].texts)
    s.drive("press", 0, 5)
    check(s.wait_keys(4), f"no keystroke from the reopened file: {s.keys()}")
    s.passes(0, 3)
    check_equal("keys", [("WM_KEYDOWN", 0x10, 0), ("WM_KEYDOWN", 0x4A, 0), ("WM_KEYUP", 0x4A, 0),
                         ("WM_KEYUP", 0x10, 0)], [k.short() for k in s.keys()])


@scenario("config.save_round_trip", timeout=60)
def save_round_trip(s):
    """Save (Ctrl+S) writes the configuration as the program holds it, here after Refresh added a
    controller: tarvelcfg reads back the opened records and the new one, the rows of hats and
    axes of a controller that is not attached too (listed after its buttons meanwhile)."""
    records = [
        Record(instance_guid(0), product_guid(0), "Pad One, the first", 5, {
            0: Mapping(0x70, 0x3B, 7, "Notepad,Main", "all modifiers, commas"),
            2: Mapping(0xDE, 0x28, 0, "", "a quote ' and a backslash \\"),
            4: Mapping(0x20, 0x39, 4, "X" * 63, "D" * 63),
        }),
        Record(instance_guid(9), product_guid(9), "Not attached", 3,
               {1: Mapping(0x41, 0x1E, 2, TARGET, "")},
               {"Pov2Left": Mapping(0x25, 0x4B, 0, "", "left"),
                "XPlus": Mapping(0x44, 0x20, 0, TARGET, "", action="Hold")}),
    ]
    new_record = Record(instance_guid(1), product_guid(1), "Pad Two", 3, {})
    original = s.files / "original.tvm"
    expected = s.files / "expected.tvm"
    saved = s.files / "saved.tvm"
    write_config(original, records)
    write_config(saved, records)
    write_config(expected, records + [new_record])
    expected_dump = json.loads(s.tarvelcfg_dump(expected))
    check_equal("records of the expected file", 3, len(expected_dump["records"]))

    s.add_controller(0, "Pad One", 5)
    s.start_tarvel(s.wine_path(saved))
    s.add_controller(1, "Pad Two", 3)
    s.command(ID_JOYSTICK_REFRESH)
    s.dialog("Tarvel")
    s.drive("click-button", "Tarvel", "Yes")
    s.drive("wait", 1, "calls.getdevicestate", ">=", 2, 5000)

    check_equal("rows of the record not attached",
                [["Not attached", name] for name in ("1", "2", "3", "POV 2 Left", "X Axis +")],
                [row.texts[:2] for row in s.rows()[5:10]])
    check_equal("file before Save", original.read_bytes(), saved.read_bytes())
    before = saved.stat().st_mtime_ns
    # Ctrl+S in the program's window.
    check(s.window().foreground, "the program's window is not in the foreground")
    s.drive("keybd", 0x11, "down")
    s.drive("keybd", 0x53)
    s.drive("keybd", 0x11, "up")
    wait_saved(saved, before)
    check_equal("the saved configuration, as tarvelcfg reads it", expected_dump,
                json.loads(s.tarvelcfg_dump(saved)))
