#pragma once

#include <QString>
#include <stdexcept>

namespace store {

// Every failure of the store is reported through this one type, with a message the
// shop keeper can read in the error box: it names the book, and the row and column
// where one is involved.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The spreadsheet server could not be started; callers show their fixed install message
// and give up the operation without a further word.
class ServerUnavailable : public StoreError {
public:
    using StoreError::StoreError;
};

// A book in the older binary spreadsheet format (the compound-file kind of the Windows
// desktop era): it cannot be read as it is, but it can be converted, which callers that
// can start the converter offer instead of showing the message.
class OldFormatBook : public StoreError {
public:
    using StoreError::StoreError;
};

}  // namespace store
