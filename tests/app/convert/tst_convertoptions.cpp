// The command line of mirelon-convert: defaults, every option, and each kind of bad usage.
#include "app/convert/ConvertOptions.h"

#include <QTest>

class TestConvertOptions : public QObject {
    Q_OBJECT

private slots:
    void defaults()
    {
        const ConvertOptions options = ParseConvertArguments({"--destination", "out", "a.jpg"}, 4);
        QCOMPARE(options.action, Action::MarkFacesInImage);
        QCOMPARE(options.format, QString("png"));
        QCOMPARE(options.destination, QString("out"));
        QCOMPARE(options.jobs, 4);
        QCOMPARE(options.timeLimitSeconds, 600);
        QCOMPARE(options.paths, QStringList{"a.jpg"});
    }

    void everyOption()
    {
        const ConvertOptions options = ParseConvertArguments(
            {"--action=save", "--format", "webp", "--destination=/out dir", "--jobs", "3", "--time-limit", "20",
             "a.jpg", "--", "--odd name.png"},
            2);
        QCOMPARE(options.action, Action::SaveFacesAsSeparateImages);
        QCOMPARE(options.format, QString("webp"));
        QCOMPARE(options.destination, QString("/out dir"));
        QCOMPARE(options.jobs, 3);
        QCOMPARE(options.timeLimitSeconds, 20);
        QCOMPARE(options.paths, (QStringList{"a.jpg", "--odd name.png"}));
    }

    void actions_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<Action>("action");
        QTest::newRow("export") << "export" << Action::ExportFacePositions;
        QTest::newRow("mark") << "mark" << Action::MarkFacesInImage;
        QTest::newRow("blur") << "blur" << Action::BlurFacesInImage;
        QTest::newRow("save") << "save" << Action::SaveFacesAsSeparateImages;
    }
    void actions()
    {
        QFETCH(QString, word);
        QFETCH(Action, action);
        QCOMPARE(ParseConvertArguments({"--action", word, "--destination", "o", "p"}, 1).action, action);
    }

    void coresBeyondTheLimitAreCapped()
    {
        QCOMPARE(ParseConvertArguments({"--destination", "o", "p"}, 4096).jobs, MaximumJobs);
    }

    void helpNeedsNothingElse()
    {
        QVERIFY(ParseConvertArguments({"--help"}, 1).help);
        QVERIFY(!ConvertUsage().isEmpty());
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message"); // a part of the one-line message
        const QStringList tail{"--destination", "o", "p.jpg"};
        QTest::newRow("unknown action") << (QStringList{"--action", "paint"} + tail) << "unknown action \"paint\"";
        QTest::newRow("action in capitals") << (QStringList{"--action", "Blur"} + tail) << "unknown action";
        QTest::newRow("unknown format") << (QStringList{"--format", "gif"} + tail) << "unknown format \"gif\"";
        QTest::newRow("missing destination") << QStringList{"p.jpg"} << "missing destination";
        QTest::newRow("empty destination") << QStringList{"--destination", "", "p.jpg"} << "missing destination";
        QTest::newRow("no pictures") << QStringList{"--destination", "o"} << "no pictures";
        QTest::newRow("zero jobs") << (QStringList{"--jobs", "0"} + tail) << "--jobs takes a whole number";
        QTest::newRow("jobs not a number") << (QStringList{"--jobs", "two"} + tail) << "--jobs takes a whole number";
        QTest::newRow("too many jobs") << (QStringList{"--jobs", "100000"} + tail) << "from 1 to 256";
        QTest::newRow("time limit zero") << (QStringList{"--time-limit", "0"} + tail) << "--time-limit";
        QTest::newRow("unknown option") << (QStringList{"--colour"} + tail) << "colour";
        QTest::newRow("option without value") << QStringList{"p.jpg", "--destination"} << "destination";
        QTest::newRow("given twice") << (QStringList{"--format", "png", "--format", "jpg"} + tail) << "more than once";
    }
    void badUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        try {
            ParseConvertArguments(arguments, 2);
            QFAIL("no usage error");
        } catch (const UsageError &error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
            QVERIFY(!error.message().contains(QLatin1Char('\n')));
        }
    }
};

QTEST_GUILESS_MAIN(TestConvertOptions)
#include "tst_convertoptions.moc"
