#include "app/MessageDlgWithCaptions.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestMessageDlg : public QObject {
    Q_OBJECT

private slots:
    void result_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closeWindow");
        QTest::addColumn<int>("expected");
        QTest::newRow("Enter on the default Yes") << int(Qt::Key_Return) << false << 6;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false << 2;
        QTest::newRow("window closed") << 0 << true << 2;
    }
    void result()
    {
        QFETCH(int, key);
        QFETCH(bool, closeWindow);
        QFETCH(int, expected);
        CaptionedMessageBox box(QStringLiteral("Restart Application?"), QMessageBox::Question,
                                QMessageBox::Yes | QMessageBox::No, QStringLiteral("Confirmation"),
                                {QStringLiteral("Yes"), QStringLiteral("No")});
        QTimer::singleShot(0, &box, [&] {
            if (closeWindow)
                box.close();
            else
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &box,
                                Qt::Key(key));
        });
        QCOMPARE(box.run(), expected);
        QCOMPARE(box.windowTitle(), QStringLiteral("Confirmation"));
    }

    void noButtonGivesSeven()
    {
        CaptionedMessageBox box(QStringLiteral("q"), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                                QStringLiteral("Confirmation"), {QStringLiteral("Yes"), QStringLiteral("No")});
        QTimer::singleShot(0, &box, [&] { box.button(QMessageBox::No)->click(); });
        QCOMPARE(box.run(), 7);
    }

    void captionsInButtonOrder()
    {
        CaptionedMessageBox box(QStringLiteral("q"), QMessageBox::Question,
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QStringLiteral("T"),
                                {QStringLiteral("Sure"), QStringLiteral("Never")});
        const QList<QAbstractButton *> buttons = box.orderedButtons();
        QCOMPARE(buttons.size(), 3);
        QCOMPARE(buttons[0]->text(), QStringLiteral("Sure"));
        QCOMPARE(buttons[1]->text(), QStringLiteral("Never"));
        QCOMPARE(buttons[2]->text(), box.button(QMessageBox::Cancel)->text()); // beyond the captions: standard
        QCOMPARE(static_cast<QAbstractButton *>(box.defaultButton()), box.button(QMessageBox::Yes));
    }
};

QTEST_MAIN(TestMessageDlg)
#include "tst_messagedlg.moc"
