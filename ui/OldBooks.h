#pragma once

#include "ui/AppContext.h"

class QWidget;

namespace ui {

// Books in the older binary spreadsheet format are converted by the converter tool beside
// the program, run as a child process: a fault while reading a hostile old file then ends
// that process, never the program, and never leaves half a book.
//
// Asks once for every book of the program folder that is in the older format and, on Yes,
// converts them and shows the converter's summary. `afterOperation` adds that the
// interrupted operation must be done again. Returns whether every one was converted; false
// at once when there is none.
bool offerConversion(const AppContext& context, QWidget* parent, bool afterOperation = false);

}  // namespace ui
