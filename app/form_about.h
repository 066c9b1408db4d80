#pragma once

#include <QDialog>

#include "ui/AppContext.h"

class QPushButton;

// The About window: the product, its version and three links to the maker.
class TForm_banben : public QDialog {
    Q_OBJECT
public:
    explicit TForm_banben(const ui::AppContext& context);

private:
    void OKButtonClick();

    QPushButton* OKButton;
};
