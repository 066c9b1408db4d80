#pragma once

#include <QUuid>

#include "ui/ModuleWindow.h"

class QToolButton;

namespace ui {
class PanelStatusBar;
class StringGrid;
}  // namespace ui

// 离线单据: the sales and returns this till made while its server was out of reach and
// that are not on the server yet, in the order they were made, each with what became of
// it: waiting to be sent, or refused by the server and why. A refused one is sent again
// once the shop keeper has put right what the server refused (an item entered again), or
// given up after a confirmation; nothing leaves the list otherwise.
class OfflineWindow : public ui::ModuleWindow {
    Q_OBJECT
public:
    OfflineWindow(const ui::AppContext& context, QWidget* menu);

    // The list as the outbox holds it now.
    void refresh();
    // "重新上传": the document picked, or every refused one when none is, sent again.
    void retry();
    // "放弃单据": the refused document picked leaves the outbox unsent, once the shop keeper
    // agrees.
    void drop();

protected:
    // Whatever was sent or refused meanwhile: the list is made afresh as the window shows.
    void showEvent(QShowEvent* event) override;

private:
    // The identity of the document on the grid's current row; none when no row is picked.
    QUuid picked() const;

    QList<QUuid> m_rows;  // by the grid's data rows

    QToolButton* retryButton;
    QToolButton* dropButton;
    QToolButton* returnButton;
    ui::StringGrid* documentGrid;
    ui::PanelStatusBar* status;
};
