#pragma once
// Path and folder routines shared by the download manager, the start-up code,
// the cache viewer and the copy/move tool: existence tests, splitting names,
// walking a folder tree, and the few platform folders the program asks for.
// None of them reports an error: failures fold into false, an empty text or
// an empty list. None of them writes anything, and a walk never follows a
// symbolic link out of the tree it was given.
//
// Paths use "/"; an absolute path ("/...") stands where drive paths were
// expected. A path starting with "//" is the network form.
#include <QString>
#include <QStringList>

// The folder text with "/" appended when it does not end with one.
QString WithTrailingSlash(const QString &folder);

// True when the path names its place from the root ("/..."). A leading ":"
// is part of a file name here, not Qt's prefix for its resources: rows, lists
// and command lines name files on disk.
bool IsAbsoluteFilePath(const QString &path);

// The path, cleaned, from the root: a relative path lies under base (the
// working folder when base is empty).
QString AbsoluteFilePath(const QString &path, const QString &base = QString());

// True when a file (not a folder) is at the path: spaces are trimmed and a
// leading "file://" is removed first. A symbolic link counts as a file unless
// it leads to a folder, so a dangling link is never taken for a free name.
bool FileExists(const QString &path);

// True when a folder (or a link to one) is at the untrimmed path; a path of
// spaces only is false.
bool FolderExists(const QString &path);

struct PathParts
{
    QString folder;    // up to and including the last "/", or empty
    QString baseName;
    QString extension; // without the dot, at most 6 characters, or empty
};
PathParts SplitPath(const QString &path);

struct BracketNumber
{
    QString base;    // the name without a trailing "[number]"
    QString counter; // the trimmed number text, or empty
};
BracketNumber SplitBracketNumber(const QString &name);

// Appends the full paths (no trailing "/") of the folder's subfolders to the
// list, every listing finished before its subfolders are walked. The folder
// must be absolute; it comes back ending in "/". Links to folders are neither
// listed nor walked.
void GetSubFolders(QString &folder, QStringList &list, bool recurse);

// Appends the full path of every file found. Any non-empty folder text is
// tried (a relative one against the working folder); it comes back ending in
// "/". Folder links are not walked.
void GetAllFiles(QString &folder, QStringList &list, bool recurse);

// Extension of the last path segment of a URL or path (without the dot, at
// most 6 characters), or empty.
QString GetUrlFileExt(const QString &text);

// The folder under which the web engine keeps persistent profiles' caches by
// default (QStandardPaths::CacheLocation + "/QtWebEngine", one subfolder per
// profile), or empty. A profile given its own cache path is not found here.
QString GetInternetCacheFolder();

// The folder that holds the C library the program runs with, e.g.
// "/usr/lib/x86_64-linux-gnu", without a trailing "/".
QString GetSystemFolder();

// There are no short names here: answers the path itself when something
// exists there, otherwise empty.
QString GetShortPath(const QString &path);
