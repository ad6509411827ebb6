#include "app/convert/ConvertOptions.h"

#include "processing/VideoStep.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {
struct ActionWord {
    const char *word;
    Action action;
};
constexpr ActionWord ActionWords[] = {{"export", Action::ExportFacePositions},
                                      {"mark", Action::MarkFacesInImage},
                                      {"blur", Action::BlurFacesInImage},
                                      {"save", Action::SaveFacesAsSeparateImages}};
const QStringList Formats{QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("webp"), QStringLiteral("bmp")};

int wholeNumber(const QString &option, const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > highest)
        throw UsageError(QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                             .arg(option).arg(lowest).arg(highest).arg(text));
    return value;
}

QCommandLineOption withValue(const QString &shortName, const QString &longName, const QString &valueName)
{
    QStringList names{longName};
    if (!shortName.isEmpty())
        names.prepend(shortName);
    return QCommandLineOption(names, QString(), valueName);
}

// The parser's own texts ("Unknown option 'x'.") in the style of the command's other messages.
QString usageText(const QCommandLineParser &parser)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().constFirst();
        return QStringLiteral("unknown option \"%1%2\"").arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
    }
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}
} // namespace

ConvertOptions ParseConvertArguments(const QStringList &arguments, int cores)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption action = withValue(QStringLiteral("a"), QStringLiteral("action"), QStringLiteral("ACTION"));
    const QCommandLineOption format = withValue(QStringLiteral("f"), QStringLiteral("format"), QStringLiteral("FORMAT"));
    const QCommandLineOption destination = withValue(QStringLiteral("d"), QStringLiteral("destination"), QStringLiteral("DIR"));
    const QCommandLineOption jobs = withValue(QStringLiteral("j"), QStringLiteral("jobs"), QStringLiteral("N"));
    const QCommandLineOption timeLimit = withValue(QStringLiteral("t"), QStringLiteral("time-limit"), QStringLiteral("SECONDS"));
    const QCommandLineOption cover = withValue(QStringLiteral("c"), QStringLiteral("cover-seconds"), QStringLiteral("SECONDS"));
    const QCommandLineOption filesFrom = withValue(QString(), QStringLiteral("files-from"), QStringLiteral("FILE"));
    const QCommandLineOption null(QStringList{QStringLiteral("0"), QStringLiteral("null")});
    const QCommandLineOption quiet(QStringList{QStringLiteral("q"), QStringLiteral("quiet")});
    const QCommandLineOption verbose(QStringList{QStringLiteral("v"), QStringLiteral("verbose")});
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("V"), QStringLiteral("version")});
    parser.addOptions({action, format, destination, jobs, timeLimit, cover, filesFrom, null, quiet, verbose, help, version});
    // The parser takes the first argument for the program's name.
    if (!parser.parse(QStringList{QStringLiteral("mirelon-convert")} + arguments))
        throw UsageError(usageText(parser));

    ConvertOptions options;
    if (parser.isSet(help) || parser.isSet(version)) {
        options.help = parser.isSet(help);
        options.version = !options.help;
        return options;
    }
    for (const QCommandLineOption &single : {action, format, destination, jobs, timeLimit, cover})
        if (parser.values(single).size() > 1)
            throw UsageError(QStringLiteral("--%1 is given more than once").arg(single.names().constLast()));

    if (parser.isSet(action)) {
        const QString word = parser.value(action);
        const auto *found = std::find_if(std::begin(ActionWords), std::end(ActionWords),
                                         [&word](const ActionWord &a) { return word == QLatin1String(a.word); });
        if (found == std::end(ActionWords))
            throw UsageError(QStringLiteral("unknown action \"%1\" (export, mark, blur or save)").arg(word));
        options.action = found->action;
    }
    if (parser.isSet(format)) {
        options.format = parser.value(format);
        if (!Formats.contains(options.format))
            throw UsageError(QStringLiteral("unknown format \"%1\" (png, jpg, webp or bmp)").arg(options.format));
    }
    options.destination = parser.value(destination);
    if (options.destination.isEmpty())
        throw UsageError(QStringLiteral("missing destination (--destination DIR)"));
    if (options.destination.contains(QChar(u'\0')))
        throw UsageError(QStringLiteral("invalid characters in the destination"));
    options.jobs = parser.isSet(jobs) ? wholeNumber(QStringLiteral("jobs"), parser.value(jobs), 1, MaximumJobs)
                                      : std::clamp(cores, 1, MaximumJobs);
    if (parser.isSet(timeLimit))
        options.timeLimitSeconds = wholeNumber(QStringLiteral("time-limit"), parser.value(timeLimit), 1, 7 * 24 * 3600);
    if (parser.isSet(cover)) {
        const std::optional<double> seconds = ParseVideoCoverSeconds(parser.value(cover));
        if (!seconds)
            throw UsageError(QStringLiteral("--cover-seconds takes seconds from 0 to %1, not \"%2\"")
                                 .arg(MaximumVideoCoverSeconds).arg(parser.value(cover)));
        options.coverSeconds = *seconds;
    }
    options.paths = parser.positionalArguments();
    options.filesFrom = parser.values(filesFrom);
    if (options.filesFrom.contains(QString()))
        throw UsageError(QStringLiteral("--files-from takes a file name, not \"\""));
    if (options.paths.count(StandardInputName) + options.filesFrom.count(StandardInputName) > 1)
        throw UsageError(QStringLiteral("standard input (-) is given more than once"));
    if (options.paths.isEmpty() && options.filesFrom.isEmpty())
        throw UsageError(QStringLiteral("no pictures given (PATH..., - or --files-from FILE)"));
    options.nulSeparated = parser.isSet(null);
    options.quiet = parser.isSet(quiet);
    options.verbose = parser.isSet(verbose);
    return options;
}

QString ConvertUsage()
{
    return QStringLiteral(
        "Usage: mirelon-convert [OPTION]... -d DIR PATH...\n"
        "       mirelon-convert [OPTION]... -d DIR --files-from FILE\n"
        "       find ... -print0 | mirelon-convert [OPTION]... -0 -d DIR -\n"
        "Finds the faces in each picture and video and writes the result into DIR, named after it.\n"
        "A PATH is a picture, a video or a folder (its pictures: bmp, gif, png, tif, tiff, jpg, jpeg,\n"
        "heic, heif, avif; its videos: mp4, m4v, mov, mkv, webm, avi); \"-\" reads a list of PATHs\n"
        "from standard input, one a line. A video keeps its extension (export: .txt).\n"
        "\n"
        "  -a, --action ACTION       export (face positions as text), mark, blur or save (each\n"
        "                            face as a picture of its own); default mark\n"
        "  -f, --format FORMAT       png, jpg, webp or bmp, for pictures; default png\n"
        "  -d, --destination DIR     the output folder, created when missing\n"
        "  -j, --jobs N              pictures at a time; default the number of cores\n"
        "  -t, --time-limit SECONDS  a picture taking longer fails (a video: longer without a\n"
        "                            frame done); default 600\n"
        "  -c, --cover-seconds SECONDS\n"
        "                            a face found in a video frame stays covered this long\n"
        "                            before and after it, 0 to 10; default 0.2\n"
        "      --files-from FILE     also convert the PATHs listed in FILE, one a line\n"
        "  -0, --null                lists in and out are separated by NUL bytes, not newlines\n"
        "  -q, --quiet               no progress on standard error, only failures\n"
        "  -v, --verbose             each failure with the full output of its script\n"
        "  -h, --help                show this text\n"
        "  -V, --version             show the version\n"
        "\n"
        "Each file written goes on standard output, one path a line; progress and failures go\n"
        "to standard error. Existing files are never overwritten: a taken name gets \" (2)\", ...\n"
        "Exit status: 0 all pictures done (also when the given folders hold none), 1 some\n"
        "failed or a PATH is missing, 2 bad usage, 130/143 interrupted.\n");
}
