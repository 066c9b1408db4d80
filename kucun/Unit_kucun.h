#pragma once

#include "ui/ModuleWindow.h"

class QToolButton;

// The inventory query window, where the shop keeper lists the items that match one condition.
class TForm_kucun : public ui::ModuleWindow {
    Q_OBJECT
public:
    TForm_kucun(const ui::AppContext& context, QWidget* menu);

private:
    void SpeedButton12Click();

    QToolButton* SpeedButton12;
};
