#include "app/form_about.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Links.h"
#include "ui/HyperlinkLabel.h"
#include "ui/Pictures.h"
#include "ui/Prompt.h"
#include "ui/Widgets.h"

namespace {

QLabel* blueLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                  int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    QPalette blue = label->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(blue);
    label->move(left, top);
    label->adjustSize();
    return label;
}

}  // namespace

TForm_banben::TForm_banben(const ui::AppContext& context)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("Form_banben"));
    setWindowTitle(QStringLiteral("关于本软件"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    QFrame* Panel1 = ui::panel(this, QStringLiteral("Panel1"), QFrame::Sunken);
    Panel1->setFixedSize(270, 190);
    outer->addWidget(Panel1);

    auto* ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(ui::transparentPicture(QStringLiteral("about_icon.jpg")));
    ProgramIcon->move(20, 8);
    ProgramIcon->adjustSize();

    QFont song = font();
    song.setBold(true);
    song.setPixelSize(12);
    QLabel* ProductName = blueLabel(Panel1, QStringLiteral("ProductName"),
                                    QStringLiteral("Tavelo进销存门店版"), song, 104, 16);
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(13);
    // The Song faces here draw Latin letters wider than the desktop this layout was made
    // on: the version keeps its place unless the name would run into it.
    const int versionLeft = std::max(216, ProductName->geometry().right() + 6);
    QLabel* Version = blueLabel(Panel1, QStringLiteral("Version"), QStringLiteral("Ver 2.0"), arial,
                                versionLeft, 14);
    Panel1->setFixedWidth(std::max(270, Version->geometry().right() + 12));

    auto* Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ui::picture(QStringLiteral("about_strip.jpg")));
    Image1->setGeometry(20, 64, 188, 18);

    struct Link {
        const char* name;
        const char* caption;
        const QString& url;
        int top;
    };
    const Link links[] = {
        {"HyperLink1", "Tavelo软件主页", app::kHomePage, 88},
        {"HyperLink2", "下载最新版本", app::kDownloadPage, 108},
        {"HyperLink3", "联系我们：service@tavelo.example.com", app::kMailLink, 130},
    };
    for (const Link& l : links) {
        auto* label = new ui::HyperlinkLabel(Panel1);
        label->setObjectName(QString::fromUtf8(l.name));
        label->setCaption(QString::fromUtf8(l.caption));
        label->setUrl(l.url);
        label->setColor(Panel1->palette().color(QPalette::Window));
        label->setOpener(
            [prompt = context.prompt](const QString& url) { prompt->openExternal(url); });
        label->move(16, l.top);
    }

    OKButton = new QPushButton(QStringLiteral("确 定"), Panel1);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(207, 156, 50, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TForm_banben::OKButtonClick);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm_banben::OKButtonClick() {
    accept();
}
