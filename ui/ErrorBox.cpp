#include "ui/ErrorBox.h"

#include "store/DataBooks.h"
#include "store/StoreError.h"
#include "ui/OldBooks.h"
#include "ui/Prompt.h"

namespace ui {

ErrorBox errorBox(const store::StoreError& failure, const QString& programDir,
                  const std::optional<ErrorBox>& plain) {
    switch (failure.kind()) {
        case store::StoreError::Kind::OldFormatBook:
            // None of the program folder's books to convert: the failure's own words.
            if (store::oldFormatBooks(programDir).isEmpty())
                return {ErrorBox::Kind::Error, failure.message()};
            return {ErrorBox::Kind::Conversion, {}};
        case store::StoreError::Kind::ServerUnavailable:
            return {ErrorBox::Kind::Information, store::installServerMessage()};
        case store::StoreError::Kind::Plain:
            break;
    }
    return plain.value_or(ErrorBox{ErrorBox::Kind::Error, failure.message()});
}

void showErrorBox(const AppContext& context, QWidget* parent, const store::StoreError& failure,
                  const std::optional<ErrorBox>& plain) {
    const ErrorBox box = errorBox(failure, context.programDir, plain);
    switch (box.kind) {
        case ErrorBox::Kind::Conversion:
            offerConversion(context, parent, true);
            break;
        case ErrorBox::Kind::Information:
            context.prompt->information(parent, box.text);
            break;
        case ErrorBox::Kind::Error:
            context.prompt->error(parent, box.text);
            break;
    }
}

}  // namespace ui
