#pragma once
// Small dialog routines shared by the options dialog, the save-folder chooser,
// the download window and the copy/move tool.
#include <QString>

class QComboBox;
class QWidget;

// Opens the folder picker and answers the chosen folder ending in "/"; the
// start text when nothing was chosen. The picker starts at the parent of the
// start folder (".../Down/" starts at ".../"), at the home folder when the
// start text is blank or names an empty or missing folder. The picker shows
// folders only; includeFiles is kept for callers that would show files too
// and has no effect with the dialog service's folder picker.
QString BrowseForFolder(QWidget *owner, const QString &start, const QString &title, bool includeFiles);

// Widens the combo's open list to its longest entry (the first of equal
// length) plus 7 pixels, plus a scroll bar from 9 entries on, limited to the
// room right of the combo on its screen and never narrower than the combo.
void FitComboDropDownWidth(QComboBox *combo);
