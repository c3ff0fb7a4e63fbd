#pragma once

class MainWindow;

// File > Modules ...: asks for a module list and opens the Modules window on it; the window's
// Open document opens the module's document here, as File > Open does.
void connectModulesMenu(MainWindow& window);
