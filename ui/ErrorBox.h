#pragma once

#include <QString>
#include <optional>

#include "ui/AppContext.h"

class QWidget;

namespace store {
class StoreError;
}

namespace ui {

// The box that tells the shop keeper an operation failed.
struct ErrorBox {
    enum class Kind {
        Error,
        Information,
        // The question whether to convert the folder's books in the older format; it
        // names the books itself, and says that the operation must be done again.
        Conversion,
    };
    Kind kind = Kind::Error;
    QString text;
};

// The box for a store failure, the same in every window: the offer to convert for a book in
// the older format while the program folder holds one, the fixed install message when no
// spreadsheet server could be started, else `plain`, by default the error box with the
// failure's text. A window that says more of an ordinary failure passes its own `plain`.
ErrorBox errorBox(const store::StoreError& failure, const QString& programDir,
                  const std::optional<ErrorBox>& plain = std::nullopt);

// Shows errorBox() over `parent`.
void showErrorBox(const AppContext& context, QWidget* parent, const store::StoreError& failure,
                  const std::optional<ErrorBox>& plain = std::nullopt);

}  // namespace ui
