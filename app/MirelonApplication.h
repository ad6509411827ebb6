#pragma once
#include <QApplication>

// The application object. Errors that no handler catches end up here and are shown in a
// message box captioned with the application title; the application goes on.
class MirelonApplication : public QApplication {
public:
    MirelonApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    static void ShowUnhandledError(const QString &text);
};
