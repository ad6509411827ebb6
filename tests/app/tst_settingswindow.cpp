#include "platform/AppIdentity.h"
#include "app/AppState.h"
#include "app/MessageDlgWithCaptions.h"
#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "platform/AppPaths.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// This test's executable has a folder of its own, where the window keeps settings.ini.
namespace {
const QByteArray bom("\xEF\xBB\xBF");

QString exeFile(const QString &name)
{
    return ExecutableFolder() + QLatin1Char('/') + name;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void removeAny(const QString &path)
{
    if (QFileInfo(path).isDir())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

QString desktop()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

// Runs `act` on the next modal window once it is up (a dialog's exec() blocks the test).
void onNextModal(std::function<void(QWidget *)> act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start(10);
}

// Closes every message box that opens while it lives, noting "title: text" of each.
class MessageBoxCloser {
public:
    MessageBoxCloser()
    {
        QObject::connect(&poll, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() + QStringLiteral(": ") + box->text();
                box->done(0);
            }
        });
        poll.start(10);
    }
    QStringList seen;

private:
    QTimer poll;
};
} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT

    QTemporaryDir configHome;

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path())); // a fallback never reaches the real one
    }
    void init()
    {
        removeAny(exeFile(QStringLiteral("settings.ini")));
        removeAny(exeFile(QStringLiteral("chk.tmp")));
        LastFolder.clear();
    }
    void cleanup() { init(); }

    // What start-up shows for a file, and what it leaves on disk.
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("content"); // "-" for no file
        QTest::addColumn<QString>("destination"); // "%DESKTOP%" stands for the desktop folder
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("written");
        const QByteArray defaults = bom + "[Settings]\r\nDestination=%DESKTOP%\r\n\r\n";
        QTest::newRow("first start") << QByteArray("-") << "%DESKTOP%" << "PNG" << defaults;
        QTest::newRow("stored WEBP selects WEBP")
            << QByteArray("[Settings]\r\nDestination=/srv/out\r\nFormat=WEBP\r\n") << "/srv/out" << "WEBP"
            << bom + "[Settings]\r\nDestination=/srv/out\r\nFormat=WEBP\r\n\r\n";
        QTest::newRow("letter case of the format must match too")
            << QByteArray("[Settings]\r\nFormat=webp\r\nDestination=/srv/out\r\n") << "/srv/out" << "PNG"
            << bom + "[Settings]\r\nFormat=webp\r\nDestination=/srv/out\r\n\r\n";
        QTest::newRow("names in other letter case")
            << QByteArray("[settings]\r\ndestination=/srv/out\r\nformat=BMP\r\n") << "/srv/out" << "BMP"
            << bom + "[settings]\r\ndestination=/srv/out\r\nformat=BMP\r\n\r\n";
        QTest::newRow("empty destination counts as missing")
            << QByteArray("[Settings]\r\nDestination=\r\nFormat=JPG\r\n") << "%DESKTOP%" << "JPG"
            << bom + "[Settings]\r\nDestination=%DESKTOP%\r\nFormat=JPG\r\n\r\n";
        QTest::newRow("hand-edited: other sections kept, comments dropped")
            << QByteArray("top=1\r\n; mine\r\n[Mine]\r\n  colour = red \r\n\r\n[Settings]\r\nFormat=JPG\r\n")
            << "%DESKTOP%" << "JPG"
            << bom + "[Mine]\r\ncolour=red\r\n\r\n[Settings]\r\nFormat=JPG\r\nDestination=%DESKTOP%\r\n\r\n";
        QTest::newRow("not UTF-8: replaced by defaults")
            << QByteArray("[Settings]\r\nDestination=/home/caf\xE9\r\nFormat=JPG\r\n") << "%DESKTOP%" << "PNG"
            << defaults;
    }
    void startUp()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, destination);
        QFETCH(QString, format);
        QFETCH(QByteArray, written);
        destination.replace(QStringLiteral("%DESKTOP%"), desktop());
        written.replace("%DESKTOP%", desktop().toUtf8());
        if (content != "-")
            writeFile(exeFile(QStringLiteral("settings.ini")), content);

        MessageBoxCloser closer;
        MainWindow form;
        QCOMPARE(SettingsDir, ExecutableFolder() + QLatin1Char('/'));
        QCOMPARE(Part<QLineEdit>(form, "destinationEdit")->text(), destination);
        QCOMPARE(Part<QComboBox>(form, "formatCombo")->currentText(), format);
        QCOMPARE(readFile(exeFile(QStringLiteral("settings.ini"))), written);
        QVERIFY(!QFile::exists(exeFile(QStringLiteral("chk.tmp"))));
        QCOMPARE(closer.seen, QStringList());
    }

    void unwritableExecutableFolderFallsBack()
    {
        writeFile(exeFile(QStringLiteral("chk.tmp")), QByteArray());
        MainWindow form;
        const QString expected = configHome.path() + QLatin1Char('/') + AppCompanyName + QLatin1Char('/') + AppProductName + QLatin1Char('/');
        QCOMPARE(SettingsDir, expected);
        QCOMPARE(readFile(expected + QStringLiteral("settings.ini")),
                 bom + "[Settings]\r\nDestination=" + desktop().toUtf8() + "\r\n\r\n");
        QVERIFY(!QFile::exists(exeFile(QStringLiteral("settings.ini"))));
        QFile::remove(expected + QStringLiteral("settings.ini"));
    }

    void storeUnopenableEvenAfterDeletion()
    {
        QVERIFY(QDir().mkpath(exeFile(QStringLiteral("settings.ini/inside"))));
        MessageBoxCloser closer;
        MainWindow form;
        // Reported, and the window still comes up with its defaults.
        QVERIFY(!closer.seen.isEmpty());
        QVERIFY2(closer.seen.first().startsWith(QStringLiteral("Mirelon: ")), qPrintable(closer.seen.first()));
        QVERIFY2(closer.seen.first().contains(QStringLiteral("settings.ini")), qPrintable(closer.seen.first()));
        QCOMPARE(Part<QLineEdit>(form, "destinationEdit")->text(), desktop());
        QCOMPARE(Part<QComboBox>(form, "formatCombo")->currentText(), QStringLiteral("PNG"));
    }

    void typingRewritesTheFileAtEveryKeystroke()
    {
        MainWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Part<QLineEdit>(form, "destinationEdit")->clear();
        const QByteArray typed("/srv/o");
        for (qsizetype i = 0; i < typed.size(); ++i) {
            QTest::keyClick(Part<QLineEdit>(form, "destinationEdit"), typed[i]);
            QCOMPARE(readFile(SettingsDir + QStringLiteral("settings.ini")),
                     bom + "[Settings]\r\nDestination=" + typed.first(i + 1) + "\r\n\r\n");
        }
        QTest::keyClick(Part<QLineEdit>(form, "destinationEdit"), Qt::Key_Backspace);
        QCOMPARE(readFile(SettingsDir + QStringLiteral("settings.ini")), bom + "[Settings]\r\nDestination=/srv/\r\n\r\n");
    }

    void failedWriteKeepsWhatWasTyped()
    {
        MainWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTemporaryDir dir;
        const QString unwritable = dir.filePath(QStringLiteral("missing/settings.ini"));
        SettingsIni = IniStore(unwritable);

        MessageBoxCloser closer;
        QTest::keyClicks(Part<QLineEdit>(form, "destinationEdit"), QStringLiteral("ab"));
        QCOMPARE(Part<QLineEdit>(form, "destinationEdit")->text(), desktop() + QStringLiteral("ab"));
        QCOMPARE(closer.seen.size(), 2); // one report per failed write
        QVERIFY2(closer.seen.last().startsWith(QStringLiteral("Mirelon: ")), qPrintable(closer.seen.last()));
        QVERIFY2(closer.seen.last().contains(unwritable), qPrintable(closer.seen.last()));
        QCOMPARE(SettingsIni.value(QStringLiteral("Settings"), QStringLiteral("Destination"), QString()), Part<QLineEdit>(form, "destinationEdit")->text());
    }

    // A destination that would not come back the same after a restart is never stored: a text
    // set by the program is refused at once; one being typed is stored once it can be, and
    // refused if the edit ends with it.
    void destinationThatCannotComeBackIsRefused()
    {
        const QString file = SettingsDir + QStringLiteral("settings.ini");
        const QString refusal = QStringLiteral(
            "Mirelon: The setting Destination cannot be stored: it begins or ends with a blank or control character.");
        MainWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Part<QLineEdit>(form, "destinationEdit")->setText(QStringLiteral("/srv/out"));
        {
            MessageBoxCloser closer;
            Part<QLineEdit>(form, "destinationEdit")->setText(QStringLiteral(" /srv/out")); // a relative folder named with a leading blank
            QTRY_COMPARE(closer.seen, QStringList{refusal});
            QCOMPARE(readFile(file), bom + "[Settings]\r\nDestination=/srv/out\r\n\r\n");
        }

        QApplication::setActiveWindow(&form);
        Part<QLineEdit>(form, "destinationEdit")->setFocus();
        QTRY_VERIFY(Part<QLineEdit>(form, "destinationEdit")->hasFocus());
        Part<QLineEdit>(form, "destinationEdit")->clear();
        MessageBoxCloser closer;
        QTest::keyClicks(Part<QLineEdit>(form, "destinationEdit"), QStringLiteral("/my out"));
        QCOMPARE(readFile(file), bom + "[Settings]\r\nDestination=/my out\r\n\r\n");
        QTest::keyClick(Part<QLineEdit>(form, "destinationEdit"), Qt::Key_Space);
        QCOMPARE(readFile(file), bom + "[Settings]\r\nDestination=/my out\r\n\r\n");
        QVERIFY(closer.seen.isEmpty());
        QTest::keyClick(Part<QLineEdit>(form, "destinationEdit"), Qt::Key_Return); // ends the edit with the trailing blank
        QTRY_COMPARE(closer.seen, QStringList{refusal});
        QCOMPARE(Part<QLineEdit>(form, "destinationEdit")->text(), QStringLiteral("/my out ")); // what was typed stays in the box
    }

    void formatStoredOnlyWhenTheUserPicksIt()
    {
        const QString file = exeFile(QStringLiteral("settings.ini"));
        const QByteArray firstStart = bom + "[Settings]\r\nDestination=" + desktop().toUtf8() + "\r\n\r\n";
        {
            MainWindow form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            Part<QComboBox>(form, "formatCombo")->setCurrentIndex(2); // by program: not stored
            QCOMPARE(readFile(file), firstStart);
            Part<QComboBox>(form, "formatCombo")->setFocus();
            QTest::keyClick(Part<QComboBox>(form, "formatCombo"), Qt::Key_Down); // by the user
            QCOMPARE(Part<QComboBox>(form, "formatCombo")->currentText(), QStringLiteral("BMP"));
            QCOMPARE(readFile(file), bom + "[Settings]\r\nDestination=" + desktop().toUtf8() + "\r\nFormat=BMP\r\n\r\n");
        }
        MainWindow next;
        QCOMPARE(Part<QComboBox>(next, "formatCombo")->currentText(), QStringLiteral("BMP"));
    }

    void chooserCancelledChangesNothing()
    {
        MainWindow form;
        const QByteArray before = readFile(exeFile(QStringLiteral("settings.ini")));
        QString title, okLabel;
        onNextModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            title = dialog->windowTitle();
            okLabel = dialog->labelText(QFileDialog::Accept);
            dialog->reject();
        });
        Part<QPushButton>(form, "chooseDestinationButton")->click();
        QCOMPARE(title, QStringLiteral("Select folder:"));
        QCOMPARE(okLabel, QStringLiteral("Select"));
        QCOMPARE(Part<QLineEdit>(form, "destinationEdit")->text(), desktop());
        QCOMPARE(readFile(exeFile(QStringLiteral("settings.ini"))), before);
        QCOMPARE(LastFolder, QString());
    }

    void chooserOpensAtLastFolderAndStoresTheChoice()
    {
        QTemporaryDir last, chosen;
        LastFolder = last.path();
        MainWindow form;
        QString openedAt;
        onNextModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            openedAt = dialog->directory().absolutePath();
            dialog->setDirectory(chosen.path());
            QMetaObject::invokeMethod(dialog, "accept");
        });
        Part<QPushButton>(form, "chooseDestinationButton")->click();
        QCOMPARE(openedAt, last.path());
        QCOMPARE(LastFolder, chosen.path());
        QCOMPARE(Part<QLineEdit>(form, "destinationEdit")->text(), chosen.path());
        QCOMPARE(readFile(exeFile(QStringLiteral("settings.ini"))),
                 bom + "[Settings]\r\nDestination=" + chosen.path().toUtf8() + "\r\n\r\n");
    }

    void resetDeclinedChangesNothing_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("No") << false;
        QTest::newRow("Escape") << true;
    }
    void resetDeclinedChangesNothing()
    {
        QFETCH(bool, escape);
        MainWindow form;
        const QByteArray before = readFile(exeFile(QStringLiteral("settings.ini")));
        QString asked;
        onNextModal([&](QWidget *modal) {
            auto *box = qobject_cast<CaptionedMessageBox *>(modal);
            QVERIFY(box);
            asked = box->windowTitle() + QStringLiteral(": ") + box->text();
            if (escape)
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key_Escape);
            else
                box->button(QMessageBox::No)->click();
        });
        Command(form, "resetToDefaultsAction")->trigger();
        QCOMPARE(asked, QStringLiteral("Confirmation: Restart Application?"));
        QCOMPARE(readFile(exeFile(QStringLiteral("settings.ini"))), before);
        QVERIFY(form.isEnabled());
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
