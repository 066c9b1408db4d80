#pragma once

#include <QString>
#include <stdexcept>

namespace store {

// Every failure of the store is reported through this one type, with a message the
// shop keeper can read in the error box: it names the book, and the row and column
// where one is involved.
class StoreError : public std::runtime_error {
public:
    // What a failure asks of the window that shows it beyond its text: most are that text
    // in an error box, two call for a box of their own.
    enum class Kind { Plain, ServerUnavailable, OldFormatBook };

    explicit StoreError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }
    virtual Kind kind() const { return Kind::Plain; }

private:
    QString m_message;
};

// The spreadsheet server could not be started; callers show their fixed install message
// and give up the operation without a further word.
class ServerUnavailable : public StoreError {
public:
    using StoreError::StoreError;
    Kind kind() const override { return Kind::ServerUnavailable; }
};

// A book in the older binary spreadsheet format (the compound-file kind of the Windows
// desktop era): it cannot be read as it is, but it can be converted, which callers that
// can start the converter offer instead of showing the message.
class OldFormatBook : public StoreError {
public:
    using StoreError::StoreError;
    Kind kind() const override { return Kind::OldFormatBook; }
};

}  // namespace store
