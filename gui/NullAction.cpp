#include "gui/NullAction.h"

bool NullAction::Do() {
  return true;
}

void NullAction::Undo() {}
