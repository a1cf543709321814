#pragma once
// The embedded browser's disk cache as files: which files are cache entries,
// the address each entry file holds, and the deletions the cache viewer
// uses (a whole entry, a file even when read-only, emptied folders).
//
// The engine keeps one file per entry ("<16 hex digits>_0", with "_1" and
// "_s" beside it for further streams); the file starts with a 24-byte header
// (magic number, version, key length, key hash) followed by the entry's key,
// which ends in the address the entry was fetched from.
#include <QString>
#include <QStringList>

#include <optional>

// True for the name (not the path) of an entry's main file.
bool IsCacheEntryFile(const QString &fileName);

// The key stored in the entry file, or nothing when the file cannot be read
// or is not an entry file.
std::optional<QString> ReadCacheEntryKey(const QString &entryFile);

// The address inside a key: the key may carry a "1/0/" style prefix and an
// isolation part ("_dk_<site> <site> <address>"); the address is its last
// word.
QString AddressFromCacheKey(const QString &key);

// Every entry file below the folder, in folder-listing order.
QStringList CacheEntryFiles(const QString &cacheFolder);

// Removes an entry from the cache: its main file and the further stream
// files beside it. The engine treats a missing entry as not cached and
// fetches the address anew.
void DeleteCacheEntry(const QString &entryFile);

// Deletes the file even when it is read-only; a second plain delete is tried
// when it is still there. Failures are ignored.
void 强制删除(const QString &path);

// Removes the folders that are empty, walking the list from its last entry to
// its first (deeper folders come later in a walk, so they go before their
// parents). Failures are ignored.
void 删除空文件夹(const QStringList &folders);
