#pragma once
#include <QIcon>
#include <QMap>
#include <QPointer>
#include <QString>

class QAbstractButton;
class QMenu;

// A click on a button whose menu is open first closes the menu and then reaches the button
// again; the memory of the last closed menu keeps that click from reopening it at once.
class PopupMemory {
public:
    static constexpr quint32 ReopenGuardMs = 100;

    // True when this click only closed the menu just shown for this button (and the memory is
    // then forgotten, so the next click opens it again).
    bool ClickOnlyClosed(const QAbstractButton *button, const QMenu *menu, quint32 nowMs);
    void Remember(const QAbstractButton *button, const QMenu *menu, quint32 nowMs);

private:
    quint32 closedAt = 0;
    QPointer<const QAbstractButton> lastButton;
    QPointer<const QMenu> lastMenu;
};

// The system's millisecond tick counter (wraps like a 32-bit tick count).
quint32 TickCountMs();

// Shows the menu under the button's lower left corner and waits until it closes, unless this
// click only closed the same menu.
void PopupMenuBelow(QAbstractButton *button, QMenu *menu);

// Adds the application's icon to the collection under the given name.
void AddAppIconToCollection(QMap<QString, QIcon> &collection, const QString &name);
