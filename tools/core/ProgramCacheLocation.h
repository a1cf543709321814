#pragma once
// The cache viewer's BrowserCacheLocation for the running program: the
// persistent browser profile's cache folder and cookies, the folder above the
// home folders as the profiles root, and below each home the same folders
// this program's profiles keep their caches in.
#include "tools/core/BrowserCacheViewer.h"

BrowserCacheLocation ProgramCacheLocation();

// The folder above the home folder, ending in "/" ("/home/" for "/home/kim").
QString ProfilesRootOf(const QString &homeFolder);
