#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "infowindows/AboutBox.h"
#include "infowindows/FeedbackWindow.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

// The main window's commands open a new modal window each time and destroy it when it closes.
class TestInfoCommands : public QObject {
    Q_OBJECT

private slots:
    void feedbackOpensEmptyEachTime()
    {
        MainWindow form;
        for (int opening = 0; opening < 2; ++opening) {
            QPointer<FeedbackWindow> window;
            QString textAtOpening = QStringLiteral("(not opened)");
            QTimer::singleShot(0, &form, [&] {
                window = qobject_cast<FeedbackWindow *>(QApplication::activeModalWidget());
                if (!window)
                    return;
                textAtOpening = window->messageEdit->toPlainText();
                window->messageEdit->setPlainText(QStringLiteral("left behind"));
                window->close();
            });
            if (opening == 0)
                Command(form, "sendFeedbackAction")->trigger();
            else
                Part<QToolButton>(form, "feedbackButton")->click();
            QCOMPARE(textAtOpening, QString());
            QVERIFY(window.isNull()); // destroyed once closed
        }
    }

    void aboutOpensModal()
    {
        MainWindow form;
        QPointer<AboutBox> window;
        bool modal = false;
        QTimer::singleShot(0, &form, [&] {
            window = qobject_cast<AboutBox *>(QApplication::activeModalWidget());
            if (!window)
                return;
            modal = window->isModal();
            window->close();
        });
        Part<QToolButton>(form, "aboutButton")->click();
        QVERIFY(modal);
        QVERIFY(window.isNull());
    }
};

QTEST_MAIN(TestInfoCommands)
#include "tst_infocommands.moc"
