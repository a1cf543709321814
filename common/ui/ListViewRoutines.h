#pragma once
// Column widths of the program's lists (the download list, the analysis list
// and the cache viewer), with the width codes the windows pass: a positive
// number of pixels, -1 to fit the contents, -2 to fit the contents or the
// header text, whichever is wider.
class QTreeView;

// Column numbers count from 1; a number outside 1..columns, a view without a
// model, or another code changes nothing.
void SetColumnWidth(QTreeView *list, int column, int code);
void AutoSizeAllColumns(QTreeView *list, int code);

// "自动调整列宽" of the download list: every column fitted with -2, then the
// striped background redrawn for its 17-pixel rows.
void FitDownloadListColumns(QTreeView *list);
