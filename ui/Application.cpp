#include "ui/Application.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

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
}

}  // namespace ui
