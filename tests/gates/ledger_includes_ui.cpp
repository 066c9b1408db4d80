// Must not compile: the ledger does not link the widgets, so it cannot see their headers.
#include "ledger/Ledger.h"
#include "ui/StringGrid.h"
