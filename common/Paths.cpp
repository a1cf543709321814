#include "common/Paths.h"
