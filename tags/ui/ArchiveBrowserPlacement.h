#pragma once

class Window;

// The archive browser's place between runs, under the preference ArchiveBrowserPlacement.
// Without a stored placement the browser fills the bottom layer.
void RestoreArchiveBrowserPlacement(Window* browser);
void SaveArchiveBrowserPlacement(const Window* browser);
