#include "harvest/ResultPageParser.h"
