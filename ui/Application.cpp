#include "ui/Application.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>

namespace ui {

void prepareApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("Tavelo进销存门店版V2.0"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QStringList songFaces = {QStringLiteral("Noto Serif CJK SC"),
                                   QStringLiteral("AR PL UMing CN")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), songFaces);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), songFaces);
    QFont song(QStringLiteral("宋体"));
    song.setPixelSize(12);
    app.setFont(song);

    // Qt's own words (是/否 on the boxes, the save dialog) in Chinese like the rest of the
    // program, whatever the desktop's language. Without the translations installed they
    // stay English, which is no reason to refuse to start.
    auto* qtWords = new QTranslator(&app);
    if (qtWords->load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtWords);
}

}  // namespace ui
