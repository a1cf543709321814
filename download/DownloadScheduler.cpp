#include "download/DownloadScheduler.h"
