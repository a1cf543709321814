#include "download/SaveNames.h"
