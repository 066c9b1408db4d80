#pragma once

#include <QString>
#include <optional>

#include "ledger/Payment.h"

class QWidget;

namespace ui {

class Cashiers;

// What a save dialog asks for.
struct SaveFileRequest {
    QString title;
    QString filter;         // "Excel 文件 (*.xls)"
    QString defaultSuffix;  // without the dot
};

// What an open dialog asks for: a file to read.
struct OpenFileRequest {
    QString title;
    QString filter;
};

// What the till asks the customer for: the document's amount, taken for a sale or paid
// back for a return.
struct PaymentRequest {
    double due = 0;
    bool isReturn = false;
};

// Every box the program shows, and every hand-off to the desktop, goes through here: the
// program uses the desktop's boxes, tests and the driver answer from a script, and no
// test ever waits for a box that nobody will close.
class Prompt {
public:
    virtual ~Prompt() = default;

    virtual void information(QWidget* parent, const QString& text) = 0;
    // Yes and No; the operation goes on unless the answer is No.
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    // The box that ends an operation that failed.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // The chosen file name, or nothing when the dialog was cancelled.
    virtual std::optional<QString> saveFileName(QWidget* parent,
                                                const SaveFileRequest& request) = 0;
    // The chosen file to read, or nothing when the dialog was cancelled. A prompt that
    // answers nothing cancels it.
    virtual std::optional<QString> openFileName(QWidget* parent, const OpenFileRequest& request);
    // The desktop's "open" of a file name or link; its result is not examined.
    virtual void openExternal(const QString& target) = 0;
    // The short sound that makes a shop keeper look at the screen: a scanned code the
    // program cannot simply add.
    virtual void beep(QWidget* parent);
    // The payment of a sale or a return about to be posted, or nothing when the shop keeper
    // cancelled it (then nothing is posted). Unless a dialog asks, the amount is taken in
    // cash exactly.
    virtual std::optional<ledger::Payment> takePayment(QWidget* parent,
                                                       const PaymentRequest& request);
    // The sign-in at the till: who is at it, chosen from `cashiers`, with their PIN when they
    // have one; the dialog stays until `cashiers` signs someone in or it is cancelled. True
    // when someone signed in. A prompt that answers nothing cancels it.
    virtual bool signIn(QWidget* parent, Cashiers& cashiers);
};

// The desktop's own boxes and file dialog.
class QtPrompt : public Prompt {
public:
    void information(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    std::optional<QString> saveFileName(QWidget* parent, const SaveFileRequest& request) override;
    std::optional<QString> openFileName(QWidget* parent, const OpenFileRequest& request) override;
    void openExternal(const QString& target) override;
    std::optional<ledger::Payment> takePayment(QWidget* parent,
                                               const PaymentRequest& request) override;
    bool signIn(QWidget* parent, Cashiers& cashiers) override;

    // The folder the file dialogs open in: the program folder, where the shop keeper's
    // books and exports are, not whatever folder the program was started from.
    void setStartFolder(const QString& folder) { m_startFolder = folder; }

private:
    QString m_startFolder;
};

// Hands a file name or a link to the desktop: a relative name is taken from the current
// directory, anything with a scheme (http:, mailto:) as a link.
void openWithDesktop(const QString& target);

}  // namespace ui
