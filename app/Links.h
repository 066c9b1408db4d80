#pragma once

#include <QString>

namespace app {

// Where the program's help, home page and mail lead.
inline const QString kHelpFile = QStringLiteral("tvstorekeep.chm");
inline const QString kHomePage = QStringLiteral("https://tavelo.example.com/");
inline const QString kDownloadPage = QStringLiteral("https://tavelo.example.com/download/");
inline const QString kMailLink = QStringLiteral("mailto:service@tavelo.example.com");

}  // namespace app
