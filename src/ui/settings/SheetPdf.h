#pragma once
// Draws the pages of the settings sheet into a PDF: A4, the dialog font embedded, the page number at the
// foot of every page.
#include <QByteArray>
#include <vector>

#include "ui/settings/SettingsSheet.h"

namespace ui {

// Rows of a page (the unit of SheetLineRows); PaginateSheet cuts the sheet with it.
int SheetRowsPerPage();

// The PDF's bytes; empty when the painter could not start.
QByteArray RenderSheetPdf(const std::vector<std::vector<SheetLine>>& pages);

}  // namespace ui
