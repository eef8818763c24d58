// Identifiers that the application framework knows: its strings, the commands it handles, its
// bars and the status bar's panes. A program's resource header includes this one and adds its own.
#pragma once

// ---- Strings of the framework
#define IDS_APP_TITLE 57344
#define IDS_IDLE_MESSAGE 57345
#define IDS_UNTITLED 61184
#define IDS_SAVE_CHANGES 61185
#define IDS_CANNOT_OPEN 61186
#define IDS_CANNOT_SAVE 61187
#define IDS_ALL_FILES 61188
#define IDS_NO_PRINTER 61189
#define IDS_PRINTER_ERROR 61190
#define IDS_PRINT_FAILED 61191
#define IDS_OPEN_TITLE 61192
#define IDS_SAVE_AS_TITLE 61193
// Prompts of the system menu's commands: IDS_SYSTEM_PROMPTS + ((SC_xxx & 0x0FF0) >> 4).
#define IDS_SYSTEM_PROMPTS 61200
#define IDS_SC_SIZE 61200
#define IDS_SC_MOVE 61201
#define IDS_SC_MINIMIZE 61202
#define IDS_SC_MAXIMIZE 61203
#define IDS_SC_NEXTWINDOW 61204
#define IDS_SC_PREVWINDOW 61205
#define IDS_SC_CLOSE 61206
#define IDS_SC_RESTORE 61218
#define IDS_SC_TASKLIST 61219

// ---- Commands that the framework knows
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_FILE_PRINT_SETUP 57606
#define ID_FILE_PRINT 57607
#define ID_FILE_PRINT_DIRECT 57608
#define ID_FILE_MRU_FILE1 57616
#define ID_FILE_MRU_FILE2 57617
#define ID_FILE_MRU_FILE3 57618
#define ID_FILE_MRU_FILE4 57619
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

// ---- Bars of the frame. A bar's child identifier is also the View command that shows or hides it.
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393
#define IDW_TOOLBAR 59392
#define IDW_STATUS_BAR 59393
#define IDW_REBAR 59396
#define IDW_VIEW 59648

// ---- Status bar panes: the message pane, then the lock key indicators
#define ID_SEPARATOR 0
#define ID_INDICATOR_CAPS 59137
#define ID_INDICATOR_NUM 59138
#define ID_INDICATOR_SCRL 59139
