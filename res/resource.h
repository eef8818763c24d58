// Identifiers of Tarvel's resources, commands and strings; the one header of tarvel.rc. It
// builds on the framework's own identifiers.
#pragma once

#include "framework/FrameworkIds.h"

// ---- Resources of the main frame's template: menu, accelerators, toolbar, its bitmap, the program
// icon and the template string share one number.
#define IDR_MAINFRAME 128
#define IDR_TRAY_MENU 131
#define IDI_TRAY 130

// ---- Dialogs and their controls
#define IDD_ABOUTBOX 100
#define IDD_HINT_BAR 128
#define IDC_HINT_TEXT 1000
#define IDD_DESCRIPTION 132
#define IDD_JOYSTICKS 133
#define IDD_TARGET_WINDOW 134
#define IDC_DESCRIPTION 1001
#define IDC_JOYSTICK_LIST 1002
#define IDC_MOVE_UP 1003
#define IDC_MOVE_DOWN 1004
#define IDC_DELETE 1005
#define IDC_WINDOW_LIST 1007
#define IDC_SELECTION 1008
#define IDD_ACTION 135
#define IDC_ACTION_TAP 1009
#define IDC_ACTION_HOLD 1010
#define IDC_ACTION_TURBO 1011
#define IDC_TURBO_RATE 1012
#define IDD_THRESHOLDS 136
#define IDC_PRESS_PERCENT 1013
#define IDC_RELEASE_PERCENT 1014
// The Action dialog's controls for sequences, texts, Toggle and the long press
#define IDC_ACTION_TOGGLE 6400
#define IDC_TYPES_KEYS 6401
#define IDC_TYPES_TEXT 6402
#define IDC_SEQUENCE_LIST 6403
#define IDC_SEQUENCE_KEY 6404
#define IDC_STEP_SHIFT 6405
#define IDC_STEP_CTRL 6406
#define IDC_STEP_ALT 6407
#define IDC_STEP_REMOVE 6408
#define IDC_STEP_UP 6409
#define IDC_STEP_DOWN 6410
#define IDC_SEQUENCE_GAP 6411
#define IDC_TEXT_PLACE 6412
#define IDC_TEXT_EDIT 6413
#define IDC_LONG_PRESS 6414
#define IDC_LONG_MS 6415
#define IDC_LONG_KEY 6416

// ---- The mouse: a row's mouse action, the sticks that drive the pointer and the wheel (band 6300)
#define IDC_OUTPUT_MOUSE 6302
#define IDC_MOUSE_ACTION 6303
#define IDC_MOUSE_SHIFT 6304
#define IDC_MOUSE_CTRL 6305
#define IDC_MOUSE_ALT 6306
#define IDD_POINTER 6310
#define IDC_POINTER_STICK 6311
#define IDC_POINTER_SPEED 6312
#define IDC_POINTER_DEAD_ZONE 6313
#define IDC_SCROLL_STICK 6314
#define IDC_SCROLL_DEAD_ZONE 6315
#define IDC_POINTER_DEVICE 6316
#define ID_JOYSTICK_POINTER 6320

// ---- Row pictures of the mapping list: eight images each, white is transparent
#define IDB_ROW_IMAGES_SMALL 26018
#define IDB_ROW_IMAGES_LARGE 26019
#define IDB_ROW_IMAGES_24 26022
// ---- The toolbar's pictures drawn for 150 % and 200 %
#define IDB_TOOLBAR_24 26020
#define IDB_TOOLBAR_32 26021

// ---- Strings of the program
#define IDS_IDLE_HINT 129
#define IDS_CAPTURE_HINT 130
#define IDS_NEW_JOYSTICK 131
#define IDS_START_WITH_WINDOWS_FAILED 132
#define IDS_WAITING_FOR_KEY 133

// ---- Commands of the program
#define ID_JOYSTICK_REFRESH 32771
#define ID_TRAY_SHOW_HIDE 32773
#define ID_VIEW_HIDE_TO_TRAY 32775
#define ID_JOYSTICK_CONFIGURE 32776
#define ID_OPTIONS_HIDE_ON_STARTUP 32779
#define ID_OPTIONS_START_WITH_WINDOWS 32780

// ---- Per-program configurations (Options > Profiles...)
#define ID_OPTIONS_PROFILES 6500
#define IDD_PROFILES 6501
#define IDC_PROFILE_LIST 6502
#define IDC_PROFILE_ADD 6503
#define IDC_PROFILE_EDIT 6504
#define IDC_PROFILE_REMOVE 6505
#define IDC_PROFILE_UP 6506
#define IDC_PROFILE_DOWN 6507
#define IDC_PROFILES_ENABLED 6508
#define IDC_PROFILE_KEEP 6509
#define IDC_PROFILE_DEFAULT 6510
#define IDC_PROFILE_DEFAULT_PATH 6511
#define IDC_PROFILE_BROWSE 6512
#define IDC_PROFILE_PROBLEMS 6513
#define IDD_PROFILE_RULE 6520
#define IDC_RULE_PROGRAM 6521
#define IDC_RULE_TITLE 6522
#define IDC_RULE_PATH 6523
#define IDC_RULE_BROWSE 6524
#define IDS_PROFILE_WAITS 6540
#define IDS_PROFILE_CANNOT_OPEN 6541

// ---- The hint bar, a bar of the program's own in the frame's rebar
#define IDW_HINT_BAR 59397

// ---- Messages of the program's own
#define WM_TRAYNOTIFY 1025
