#include "collections/ImageFormat.h"
