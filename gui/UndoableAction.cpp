#include "gui/UndoableAction.h"

// Out of line, so the class has one home for its virtual table.
UndoableAction::~UndoableAction() = default;
