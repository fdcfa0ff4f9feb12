#pragma once

// Fills the editor column of the tag group table: first every group with a struct definition
// gets the generic struct editor, then the dedicated editors take their groups over. Runs at
// start-up, after the struct definitions are read; running it again starts from scratch.
void RegisterTagEditors();
