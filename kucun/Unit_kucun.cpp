#include "kucun/Unit_kucun.h"

#include <QFrame>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Pictures.h"

TForm_kucun::TForm_kucun(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—库存查询")) {
    setObjectName(QStringLiteral("Form_kucun"));
    resize(700, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setFixedHeight(57);
    layout->addWidget(Panel1);
    layout->addStretch(1);

    SpeedButton12 = ui::speedButton(Panel1, QStringLiteral("SpeedButton12"),
                                    QStringLiteral("返回菜单"), QString(), 488, 8);
    connect(SpeedButton12, &QToolButton::clicked, this, &TForm_kucun::SpeedButton12Click);
}

void TForm_kucun::SpeedButton12Click() {
    close();
}
