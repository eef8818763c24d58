"""The program's window and settings: Hide on Startup, the tray icon, and what exit stores."""

import json

from harness import (FRAME_CLASS, ID_JOYSTICK_REFRESH, ID_OPTIONS_HIDE_ON_STARTUP,
                     ID_VIEW_HIDE_TO_TRAY, LVM_SETCOLUMNWIDTH, SETTINGS_KEY, WM_LBUTTONDBLCLK, WM_TRAYNOTIFY, Mapping,
                     Record, check, check_equal, instance_guid, product_guid, scenario, wait_for,
                     write_config)

TARGET = "TarvelTarget"
# With no tray on the display, Wine shows the notification icons in a window of its own, which
# is visible exactly while some icon is there.
WINE_TRAY = "__winex11_standalone_tray"


def wait_window(session, condition, what, timeout_s=5):
    return wait_for(session.window, condition, lambda info: f"{what}: {info}", timeout_s, 0.1)


def visible_classes(session):
    return [cls for cls, _ in session.visible_windows()]


def tray_double_click(session):
    session.drive("post", FRAME_CLASS, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK)


@scenario("shell.hide_on_startup", timeout=60)
def hide_on_startup(s):
    """With Hide on Startup the program starts with no window, only the tray icon, and works; a
    double click on the tray icon shows the window in the foreground, another hides it."""
    s.add_controller(0, "Pad One", 4)
    path = s.files / "hidden.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", 4,
                               {1: Mapping(0x48, 0x23, 0, TARGET)})])
    s.reg_add("Options", "HideOnStartup", 1)
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(path))
    s.passes(0, 5)
    check(not s.window().visible, "the main window is visible")
    classes = visible_classes(s)
    check(FRAME_CLASS not in classes, f"visible windows: {classes}")
    check(WINE_TRAY in classes, f"no tray icon; visible windows: {classes}")

    s.drive("press", 0, 1)
    check(s.wait_keys(2), "the hidden program did not send the key")
    s.drive("release", 0, 1)

    tray_double_click(s)
    wait_window(s, lambda w: w.visible and w.foreground, "shown in the foreground")
    tray_double_click(s)
    wait_window(s, lambda w: not w.visible, "hidden again")

    # Whether the icon goes at exit cannot be seen here: Wine drops the icons of a window that
    # is destroyed, whether or not the program removed them.
    check_equal("exit code", 0, s.close_tarvel())


@scenario("shell.exit_stores_settings", timeout=60)
def exit_stores_settings(s):
    """Closing the window offers to save a modified configuration (Yes saves it) and stores the
    placement, the column widths, Hide on Startup and the recent file in the registry."""
    s.add_controller(0, "Pad One", 4)
    path = s.files / "settings.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", 4, {})])
    s.start_tarvel(s.wine_path(path))

    s.drive("move", FRAME_CLASS, 40, 30, 700, 500)
    wait_window(s, lambda w: w.rect == (40, 30, 700, 500), "moved")
    s.drive("list-send", FRAME_CLASS, LVM_SETCOLUMNWIDTH, 2, 137, 2000)
    s.command(ID_OPTIONS_HIDE_ON_STARTUP)
    # A new controller added by Refresh modifies the configuration.
    s.add_controller(1, "Pad Two", 2)
    s.command(ID_JOYSTICK_REFRESH)
    s.dialog("Tarvel")
    s.drive("click-button", "Tarvel", "Yes")
    s.drive("wait", 1, "calls.getdevicestate", ">=", 2, 5000)

    check_equal("exit code", 0, s.close_tarvel(answer="Yes"))
    s.finish()

    saved = json.loads(s.tarvelcfg_dump(path))
    check_equal("devices in the file saved at exit", ["Pad One", "Pad Two"],
                [r["name"] for r in saved["records"]])
    reg = s.user_reg()
    settings = {key[len(SETTINGS_KEY) + 1:]: values for key, values in reg.items()
                if key.startswith(SETTINGS_KEY + "\\")}
    check_equal("Options", {"HideOnStartup": 1}, settings.get("Options"))
    check_equal("MainWindow", {"x": 40, "y": 30, "cx": 700, "cy": 500}, settings.get("MainWindow"))
    view = settings.get("View", {})
    # Six columns, the Action column last.
    check_equal("View keys", [f"Width{i}" for i in range(6)], sorted(view))
    check_equal("Width2", 137, view["Width2"])
    check(all(isinstance(v, int) and v > 0 for v in view.values()), f"column widths: {view}")
    recent = settings.get("Recent File List", {})
    check_equal("File1", s.wine_path(path).lower(), str(recent.get("File1", "")).lower())


@scenario("shell.second_start", timeout=90)
def second_start(s):
    """A second start hands its command line to the running program and ends with exit code 0
    within 2 s: with nothing named the program goes on as it was, and a press still types once;
    with a file named, while the first one is hidden in the tray, the first one shows its
    window in the foreground with that file."""
    s.add_controller(0, "Pad One", 4)
    first = s.files / "first.tvm"
    second = s.files / "second.tvm"
    write_config(first, [Record(instance_guid(0), product_guid(0), "Pad One", 4,
                                {0: Mapping(0x41, 0x1E, 0, TARGET)})])
    write_config(second, [Record(instance_guid(0), product_guid(0), "Pad One", 4,
                                 {0: Mapping(0x42, 0x30, 0, TARGET, "from the second")})])
    s.start_sink(TARGET)
    s.start_tarvel(s.wine_path(first))

    code, seconds = s.start_again()
    check_equal("exit code of the second start", 0, code)
    check(seconds < 2, f"the second start took {seconds:.2f} s")
    check_equal("frames", 1, visible_classes(s).count(FRAME_CLASS))
    s.drive("press", 0, 0)
    check(s.wait_keys(2), "the press did not type")
    s.drive("release", 0, 0)
    s.passes(0, 10)
    check_equal("keys of one press", [("WM_KEYDOWN", 0x41, 0), ("WM_KEYUP", 0x41, 0)],
                [k.short() for k in s.keys()])

    s.command(ID_VIEW_HIDE_TO_TRAY)
    wait_window(s, lambda w: not w.visible, "hidden")
    code, seconds = s.start_again(s.wine_path(second))
    check_equal("exit code of the second start with a file", 0, code)
    check(seconds < 2, f"the second start with a file took {seconds:.2f} s")
    wait_window(s, lambda w: w.visible and w.foreground and w.title == "second.tvm - Tarvel",
                "the first program shows second.tvm in the foreground")
    rows = s.rows()
    check_equal("first row of second.tvm", ["Pad One", "1", "B", TARGET, "from the second"],
                rows[0].texts)
    check_equal("exit code", 0, s.close_tarvel())


@scenario("shell.high_dpi", timeout=60)
def high_dpi(s):
    """On a 150 % screen the program starts with its pictures, rows and column widths for
    150 %, not drawn at 100 % and stretched."""
    for key in (r"HKCU\Control Panel\Desktop", r"HKCC\Software\Fonts"):
        s._run(["wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144",
                "/f"], 30)
    s.add_controller(0, "Pad One", 4)
    s.start_tarvel()
    numbers = [int(n) for n in s.drive("cell", FRAME_CLASS, 0, 0).split()[1:5]]
    left, top, right, bottom = numbers
    check(bottom - top >= 24, f"a row is {bottom - top} pixels high")
    # The Device column's width for 100 % is 300; the row picture (24 pixels) stands before it.
    check(right - left >= 420, f"the Device cell is {right - left} pixels wide")
    check_equal("exit code", 0, s.close_tarvel(answer="No"))
