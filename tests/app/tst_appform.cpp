#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "platform/AppIdentity.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class TestAppForm : public QObject {
    Q_OBJECT

private slots:
    void helpAddress_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("tail");
        QTest::newRow("own product") << "Mirelon" << "/help/mirelon/";
        QTest::newRow("two words") << "Two Words" << "/help/two-words/";
        QTest::newRow("two blanks") << "A  B" << "/help/a--b/";
        QTest::newRow("letters beyond A-Z kept") << QString::fromUtf8("Ärger Ö") << QString::fromUtf8("/help/Ärger-Ö/");
    }
    void helpAddress()
    {
        QFETCH(QString, product);
        QFETCH(QString, tail);
        qputenv("MIRELON_SERVICE_HOST", "127.0.0.1:9");
        QCOMPARE(MainWindow::helpAddress(product), QStringLiteral("http://127.0.0.1:9") + tail);
    }

    void controlsAndTexts()
    {
        MainWindow form;
        QCOMPARE(form.windowTitle(), QStringLiteral("KORVANE - Mirelon")); // from the embedded version block
        QCOMPARE(AppVersion, QStringLiteral("1.1"));
        QCOMPARE(Part<QComboBox>(form, "actionCombo")->count(), 4);
        QCOMPARE(Part<QComboBox>(form, "actionCombo")->currentText(), QStringLiteral("Mark Faces in Image"));
        QCOMPARE(Part<QComboBox>(form, "actionCombo")->itemText(3), QStringLiteral("Export Face Positions"));
        QCOMPARE(Part<QComboBox>(form, "formatCombo")->currentText(), QStringLiteral("PNG"));
        QCOMPARE(Part<QPushButton>(form, "convertButton")->text(), QStringLiteral("Convert"));
        QCOMPARE(ImageModel(form).headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Image File"));
        QCOMPARE(Command(form, "onlineHelpAction")->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(Command(form, "updateNotificationsAction")->isChecked());
        QVERIFY(!Command(form, "updateNotificationsAction")->isEnabled());
        QCOMPARE(Part<QLabel>(form, "destinationLabel")->buddy(), Part<QLineEdit>(form, "destinationEdit"));
        QCOMPARE(Part<QPushButton>(form, "chooseDestinationButton")->accessibleName(), QStringLiteral("Change Destination Folder"));
        QCOMPARE(Part<QToolButton>(form, "aboutButton")->toolTip(), QStringLiteral("Show aboutbox"));
    }
};

QTEST_MAIN(TestAppForm)
#include "tst_appform.moc"
