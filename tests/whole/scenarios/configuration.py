"""Configuration files through the whole program: the most recent file at start-up, Save, and
files in folders named in any language."""

import json

from harness import (ID_FILE_SAVE, ID_JOYSTICK_REFRESH, Mapping, Record, check, check_equal,
                     instance_guid, product_guid, scenario, wait_saved, write_config)

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


@scenario("config.any_language", timeout=90)
def any_language(s):
    """A configuration in a folder named with Cyrillic and accented letters opens from the
    command line, saves, and reopens from the recent-file list at the next start; tarvelcfg
    reads it by that name too."""
    # Wine reads program arguments in the Unix locale's character set.
    s.env["LC_ALL"] = "C.UTF-8"
    s.add_controller(0, "Pad One", 4)
    folder = s.files / "Конфиги àé"
    folder.mkdir()
    path = folder / "Пульт ü.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", 4,
                               {0: Mapping(0x41, 0x1E, 0, TARGET, "first")})])
    s.start_tarvel(s.wine_path(path))
    title = s.window().title
    check(title.endswith(" ü.tvm - Tarvel"), f"title: {title!r}")
    check_equal("row of button 1", ["Pad One", "1", "A", TARGET, "first"], s.rows()[0].texts)

    # A second controller, added by Refresh, modifies the configuration; Save writes it.
    s.add_controller(1, "Pad Two", 2)
    before = path.stat().st_mtime_ns
    s.command(ID_JOYSTICK_REFRESH)
    s.dialog("Tarvel")
    s.drive("click-button", "Tarvel", "Yes")
    s.command(ID_FILE_SAVE)
    wait_saved(path, before)
    check_equal("exit code", 0, s.close_tarvel())
    saved = json.loads(s.tarvelcfg_dump(path))
    check_equal("devices saved", ["Pad One", "Pad Two"], [r["name"] for r in saved["records"]])
    check_equal("files in the folder", [path.name], [p.name for p in folder.iterdir()])

    s.drive("reset-calls")  # so that the next start is seen reading the controller afresh
    s.start_tarvel()  # nothing named: the recent-file list's first file
    title = s.window().title
    check(title.endswith(" ü.tvm - Tarvel"), f"title at the next start: {title!r}")
    check_equal("devices reopened", ["Pad One"] * 4 + ["Pad Two"] * 2,
                [row.texts[0] for row in s.rows()])
    check_equal("exit code", 0, s.close_tarvel())
