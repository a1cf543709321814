#include "download/SlotDownloader.h"
