#include "download/DownloadRow.h"
