#pragma once

#include <QString>
#include <QStringList>

namespace app {

// The folder an installed program keeps the shop's books in, inside the user's documents.
inline const QString kDocumentsFolderName = QStringLiteral("Tavelo进销存");

struct ProgramFolder {
    QString path;          // ends with a separator
    bool created = false;  // made with new books at this start: the shop keeper is told, once
};

// Where the books, the settings and the backups are, in this order: the folder named by
// "--dir PATH" (or "--dir=PATH"); the executable's own folder when it holds the inventory
// book or the settings file, as a portable copy does; else the shop's folder in the user's
// documents, which the first start makes with the initial books. No book is ever written over.
// Throws store::StoreError with a message for the shop keeper when none of these can be used.
ProgramFolder chooseProgramFolder(const QStringList& arguments, const QString& executableDir,
                                  const QString& documentsDir);

// What the first start says about the folder it made.
QString firstStartMessage(const ProgramFolder& folder);

}  // namespace app
