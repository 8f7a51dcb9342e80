#include "engine/soundlib.h"
