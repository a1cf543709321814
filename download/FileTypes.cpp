#include "download/FileTypes.h"
