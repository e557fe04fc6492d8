#pragma once

// Control and command ids of the main dialog (template 110) and its menus. Commands are
// dispatched by these numbers, so a test presses a control exactly as the user does.
namespace ids {

inline constexpr int IDOK = 1;     // "Close"
inline constexpr int IDCANCEL = 2; // Escape key

inline constexpr int IDD_ABOUTBOX_EN = 100;
inline constexpr int IDD_ABOUTBOX_FR = 101;
inline constexpr int IDD_ABOUTBOX_GE = 102;
inline constexpr int IDS_ABOUTBOX_EN = 103;
inline constexpr int IDS_ABOUTBOX_FR = 104;
inline constexpr int IDS_ABOUTBOX_GE = 105;
inline constexpr int IDD_KESTRELWAVE_DIALOG = 110;
inline constexpr int IDR_MAINFRAME = 128; // icon
inline constexpr int IDD_INPUT_DIALOG = 131;
inline constexpr int IDD_GREP_TOOL = 132;
inline constexpr int IDD_DIRECTORY = 133;

// System-menu About entries, one per language.
inline constexpr int IDM_ABOUTBOX_EN = 0x10;
inline constexpr int IDM_ABOUTBOX_FR = 0x20;
inline constexpr int IDM_ABOUTBOX_GE = 0x30;

inline constexpr int IDC_LIST = 1000;
inline constexpr int IDC_INSERT = 1001;
inline constexpr int IDC_UPDATE = 1002;
inline constexpr int IDC_NAME = 1003;
inline constexpr int IDC_PLAY = 1004;
inline constexpr int IDC_RECORD = 1005;
inline constexpr int IDC_WEB_SEARCH = 1006;
inline constexpr int IDC_SAVE_LIST = 1007;
inline constexpr int IDC_REMOVE = 1008; // command only, no control of its own
inline constexpr int IDC_URL = 1009;
inline constexpr int IDC_LOAD_LIST = 1010;
inline constexpr int IDC_SORT = 1011;
inline constexpr int IDC_SEARCH = 1012;
inline constexpr int IDC_REMOVE_INVALID = 1013;
inline constexpr int IDC_RECORD_LAMP = 1014;
inline constexpr int IDC_INFO_PANE = 1015;
inline constexpr int IDC_PRESELECTIONS_GROUP = 1016;
inline constexpr int IDC_DELETE_RECORDING = 1017;
inline constexpr int IDC_AUTO_SCAN = 1018;
inline constexpr int IDC_HELP = 1019;
inline constexpr int IDC_STATION_LABEL = 1021;
inline constexpr int IDC_URL_LABEL = 1022;
inline constexpr int IDC_TOTALS = 1023;
inline constexpr int IDC_VOLUME = 1030;
inline constexpr int IDC_VOLUME_LABEL = 1031;
inline constexpr int IDC_PROGRAMME_DUMP = 1050; // the hidden "D" button
inline constexpr int IDC_GREP_TOOL = 1051;
inline constexpr int IDC_DIRECTORY = 1052; // button and window-menu entry
inline constexpr int IDC_INPUT_EDIT = 1101;

// The Grep Tool dialog (132).
inline constexpr int IDC_GREP_OUTPUT = 1100;
inline constexpr int IDC_GREP_ADDRESS = 1102;
inline constexpr int IDC_GREP_PERFORM = 1103; // "Perfrorm Auto Scan", the default button
inline constexpr int IDC_GREP_URLS = 1106;

// The Station Directory dialog (133); its Close is IDOK, Escape IDCANCEL.
inline constexpr int IDC_DIR_NAME = 1200;
inline constexpr int IDC_DIR_TAG = 1201;
inline constexpr int IDC_DIR_COUNTRY = 1202;
inline constexpr int IDC_DIR_LANGUAGE = 1203;
inline constexpr int IDC_DIR_CODEC = 1204;
inline constexpr int IDC_DIR_BITRATE = 1205;
inline constexpr int IDC_DIR_SHOW_BROKEN = 1206;
inline constexpr int IDC_DIR_SEARCH = 1207; // the default button
inline constexpr int IDC_DIR_RESULTS = 1208;
inline constexpr int IDC_DIR_STATUS = 1209;
inline constexpr int IDC_DIR_MORE = 1210;
inline constexpr int IDC_DIR_PLAY = 1211;
inline constexpr int IDC_DIR_ADD = 1212;

inline constexpr int IDC_PRESET_FIRST = 2000;       // 2000-2015
inline constexpr int IDC_PRESET_LABEL_FIRST = 3000; // 3000-3015
inline constexpr int IDC_SCOPE = 3201;
inline constexpr int kPresetCount = 16;

// Context-menu commands.
inline constexpr int ID_MENU_PASTE = 4000;
inline constexpr int ID_MENU_COPY = 4001;
inline constexpr int ID_MENU_CUT = 4002;
inline constexpr int ID_MENU_ABANDON = 4003;
inline constexpr int ID_MENU_ASSIGN = 4004;
inline constexpr int ID_MENU_DELETE = 4005;

// Window-menu commands.
inline constexpr int ID_MENU_SPLIT_SONGS = 4100; // "Record songs as separate files"

} // namespace ids
