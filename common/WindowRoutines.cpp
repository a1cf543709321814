#include "common/WindowRoutines.h"
