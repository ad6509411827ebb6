#pragma once
#include <QDBusMessage>
#include <QString>
#include <QUrl>

// The desktop's file commands for one file: open it with its default program, show it selected
// in the file manager, show the file manager's Properties of it. Failures are not reported; the
// desktop shows whatever it shows by itself.

void OpenWithDesktop(const QString &path);

// Shows the file selected in the file manager (org.freedesktop.FileManager1.ShowItems); when no
// file manager answers, the containing folder is opened instead.
void ShowInFileManager(const QString &path);

// The file manager's Properties window of the file (org.freedesktop.FileManager1.ShowItemProperties).
void ShowFileProperties(const QString &path);

// The D-Bus calls the two commands above send, exposed so that their arguments can be checked:
// an array holding the file's fully encoded file URL, and an empty startup id.
QDBusMessage ShowItemsMessage(const QString &path);
QDBusMessage ShowItemPropertiesMessage(const QString &path);

// The address the fallback of ShowInFileManager opens: the folder holding the file.
QUrl ContainingFolderUrl(const QString &path);
