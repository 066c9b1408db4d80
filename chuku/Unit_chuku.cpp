#include "chuku/Unit_chuku.h"

#include <QFrame>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Pictures.h"

TForm_chuku::TForm_chuku(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—销售出库")) {
    setObjectName(QStringLiteral("Form_chuku"));
    resize(700, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setFixedHeight(57);
    layout->addWidget(Panel1);
    layout->addStretch(1);

    SpeedButton11 = ui::speedButton(Panel1, QStringLiteral("SpeedButton11"),
                                    QStringLiteral("返回菜单"), QString(), 8, 8);
    connect(SpeedButton11, &QToolButton::clicked, this, &TForm_chuku::SpeedButton11Click);
}

void TForm_chuku::SpeedButton11Click() {
    close();
}
