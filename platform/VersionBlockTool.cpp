// Build-time generator of the executable's version block.
//
//   mirelon_versionblock_tool <output.cpp> <section> <a.b.c.d> <Name=Text>...
//
// Writes a C++ source that places the block, built from the version number and the named
// texts (in the given order), into the named ELF section. The block carries one translation,
// US English with the Western European code page, and its string table under "040904E4".
#include "platform/Errors.h"
#include "platform/VersionBlockBuilder.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace {

std::array<quint16, 4> parseVersion(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    std::array<quint16, 4> numbers{};
    if (parts.size() > 4)
        throw MirelonError(QStringLiteral("Bad version number: ") + text);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const uint n = parts[i].toUInt(&ok);
        if (!ok || n > 0xFFFF)
            throw MirelonError(QStringLiteral("Bad version number: ") + text);
        numbers[size_t(i)] = quint16(n);
    }
    return numbers;
}

QByteArray cppSource(const QByteArray &block, const QByteArray &section)
{
    QByteArray out;
    out += "// Generated at build time by mirelon_versionblock_tool; do not edit.\n";
    out += "// The executable's version block, read back from the file by its section name.\n";
    out += "__attribute__((section(\"" + section + "\"), used, aligned(4)))\n";
    out += "static const unsigned char mirelonVersionBlock[" + QByteArray::number(block.size()) + "] = {";
    for (qsizetype i = 0; i < block.size(); ++i) {
        out += (i % 16 == 0) ? "\n    " : " ";
        out += "0x" + QByteArray::number(uchar(block[i]), 16).rightJustified(2, '0') + ",";
    }
    out += "\n};\n";
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: mirelon_versionblock_tool <output.cpp> <section> <a.b.c.d> <Name=Text>...\n");
        return 2;
    }
    try {
        VersionBlockContents contents;
        contents.fileVersion = parseVersion(args[2]);
        contents.productVersion = contents.fileVersion;
        VersionBlockContents::StringTable table{QStringLiteral("040904E4"), {}};
        for (const QString &pair : args.mid(3)) {
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            if (eq <= 0)
                throw MirelonError(QStringLiteral("Expected Name=Text: ") + pair);
            table.values.append({pair.left(eq), pair.mid(eq + 1)});
        }
        contents.stringTables = {table};
        contents.translations = {{0x0409, 0x04E4}};

        QSaveFile file(args[0]);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(cppSource(BuildVersionBlock(contents), args[1].toUtf8())) < 0 || !file.commit())
            throw MirelonError(QStringLiteral("Cannot write ") + args[0] + QStringLiteral(": ") + file.errorString());
    } catch (const MirelonError &error) {
        std::fprintf(stderr, "mirelon_versionblock_tool: %s\n", qPrintable(error.message()));
        return 1;
    }
    return 0;
}
