#include "infowindows/AboutPopupMenu.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>

bool PopupMemory::ClickOnlyClosed(const QAbstractButton *button, const QMenu *menu, quint32 nowMs)
{
    if (lastButton && lastMenu && lastButton == button && lastMenu == menu
        && static_cast<quint32>(nowMs - closedAt) < ReopenGuardMs) {
        lastButton = nullptr;
        lastMenu = nullptr;
        return true;
    }
    return false;
}

void PopupMemory::Remember(const QAbstractButton *button, const QMenu *menu, quint32 nowMs)
{
    closedAt = nowMs;
    lastButton = button;
    lastMenu = menu;
}

quint32 TickCountMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return static_cast<quint32>(clock.elapsed());
}

void PopupMenuBelow(QAbstractButton *button, QMenu *menu)
{
    static PopupMemory memory;
    if (memory.ClickOnlyClosed(button, menu, TickCountMs()))
        return;
    menu->exec(button->mapToGlobal(QPoint(0, button->height())));
    memory.Remember(button, menu, TickCountMs());
}

void AddAppIconToCollection(QMap<QString, QIcon> &collection, const QString &name)
{
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) // no icon set for the application: our own drawing of it
        icon = QIcon(QStringLiteral(":/infowindows/appicon.svg"));
    collection.insert(name, icon);
}
