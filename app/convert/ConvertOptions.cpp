#include "app/convert/ConvertOptions.h"

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
} // namespace

ConvertOptions ParseConvertArguments(const QStringList &arguments, int cores)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption action(QStringLiteral("action"), QString(), QStringLiteral("ACTION"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption destination(QStringLiteral("destination"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), QString(), QStringLiteral("N"));
    const QCommandLineOption timeLimit(QStringLiteral("time-limit"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption verbose(QStringLiteral("verbose"));
    parser.addOptions({action, format, destination, jobs, timeLimit, help, verbose});
    // The parser takes the first argument for the program's name.
    if (!parser.parse(QStringList{QStringLiteral("mirelon-convert")} + arguments))
        throw UsageError(parser.errorText());

    ConvertOptions options;
    if (parser.isSet(help)) {
        options.help = true;
        return options;
    }
    for (const QCommandLineOption &single : {action, format, destination, jobs, timeLimit})
        if (parser.values(single).size() > 1)
            throw UsageError(QStringLiteral("--%1 is given more than once").arg(single.names().constFirst()));

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
    options.verbose = parser.isSet(verbose);
    options.destination = parser.value(destination);
    if (options.destination.isEmpty())
        throw UsageError(QStringLiteral("missing destination (--destination DIR)"));
    if (options.destination.contains(QChar(u'\0')))
        throw UsageError(QStringLiteral("invalid characters in the destination"));
    options.jobs = parser.isSet(jobs) ? wholeNumber(QStringLiteral("jobs"), parser.value(jobs), 1, MaximumJobs)
                                      : std::clamp(cores, 1, MaximumJobs);
    if (parser.isSet(timeLimit))
        options.timeLimitSeconds = wholeNumber(QStringLiteral("time-limit"), parser.value(timeLimit), 1, 7 * 24 * 3600);
    options.paths = parser.positionalArguments();
    if (options.paths.isEmpty())
        throw UsageError(QStringLiteral("no pictures given (PATH...)"));
    return options;
}

QString ConvertUsage()
{
    return QStringLiteral(
        "Usage: mirelon-convert [--action ACTION] [--format FORMAT] --destination DIR\n"
        "                       [--jobs N] [--time-limit SECONDS] [--verbose] PATH...\n"
        "Finds the faces in each picture and writes the result into DIR, named after the picture.\n"
        "A PATH is a picture or a folder (its pictures: bmp, gif, png, tif, tiff, jpg, jpeg, heic, heif,\n"
        "avif).\n"
        "\n"
        "  --action ACTION        export (face positions as text), mark, blur or save (each face\n"
        "                         as a picture of its own); default mark\n"
        "  --format FORMAT        png, jpg, webp or bmp; default png\n"
        "  --destination DIR      the output folder, created when missing\n"
        "  --jobs N               pictures at a time; default the number of cores\n"
        "  --time-limit SECONDS   a picture taking longer fails; default 600\n"
        "  --verbose              show the full output of a failed picture's script\n"
        "  --help                 show this text\n"
        "\n"
        "Existing files are never overwritten: a taken name gets \" (2)\", \" (3)\", ...\n"
        "Exit status: 0 all pictures done, 1 some failed, 2 bad usage, 130/143 interrupted.\n");
}
