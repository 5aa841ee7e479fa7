// The counts in the main window's status bar: the contacts each list shows
// and how many of them are new or different.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

struct ListCounts {
    int rows = 0;
    int newRows = 0;
    int diffRows = 0;
};

// Counts the rows of a contacts list by their records' status.
ListCounts CountListRows(HWND list);
// "Palm Desktop: 4 contacts, 1 new, 1 different    Outlook: ..."
std::string StatusCountsText(const ListCounts& palm, const ListCounts& outlook);
// Puts the counts of both lists into the status bar.
void ShowListCounts(HWND statusBar, HWND palmList, HWND outlookList);
#endif
