#pragma once

#include <QString>

namespace app {

// Where the program's help, home page and mail lead.
inline const QString kHelpFile = QStringLiteral("tvstorekeep.chm");
// The manual that comes with the program, opened when the program folder holds no help file.
inline const QString kManualPage = QStringLiteral("manual/index.html");
inline const QString kHomePage = QStringLiteral("https://tavelo.example.com/");
inline const QString kDownloadPage = QStringLiteral("https://tavelo.example.com/download/");
inline const QString kMailLink = QStringLiteral("mailto:service@tavelo.example.com");

}  // namespace app
