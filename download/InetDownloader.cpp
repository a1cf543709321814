#include "download/InetDownloader.h"
