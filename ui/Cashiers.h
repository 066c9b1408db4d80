#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace ui {

struct AppContext;

// Who works the till. A shop may keep a list of cashiers, each with a PIN or without; the
// one signed in names every document made until another signs in. Every window's copy of
// the context shares one, so that a change of cashier reaches all of them at once.
class Cashiers {
public:
    virtual ~Cashiers() = default;

    // Those to choose from at the sign-in; empty when the shop keeps no list.
    virtual QStringList names() const = 0;
    virtual bool hasPin(const QString& name) const = 0;
    // Signs `name` in when `pin` is theirs, or they have none. Empty when signed in, else
    // why not, in the words the sign-in shows.
    virtual QString trySignIn(const QString& name, const QString& pin) = 0;
    // How long the sign-in refuses every try after too many wrong PINs; 0 when it takes one.
    virtual int secondsToWait() const = 0;

    // What the sign-in says while it refuses every try.
    static QString waitMessage(int seconds);

    // The one signed in; empty before anyone is.
    const QString& current() const { return m_current; }

protected:
    void setCurrent(const QString& name) { m_current = name; }

private:
    QString m_current;
};

// Asks who is at the till, when the shop keeps a list of cashiers. False when it does and
// nobody signed in.
bool signInAtTill(const AppContext& context, QWidget* parent);

}  // namespace ui
