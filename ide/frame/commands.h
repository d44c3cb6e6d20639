// The IDE's commands: one table holds every command's id, the menu it sits in, its menu
// text (the shortcut shown after the tab), the status-bar help shown while it is
// highlighted, its keys and when it is available. The frame builds its menus, toolbar
// and key bindings from this table and dispatches every id to one handler.
#pragma once

#include <span>

namespace tarn::ide {

enum Command : int {
    CM_FILE_NEW = 11000,
    CM_FILE_OPEN = 11001,
    CM_FILE_CLOSE = 11002,
    CM_FILE_CLOSE_ALL = 11003,
    CM_FILE_RECENT = 11004,  // 11004..11012: recent files 1..9
    CM_FILE_SAVE = 11013,
    CM_FILE_SAVE_AS = 11014,
    CM_FILE_PAGE_SETUP = 11015,
    CM_FILE_PRINT = 11016,
    CM_FILE_EXIT = 11017,
    CM_EDIT_CUT = 11100,
    CM_EDIT_COPY = 11101,
    CM_EDIT_PASTE = 11102,
    CM_EDIT_CLEAR = 11103,
    CM_EDIT_SELECT_WORD = 11104,
    CM_EDIT_SELECT_LINE = 11106,
    CM_EDIT_SELECT_BLOCK = 11107,
    CM_EDIT_SELECT_ALL = 11108,
    CM_EDIT_SELECT_GROW = 11109,
    CM_EDIT_DELETE_LINE = 11112,
    CM_EDIT_PREFERENCES = 11113,
    CM_EDIT_CONTEXT_MENU = 11114,
    CM_EDIT_SET_BOOKMARK = 11160,  // 11160..11169: set bookmark 0..9
    CM_EDIT_GOTO_BOOKMARK = 11170,  // 11170..11179: go to bookmark 0..9
    CM_SEARCH_FIND = 11200,
    CM_SEARCH_REPLACE = 11201,
    CM_SEARCH_FIND_AGAIN = 11202,
    CM_SEARCH_GOTO_LINE = 11203,
    CM_PROJECT_NEW = 11300,
    CM_PROJECT_OPEN = 11301,
    CM_PROJECT_OPTIONS = 11302,
    CM_PROJECT_CHOOSE_PROGRAM = 11303,
    CM_PROJECT_RECENT = 11304,  // 11304..11312: recent projects 1..9
    CM_PROJECT_RUN = 11313,
    CM_PROJECT_COMPILE = 11314,
    CM_WINDOW_TILE = 11800,
    CM_WINDOW_CASCADE = 11801,
    CM_WINDOW_NEXT = 11802,
    CM_WINDOW_PREVIOUS = 11803,
    CM_HELP_USER = 11900,
    CM_HELP_PROGREF = 11901,
    CM_HELP_WORD = 11902,
    CM_HELP_ABOUT = 11912,
};

constexpr int RECENT_ENTRIES = 9;

// The drop-down menus, in menu-bar order; Hidden commands have keys but no menu item.
enum class MenuId { File, Edit, Search, Project, Window, Help, Hidden };
constexpr const char* MENU_TITLES[] = {"&File", "&Edit", "&Search", "&Project", "&Window", "&Help"};

// When a command can be chosen, by the kind of the active child window.
enum class Needs {
    Nothing,  // always
    Child,  // any child window (Close)
    Editor,  // an editor window (editing, search, Save)
    EditorOrMessages,  // not when no child is open (Print)
};

struct CommandInfo {
    int id;  // 0: a separator in its menu
    MenuId menu;
    const char* text;  // menu text, "" for hidden commands
    const char* help;  // status-bar help, "" for none
    const char* keys;  // QKeySequence::PortableText, several separated by "; "
    Needs needs;
};

// Every command with a menu item or a key, menus in order, separators between groups.
std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(int id);

}  // namespace tarn::ide
