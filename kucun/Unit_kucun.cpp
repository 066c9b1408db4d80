#include "kucun/Unit_kucun.h"

#include <QFrame>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Widgets.h"

TForm_kucun::TForm_kucun(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—库存查询")) {
    setObjectName(QStringLiteral("Form_kucun"));
    QFrame* Panel1 = addStrip(QStringLiteral("Panel1"), 57);
    column()->addStretch(1);

    SpeedButton12 = ui::speedButton(Panel1, QStringLiteral("SpeedButton12"),
                                    QStringLiteral("返回菜单"), QString(), 488, 8);
    connect(SpeedButton12, &QToolButton::clicked, this, &TForm_kucun::SpeedButton12Click);
}

void TForm_kucun::SpeedButton12Click() {
    close();
}
