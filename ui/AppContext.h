#pragma once

#include <QString>
#include <functional>

#include "store/SpreadsheetServer.h"

namespace ui {

class Prompt;
class Clock;

// What every window is given at construction instead of finding it for itself: the
// folder of the books and the settings file, the boxes, today's date and the spreadsheet
// server. The program passes the executable's folder, the desktop's boxes and the system
// date; tests and the driver pass a scratch folder, scripted answers and a fixed day.
struct AppContext {
    QString programDir;  // ends with a separator
    Prompt* prompt = nullptr;
    const Clock* clock = nullptr;
    store::ServerFactory servers;
    // The footer of every printout: the settings dialog's company name and contact
    // information as they stand at that moment, saved or not. Unset, both are empty.
    std::function<QString()> printFooter = {};

    QString filePath(const QString& fileName) const { return programDir + fileName; }
};

}  // namespace ui
