// The command line of mirelon-convert: defaults, every option long and short, lists, and each
// kind of bad usage.
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
        QCOMPARE(options.coverSeconds, 0.2);
        QCOMPARE(options.paths, QStringList{"a.jpg"});
    }

    // The temporal cover of videos: seconds from 0 to 10, as the window's setting takes them.
    void coverSeconds_data()
    {
        QTest::addColumn<QStringList>("option");
        QTest::addColumn<double>("seconds");
        QTest::newRow("none") << QStringList{"-c", "0"} << 0.0;
        QTest::newRow("fraction") << QStringList{"--cover-seconds", "0.5"} << 0.5;
        QTest::newRow("longest") << QStringList{"--cover-seconds=10"} << 10.0;
        QTest::newRow("joined short") << QStringList{"-qc1.25"} << 1.25;
        QTest::newRow("exponent") << QStringList{"-c", "3e-1"} << 0.3;
    }
    void coverSeconds()
    {
        QFETCH(QStringList, option);
        QFETCH(double, seconds);
        QCOMPARE(ParseConvertArguments(option + QStringList{"-d", "o", "clip.mp4"}, 1).coverSeconds, seconds);
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

    // Each long option has its short form; short ones may be compacted, and the value may follow
    // at once or as the next argument.
    void shortOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("separate") << QStringList{"-a", "blur", "-f", "jpg", "-d", "out", "-j", "3", "-t", "20", "-0", "-q",
                                                 "-v", "p.jpg"};
        QTest::newRow("values joined") << QStringList{"-ablur", "-fjpg", "-dout", "-j3", "-t20", "-0qv", "p.jpg"};
        QTest::newRow("compacted with a value") << QStringList{"-0qvj3", "-t", "20", "-a", "blur", "-f", "jpg", "-d", "out",
                                                               "p.jpg"};
        QTest::newRow("long") << QStringList{"--action=blur", "--format=jpg", "--destination=out", "--jobs=3",
                                             "--time-limit=20", "--null", "--quiet", "--verbose", "p.jpg"};
    }
    void shortOptions()
    {
        QFETCH(QStringList, arguments);
        const ConvertOptions options = ParseConvertArguments(arguments, 1);
        QCOMPARE(options.action, Action::BlurFacesInImage);
        QCOMPARE(options.format, QString("jpg"));
        QCOMPARE(options.destination, QString("out"));
        QCOMPARE(options.jobs, 3);
        QCOMPARE(options.timeLimitSeconds, 20);
        QVERIFY(options.nulSeparated && options.quiet && options.verbose);
        QCOMPARE(options.paths, QStringList{"p.jpg"});
    }

    // "-" is standard input, as a PATH or a list; lists come with or without PATHs.
    void lists_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("filesFrom");
        QTest::newRow("standard input") << QStringList{"-d", "o", "-"} << QStringList{"-"} << QStringList{};
        QTest::newRow("list file only") << QStringList{"-d", "o", "--files-from", "l.txt"} << QStringList{}
                                        << QStringList{"l.txt"};
        QTest::newRow("two lists and paths") << QStringList{"-d", "o", "a.jpg", "--files-from=-", "--files-from", "l", "b"}
                                             << QStringList{"a.jpg", "b"} << QStringList{"-", "l"};
        QTest::newRow("a file called -") << QStringList{"-d", "o", "./-"} << QStringList{"./-"} << QStringList{};
    }
    void lists()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, filesFrom);
        const ConvertOptions options = ParseConvertArguments(arguments, 1);
        QCOMPARE(options.paths, paths);
        QCOMPARE(options.filesFrom, filesFrom);
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

    void helpAndVersionNeedNothingElse_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("help");
        QTest::newRow("--help") << QStringList{"--help"} << true;
        QTest::newRow("-h among others") << QStringList{"-j", "2", "-h", "p.jpg"} << true;
        QTest::newRow("--version") << QStringList{"--version"} << false;
        QTest::newRow("-V") << QStringList{"-V"} << false;
    }
    void helpAndVersionNeedNothingElse()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, help);
        const ConvertOptions options = ParseConvertArguments(arguments, 1);
        QCOMPARE(options.help, help);
        QCOMPARE(options.version, !help);
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
        QTest::newRow("unknown option") << (QStringList{"--colour"} + tail) << "unknown option \"--colour\"";
        QTest::newRow("unknown short option") << (QStringList{"-x"} + tail) << "unknown option \"-x\"";
        QTest::newRow("standard input twice") << (QStringList{"-", "--files-from", "-"} + tail) << "more than once";
        QTest::newRow("empty list name") << (QStringList{"--files-from", ""} + tail) << "--files-from";
        QTest::newRow("option without value") << QStringList{"p.jpg", "--destination"} << "destination";
        QTest::newRow("given twice") << (QStringList{"--format", "png", "-f", "jpg"} + tail) << "--format is given more than once";
        const QString cover = "--cover-seconds takes seconds from 0 to 10, not";
        QTest::newRow("cover negative") << (QStringList{"-c", "-0.1"} + tail) << cover + " \"-0.1\"";
        QTest::newRow("cover too long") << (QStringList{"--cover-seconds", "10.5"} + tail) << cover;
        QTest::newRow("cover with unit") << (QStringList{"--cover-seconds", "2s"} + tail) << cover;
        QTest::newRow("cover comma") << (QStringList{"--cover-seconds", "0,5"} + tail) << cover;
        QTest::newRow("cover not a number") << (QStringList{"--cover-seconds", "nan"} + tail) << cover;
        QTest::newRow("cover infinite") << (QStringList{"--cover-seconds", "inf"} + tail) << cover;
        QTest::newRow("cover empty") << (QStringList{"--cover-seconds="} + tail) << cover;
        QTest::newRow("cover twice") << (QStringList{"-c", "1", "-c", "1"} + tail) << "--cover-seconds is given more than once";
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
            QVERIFY2(!error.message().front().isUpper() && !error.message().endsWith(QLatin1Char('.')), qPrintable(error.message()));
        }
    }
};

QTEST_GUILESS_MAIN(TestConvertOptions)
#include "tst_convertoptions.moc"
