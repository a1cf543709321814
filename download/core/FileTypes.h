#pragma once
// The real type of a downloaded document. Addresses on the portal do not say
// whether a document is a PDF or one of the CAJ family, and servers often
// answer with a login or error page instead; so the engines take the type
// from the Content-Type (MimeToExtension), and after every download the file's
// own bytes decide (打开文件判断文件类型, CorrectRowFileType). The file
// commands of the download window use the same routines.
//
// A row whose type ends up "htm" or "html" is a web page, not a document: the
// scheduler's stop rule, the re-download commands and the automatic sign-in
// look for exactly those rows (see DownloadListModel::CountErrorAndPageRows).
#include <QString>

class DownloadListModel;

// The type the file's content shows, in lower case ("pdf", "caj", "htm",
// "mp3", "caa", ...), or "" when the file is missing, unreadable or matches
// nothing. Reads at most the first 10 KB and the last 128 bytes (the whole
// file only when it is under 3 KB).
QString 打开文件判断文件类型(const QString &文件路径);

// A file extension of at most five letters for a Content-Type without its
// parameters ("application/pdf" -> "pdf"), or "" when none fits.
QString MimeToExtension(const QString &contentType);

// Examines the file of row `rowIndex` and, when its content shows another
// type than the row's, moves it to a free name with the detected extension
// and updates the row's name and type through the model. True when the file
// was moved; false (row and file untouched) otherwise.
bool CorrectRowFileType(DownloadListModel &list, int rowIndex);
