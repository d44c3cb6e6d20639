// The command table of the IDE.
#include "ide/frame/commands.h"

#include <string>
#include <vector>

namespace tarn::ide {

namespace {

constexpr CommandInfo SEPARATOR(MenuId m) { return {0, m, "", "", "", Needs::Nothing}; }

using M = MenuId;
using N = Needs;

// The menu items, in menu order.
constexpr CommandInfo MENU_COMMANDS[] = {
    {CM_FILE_NEW, M::File, "&New \t Ctrl+N", "Create a new file", "Ctrl+N", N::Nothing},
    {CM_FILE_OPEN, M::File, "&Open... \t Ctrl+O", "Open an existing file", "Ctrl+O", N::Nothing},
    {CM_FILE_CLOSE, M::File, "&Close \t Ctrl+W", "Close current file", "Ctrl+W", N::Child},
    SEPARATOR(M::File),
    {CM_FILE_SAVE, M::File, "&Save \t Ctrl+S", "Save current file", "Ctrl+S", N::Editor},
    {CM_FILE_SAVE_AS, M::File, "Save &As...", "Save current file under a new name", "", N::Editor},
    SEPARATOR(M::File),
    {CM_FILE_PAGE_SETUP, M::File, "Page Set&up...", "Configure page layout", "", N::Nothing},
    {CM_FILE_PRINT, M::File, "&Print... \t Ctrl+P", "Print current file", "Ctrl+P",
     N::EditorOrMessages},
    SEPARATOR(M::File),
    {CM_FILE_EXIT, M::File, "E&xit", "Exit Tarn Pascal", "", N::Nothing},

    {CM_EDIT_CUT, M::Edit, "Cu&t \t Ctrl+X", "Move selected text to the clipboard",
     "Ctrl+X; Shift+Del", N::Editor},
    {CM_EDIT_COPY, M::Edit, "&Copy \t Ctrl+C", "Copy selected text to the clipboard",
     "Ctrl+C; Ctrl+Ins", N::Editor},
    {CM_EDIT_PASTE, M::Edit, "&Paste \t Ctrl+V",
     "Paste text from clipboard at current cursor position", "Ctrl+V; Shift+Ins", N::Editor},
    {CM_EDIT_CLEAR, M::Edit, "Clea&r", "Delete selected text from current file", "", N::Editor},
    SEPARATOR(M::Edit),
    {CM_EDIT_SELECT_LINE, M::Edit, "Select &Line", "Select line at current cursor position", "",
     N::Editor},
    {CM_EDIT_SELECT_BLOCK, M::Edit, "Select &Block", "Select code block starting from current line",
     "", N::Editor},
    {CM_EDIT_SELECT_ALL, M::Edit, "&Select All \t Ctrl+A", "Select all text in the current file",
     "Ctrl+A", N::Editor},
    SEPARATOR(M::Edit),
    {CM_EDIT_DELETE_LINE, M::Edit, "&Delete Line \t CTRL+Y",
     "Delete line at current cursor position", "Ctrl+Y", N::Editor},
    SEPARATOR(M::Edit),
    {CM_EDIT_PREFERENCES, M::Edit, "Pr&eferences...", "", "", N::Nothing},

    {CM_SEARCH_FIND, M::Search, "&Find... \t Ctrl+F", "Search for text in current file",
     "Ctrl+F; F5; Alt+F5", N::Editor},
    {CM_SEARCH_REPLACE, M::Search, "&Replace... \t Ctrl+H", "Replace text in current file",
     "Ctrl+H; F6; Alt+F6", N::Editor},
    {CM_SEARCH_FIND_AGAIN, M::Search, "Find &Again \t F3", "Repeat last search or replace",
     "F3; Ctrl+Alt+Y", N::Editor},
    {CM_SEARCH_GOTO_LINE, M::Search, "&Goto Line... \t Ctrl+G", "Goto line by number", "Ctrl+G",
     N::Editor},

    {CM_PROJECT_COMPILE, M::Project, "&Compile \t F9", "Compile current program", "F9; Alt+F9",
     N::Nothing},
    {CM_PROJECT_RUN, M::Project, "&Run \t Ctrl+F9", "Run current program", "Ctrl+F9", N::Nothing},
    SEPARATOR(M::Project),
    {CM_PROJECT_NEW, M::Project, "&New...", "Create a new project", "", N::Nothing},
    {CM_PROJECT_OPEN, M::Project, "&Open...", "Open an existing project", "", N::Nothing},
    {CM_PROJECT_OPTIONS, M::Project, "O&ptions...", "Set project options", "", N::Nothing},
    {CM_PROJECT_CHOOSE_PROGRAM, M::Project, "Choose &Program...", "Choose current program", "",
     N::Nothing},

    {CM_WINDOW_TILE, M::Window, "&Tile \t Shift+F4", "Tile windows", "Shift+F4", N::Nothing},
    {CM_WINDOW_CASCADE, M::Window, "&Cascade \t Shift+F5", "Cascade windows", "Shift+F5",
     N::Nothing},

    {CM_HELP_USER, M::Help, "&User's Manual", "Display the Tarn Pascal User's Manual", "",
     N::Nothing},
    {CM_HELP_PROGREF, M::Help, "Programmer's &Reference Manual",
     "Display the Tarn Pascal Programmer's Reference Manual", "", N::Nothing},
    {CM_HELP_WORD, M::Help, "Search For &Word \t F1", "Search help for the current word",
     "F1; Ctrl+F1", N::Nothing},
    SEPARATOR(M::Help),
    {CM_HELP_ABOUT, M::Help, "&About...", "Display program information and version number", "",
     N::Nothing},

    // Commands with keys and no menu item.
    {CM_FILE_CLOSE_ALL, M::Hidden, "", "", "", N::Nothing},
    {CM_EDIT_SELECT_WORD, M::Hidden, "", "", "", N::Editor},
    {CM_EDIT_SELECT_GROW, M::Hidden, "", "", "", N::Editor},
    {CM_EDIT_CONTEXT_MENU, M::Hidden, "", "", "", N::Editor},
    {CM_WINDOW_NEXT, M::Hidden, "", "", "Ctrl+F6", N::Child},
    {CM_WINDOW_PREVIOUS, M::Hidden, "", "", "Ctrl+F5", N::Child},
};

struct Table {
    std::vector<std::string> keys;  // storage of the bookmark rows' key texts
    std::vector<CommandInfo> rows;
    Table() {
        rows.assign(std::begin(MENU_COMMANDS), std::end(MENU_COMMANDS));
        keys.reserve(20);
        for (int n = 0; n <= 9; ++n)
            keys.push_back("Ctrl+Shift+" + std::to_string(n) + "; Alt+" + std::to_string(n));
        for (int n = 0; n <= 9; ++n) keys.push_back("Ctrl+" + std::to_string(n));
        for (int n = 0; n <= 9; ++n)
            rows.push_back(
                {CM_EDIT_SET_BOOKMARK + n, M::Hidden, "", "", keys[size_t(n)].c_str(), N::Editor});
        for (int n = 0; n <= 9; ++n)
            rows.push_back({CM_EDIT_GOTO_BOOKMARK + n, M::Hidden, "", "",
                            keys[size_t(10 + n)].c_str(), N::Editor});
    }
};

const Table& TheTable() {
    static const Table table;
    return table;
}

}  // namespace

std::span<const CommandInfo> CommandTable() { return TheTable().rows; }

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : CommandTable())
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace tarn::ide
