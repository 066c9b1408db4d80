#include "ui/Prompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/PaymentDialog.h"
#include "ui/SignInDialog.h"

namespace ui {

namespace {

QString boxTitle() {
    return QCoreApplication::applicationName();
}

// A message box grows with its text until it leaves the screen; a long report (the
// summary of a conversion) goes into a text area that scrolls, and can be copied.
constexpr int kLongTextLines = 16;

bool showLong(QWidget* parent, QStyle::StandardPixmap icon, const QString& text) {
    if (text.count(QLatin1Char('\n')) < kLongTextLines)
        return false;
    QDialog box(parent);
    box.setWindowTitle(boxTitle());
    auto* symbol = new QLabel(&box);
    const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    symbol->setPixmap(box.style()->standardIcon(icon).pixmap(side, side));
    auto* area = new QPlainTextEdit(text, &box);
    area->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(symbol, 0, Qt::AlignTop);
    row->addWidget(area, 1);
    auto* column = new QVBoxLayout(&box);
    column->addLayout(row);
    column->addWidget(buttons);
    const QRect screen = box.screen()->availableGeometry();
    box.resize(qMin(720, screen.width() * 9 / 10), qMin(520, screen.height() * 8 / 10));
    box.exec();
    return true;
}

}  // namespace

void QtPrompt::information(QWidget* parent, const QString& text) {
    if (!showLong(parent, QStyle::SP_MessageBoxInformation, text))
        QMessageBox::information(parent, boxTitle(), text, QMessageBox::Ok);
}

bool QtPrompt::confirm(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, boxTitle(), text, QMessageBox::Yes | QMessageBox::No) !=
           QMessageBox::No;
}

void QtPrompt::error(QWidget* parent, const QString& text) {
    if (!showLong(parent, QStyle::SP_MessageBoxCritical, text))
        QMessageBox::critical(parent, boxTitle(), text, QMessageBox::Ok);
}

std::optional<QString> QtPrompt::saveFileName(QWidget* parent, const SaveFileRequest& request) {
    QFileDialog dialog(parent, request.title, m_startFolder, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> Prompt::openFileName(QWidget*, const OpenFileRequest&) {
    return std::nullopt;
}

std::optional<QString> QtPrompt::openFileName(QWidget* parent, const OpenFileRequest& request) {
    QFileDialog dialog(parent, request.title, m_startFolder, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void Prompt::beep(QWidget*) {
    QApplication::beep();
}

std::optional<ledger::Payment> Prompt::takePayment(QWidget*, const PaymentRequest& request) {
    return ledger::Payment::exactCash(request.due);
}

std::optional<ledger::Payment> QtPrompt::takePayment(QWidget* parent,
                                                     const PaymentRequest& request) {
    PaymentDialog dialog(request, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.payment();
}

bool Prompt::signIn(QWidget*, Cashiers&) {
    return false;
}

bool QtPrompt::signIn(QWidget* parent, Cashiers& cashiers) {
    SignInDialog dialog(cashiers, parent);
    return dialog.exec() == QDialog::Accepted;
}

void QtPrompt::openExternal(const QString& target) {
    openWithDesktop(target);
}

void openWithDesktop(const QString& target) {
    const QUrl url(target);
    if (!url.scheme().isEmpty() && url.scheme().size() > 1) {
        QDesktopServices::openUrl(url);
        return;
    }
    // A one-letter "scheme" would be a drive letter elsewhere; here it is a file name.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

}  // namespace ui
