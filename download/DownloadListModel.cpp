#include "download/DownloadListModel.h"
