#include "app/TAppForm.h"
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
#include <QTreeWidget>

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
        QCOMPARE(TAppForm::HelpAddress(product), QStringLiteral("http://127.0.0.1:9") + tail);
    }

    void controlsAndTexts()
    {
        TAppForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("KORVANE - Mirelon")); // from the embedded version block
        QCOMPARE(AppVersion, QStringLiteral("1.1"));
        QCOMPARE(form.ComboBoxAction->count(), 4);
        QCOMPARE(form.ComboBoxAction->currentText(), QStringLiteral("Mark Faces in Image"));
        QCOMPARE(form.ComboBoxAction->itemText(3), QStringLiteral("Export Face Positions"));
        QCOMPARE(form.ComboBoxExtension->currentText(), QStringLiteral("PNG"));
        QCOMPARE(form.Button1->text(), QStringLiteral("Convert"));
        QCOMPARE(form.ListView1->headerItem()->text(0), QStringLiteral("Image File"));
        QCOMPARE(form.Help2->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(form.UpdateNotifications1->isChecked());
        QVERIFY(!form.UpdateNotifications1->isEnabled());
        QCOMPARE(form.Label2->buddy(), form.Edit1);
        QCOMPARE(form.Button3->accessibleName(), QStringLiteral("Change Destination Folder"));
        QCOMPARE(form.ToolButton5->toolTip(), QStringLiteral("Show aboutbox"));
        QVERIFY(!form.MemoCMD->isVisible());
    }
};

QTEST_MAIN(TestAppForm)
#include "tst_appform.moc"
