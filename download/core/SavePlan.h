#pragma once
// Where a row's document is saved and under which name: the one home of the
// save plan of both download methods. Each method keeps its own rules:
//
// - the slots (method 2) make the folder and clean the name before the
//   start, settle an existing file in skip mode without fetching, and number
//   the name in every mode but overwrite;
// - the single connection (method 1) cleans the name and the folder when
//   the response headers have come, takes the type they name, numbers the
//   name only in rename mode, and never writes outside the row's folder.
//
// All of them change the row through the model.
#include "download/core/SaveNames.h"

#include <QString>

class DownloadListModel;

// Method 2, before a Waiting row starts: its folder made to exist (with
// "/"), its name cleaned. False, and the row Failed with "下载失败", when the
// folder cannot be made: the document must not land in the root folder
// instead, where the user would never look for it.
bool PrepareSlotRow(DownloadListModel &list, int row);

// The duplicate decision before a start: in skip mode a row whose file is
// already there (its own name, no dot without a type) becomes Done with
// "已存在，跳过" and the file's length, and the answer is false (nothing to
// fetch); otherwise true.
bool NeedsDownload(DownloadListModel &list, int row, DuplicateMode mode);

// Method 2's save path for a prepared row; the row takes the name used.
QString PlanSlotSavePath(DownloadListModel &list, int row, DuplicateMode mode);

// Method 1's save path once the headers named `extension` (empty: the row's
// type stays): name cleaned, folder made (with "/"), type replaced, the name
// numbered in rename mode only. Empty when the folder cannot be made or the
// path would leave the row's folder.
QString PlanSingleConnectionSavePath(DownloadListModel &list, int row, const QString &extension, DuplicateMode mode);
