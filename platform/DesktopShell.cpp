#include "platform/DesktopShell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace {
const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

QDBusMessage FileManagerCall(const QString &method, const QString &path)
{
    QDBusMessage message = QDBusMessage::createMethodCall(fileManagerService, fileManagerPath, fileManagerService, method);
    const QString uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    message << QStringList{uri} << QString();
    return message;
}

// Sends the call without blocking the window; `onFailure` runs when no file manager answers.
template <typename OnFailure>
void SendToFileManager(const QDBusMessage &message, OnFailure onFailure)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        onFailure();
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [onFailure](QDBusPendingCallWatcher *call) {
        if (call->isError())
            onFailure();
        call->deleteLater();
    });
}
} // namespace

void OpenWithDesktop(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QDBusMessage ShowItemsMessage(const QString &path)
{
    return FileManagerCall(QStringLiteral("ShowItems"), path);
}

QDBusMessage ShowItemPropertiesMessage(const QString &path)
{
    return FileManagerCall(QStringLiteral("ShowItemProperties"), path);
}

QUrl ContainingFolderUrl(const QString &path)
{
    return QUrl::fromLocalFile(QFileInfo(path).absolutePath());
}

void ShowInFileManager(const QString &path)
{
    const QUrl folder = ContainingFolderUrl(path);
    SendToFileManager(ShowItemsMessage(path), [folder] { QDesktopServices::openUrl(folder); });
}

void ShowFileProperties(const QString &path)
{
    SendToFileManager(ShowItemPropertiesMessage(path), [] {});
}
