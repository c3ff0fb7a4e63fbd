#pragma once

class MainWindow;

// File > Export ...: the sheet in view as a PNG image or an SVG drawing, or the whole document as
// a PDF logbook (a page a sheet with the settings of every block), by the extension chosen.
// File > Print ...: the logbook on a printer.
void connectExportMenu(MainWindow& window);
