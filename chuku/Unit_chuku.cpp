#include "chuku/Unit_chuku.h"

#include <QFrame>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/Widgets.h"

TForm_chuku::TForm_chuku(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—销售出库")) {
    setObjectName(QStringLiteral("Form_chuku"));
    QFrame* Panel1 = addStrip(QStringLiteral("Panel1"), 57);
    column()->addStretch(1);

    SpeedButton11 = ui::speedButton(Panel1, QStringLiteral("SpeedButton11"),
                                    QStringLiteral("返回菜单"), QString(), 8, 8);
    connect(SpeedButton11, &QToolButton::clicked, this, &TForm_chuku::SpeedButton11Click);
}

void TForm_chuku::SpeedButton11Click() {
    close();
}
