#pragma once
#include <filesystem>

// Whether a folder looks like a Vorn game folder: one with a tags/ or a local/ folder.
bool IsGameFolder(const std::filesystem::path& folder);

// What a fresh install shows when it finds no game: a box offering the root menu's "Choose Vorn
// Folder", or a demo game written into `demo_folder` by zarv-tool (beside the editor) and opened.
void OfferFirstStart(const std::filesystem::path& demo_folder);
