#pragma once

class MainWindow;

// File > Modules ...: asks for a module list and opens the Modules window on it; the window's
// Open document opens the module's document here, aimed at that module.
void connectModulesMenu(MainWindow& window);
