#include "pixmap/pixmap.h"
