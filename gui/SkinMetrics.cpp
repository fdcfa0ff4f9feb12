#include "gui/SkinMetrics.h"

SkinMetrics& CurrentSkinMetrics() {
  static SkinMetrics metrics;
  return metrics;
}
