#include "ui/ModuleWindow.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "ledger/BookCommit.h"
#include "ledger/Ledger.h"
#include "store/ValueRules.h"
#include "ui/Cashiers.h"
#include "ui/Clock.h"
#include "ui/ErrorBox.h"
#include "ui/Prompt.h"
#include "ui/Widgets.h"
#include "ui/WorkProgress.h"

namespace ui {

ModuleWindow::ModuleWindow(const AppContext& context, QWidget* menu, const QString& caption)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_context(context),
      m_menu(menu) {
    setWindowTitle(caption);
    resize(700, 480);
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(0);
}

QFrame* ModuleWindow::addStrip(const QString& name, int height) {
    QFrame* strip = panel(this, name);
    strip->setFixedHeight(height);
    m_column->addWidget(strip);
    return strip;
}

void ModuleWindow::FormClose() {
    if (m_menu)
        m_menu->show();
}

void ModuleWindow::keyPressEvent(QKeyEvent* event) {
    // A dialog closes on Escape and clicks its default button on Enter; these are working
    // windows where both keys belong to the grid and the fields, and closing one by a
    // stray key would surprise the shop keeper.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ModuleWindow::showEvent(QShowEvent* event) {
    if (const QScreen* shown = screen()) {
        // The frame is known only once the window has one; a title bar's worth is a fair guess.
        const QSize frame = frameGeometry().size() - geometry().size();
        const QSize room =
            shown->availableGeometry().size() - (frame.isEmpty() ? QSize(0, 32) : frame);
        resize(size().boundedTo(room));
    }
    tabInReadingOrder(this);
    QDialog::showEvent(event);
}

void ModuleWindow::done(int result) {
    // Every way of closing a dialog ends here, so the menu can never stay hidden.
    FormClose();
    QDialog::done(result);
}

void ModuleWindow::showFailure(const store::StoreError& failure) {
    showErrorBox(m_context, this, failure);
}

void ModuleWindow::settleBooks() {
    ui::settleBooks(m_context, this);
}

void settleBooks(const AppContext& context, QWidget* parent) {
    const ledger::Ledger books(context.programDir, context.servers, context.database);
    try {
        const QString done = books.recoverIfIdle();
        if (!done.isEmpty())
            context.prompt->information(parent, done);
    } catch (const ledger::UnsettledCommit& unsettled) {
        if (!unsettled.mayDiscardRecord() ||
            !context.prompt->confirm(
                parent, unsettled.message() + QStringLiteral("\n\n删除这个提交记录吗？"))) {
            context.prompt->error(parent, unsettled.message());
            return;
        }
        try {
            books.discardCommitRecord();
        } catch (const store::StoreError& failure) {
            context.prompt->error(parent, failure.message());
        }
    } catch (const store::StoreError& failure) {
        context.prompt->error(parent, failure.message());
    }
}

bool ModuleWindow::attempt(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const store::StoreError& failure) {
        showFailure(failure);
        return false;
    }
}

std::optional<QDate> ModuleWindow::typedDay(const QLineEdit& edit, const QString& what) {
    const auto day = store::dayOf(edit.text());
    if (!day)
        m_context.prompt->information(
            this,
            QStringLiteral("%1“%2”不是有效的日期，请按 yyyy-mm-dd 输入").arg(what, edit.text()));
    return day;
}

std::optional<ModuleWindow::Period> ModuleWindow::typedPeriod(const QLineEdit& from,
                                                              const QLineEdit& to) {
    const auto first = typedDay(from, QStringLiteral("起始日期"));
    if (!first)
        return std::nullopt;
    const auto last = typedDay(to, QStringLiteral("终止日期"));
    if (!last)
        return std::nullopt;
    if (*last < *first) {
        m_context.prompt->information(this, QStringLiteral("终止日期早于起始日期，请重新输入"));
        return std::nullopt;
    }
    return Period{*first, *last};
}

void ModuleWindow::addToolStrip(std::initializer_list<StripButton> buttons) {
    QFrame* tools = addStrip(QStringLiteral("toolStrip"), 45);
    int left = 8;
    for (const StripButton& b : buttons) {
        *b.button = speedButton(tools, QString::fromUtf8(b.name), QString::fromUtf8(b.caption),
                                QString(), left, 4, 89, 37);
        if (b.click)
            connect(*b.button, &QToolButton::clicked, this, b.click);
        else
            connect(*b.button, &QToolButton::clicked, this, &QDialog::close);
        left += 96;
    }
}

ledger::Origin ModuleWindow::origin() const {
    const Cashiers* cashiers = m_context.cashiers.get();
    const QString& by =
        cashiers && !cashiers->current().isEmpty() ? cashiers->current() : m_context.operatorName;
    return {m_context.till, by, m_context.clock->now()};
}

ModuleWindow::Posted ModuleWindow::postDocument(ledger::Posting kind, const Build& build,
                                                QProgressBar& bar, const ledger::ProgressFn& follow,
                                                ledger::Document* committed) {
    if (m_unsettled.recorded)
        return settleRecordedLines(ledger::verbOf(kind));
    if (!booksWritable(kind))
        return Posted::Not;
    ledger::Ledger books(m_context.programDir, m_context.servers, m_context.database,
                         m_context.offline);
    ledger::Document document;
    document.kind = kind;
    QString told;
    try {
        document = build(origin());
        const auto& unknown = m_unsettled.unknown;
        if (unknown && unknown->sameLines(document))
            document.identity = unknown->identity;
        // Gone before any box below: no wait cursor over a question.
        WorkProgress work(bar);
        told = books.commit(document, [&work, &follow](const ledger::Progress& step) {
            if (follow)
                follow(step);
            work.showStep(step);
        });
    } catch (const ledger::UnsettledCommit& unsettled) {
        // Nothing here may say the books are unchanged: the record decides.
        m_unsettled.recorded = unsettled.outcome() == ledger::UnsettledCommit::Outcome::Completes;
        m_context.prompt->error(this, unsettled.message());
        return Posted::Not;
    } catch (const ledger::AlreadyPosted& posted) {
        m_unsettled = {};
        m_context.prompt->information(this, posted.message());
        return Posted::Already;
    } catch (const ledger::OutcomeUnknown& unknown) {
        m_unsettled.unknown = document;
        m_context.prompt->error(this, unknown.message());
        return Posted::Not;
    } catch (const ledger::Refusal& refusal) {
        showNothingPosted(refusal, document.kind, true);
        return Posted::Not;
    } catch (const store::StoreError& failure) {
        showNothingPosted(failure, document.kind);
        return Posted::Not;
    }
    m_unsettled = {};
    if (committed)
        *committed = document;
    if (!told.isEmpty())
        m_context.prompt->information(this, told);
    return Posted::Now;
}

ModuleWindow::Posted ModuleWindow::settleRecordedLines(const QString& verb) {
    // The record may be carried out now, if the disk lets it; the lines are never posted
    // twice.
    try {
        const QString done =
            ledger::Ledger(m_context.programDir, m_context.servers, m_context.database).recover();
        m_unsettled = {};
        m_context.prompt->information(
            this, (done.isEmpty() ? QString() : done + QStringLiteral("\n\n")) +
                      QStringLiteral("这些数据已经保存，没有再次%1。").arg(verb));
        return Posted::Already;
    } catch (const store::StoreError& failure) {
        m_context.prompt->error(
            this, QStringLiteral("这些数据已经记下，磁盘恢复正常后会自动完成，不能再次%1。\n%2")
                      .arg(verb, failure.message()));
        return Posted::Not;
    }
}

bool ModuleWindow::booksWritable(ledger::Posting kind) {
    // The documents book alone is checked by the commit, which may have to make it.
    if (!ledger::movesStock(kind))
        return true;
    // The journal is named first where a sale has always named it first.
    const QString problem =
        ledger::Ledger(m_context.programDir, m_context.servers, m_context.database)
            .unwritableBook(ledger::journalOf(kind) == store::Book::StockOut
                                ? std::initializer_list<store::Book>{store::Book::StockOut,
                                                                     store::Book::Inventory}
                                : std::initializer_list<store::Book>{store::Book::Inventory,
                                                                     ledger::journalOf(kind)});
    if (problem.isEmpty())
        return true;
    m_context.prompt->information(
        this, problem + QStringLiteral("，没有%1任何数据。").arg(ledger::verbOf(kind)));
    return false;
}

void ModuleWindow::showNothingPosted(const store::StoreError& failure, ledger::Posting kind,
                                     bool plainBox) {
    // A document that moves no goods changes neither the stock nor a journal.
    const QString text =
        failure.message() +
        (ledger::movesStock(kind)
             ? QStringLiteral("\n没有%1任何数据，库存和%2都未改动。")
                   .arg(ledger::verbOf(kind), ledger::recordsOf(kind))
             : QStringLiteral("\n这次没有%1，账本都未改动。").arg(ledger::verbOf(kind)));
    ui::showErrorBox(
        m_context, this, failure,
        ui::ErrorBox{plainBox ? ui::ErrorBox::Kind::Information : ui::ErrorBox::Kind::Error, text});
}

}  // namespace ui
