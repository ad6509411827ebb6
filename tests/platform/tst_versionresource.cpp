#include "platform/SystemError.h"
#include "platform/VersionBlockBuilder.h"
#include "platform/VersionResource.h"
#include "tests/platform/ElfFixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cerrno>
#include <vector>

namespace {

const QString Executable = QStringLiteral(MIRELON_BINARY_DIR "/mirelon");

std::vector<uchar> loadBlock(const QString &path)
{
    const quint32 size = GetFileVersionInfoSizeW(path);
    std::vector<uchar> block(size);
    if (size == 0 || !GetFileVersionInfoW(path, size, block.data()))
        return {};
    return block;
}

QString textAt(const uchar *p)
{
    QString text;
    for (; qFromLittleEndian<quint16>(p) != 0; p += 2)
        text += QChar(qFromLittleEndian<quint16>(p));
    return text;
}

VersionBlockContents fixtureContents(std::array<quint16, 4> version)
{
    VersionBlockContents c;
    c.fileVersion = version;
    c.productVersion = version;
    c.stringTables = {{QStringLiteral("040904E4"), {{QStringLiteral("CompanyName"), QStringLiteral("X")}}}};
    c.translations = {{0x0409, 0x04E4}};
    return c;
}

} // namespace

class TestVersionResource : public QObject {
    Q_OBJECT

private slots:
    // Offsets follow from the Windows layout rules alone (6-byte node headers, UTF-16 keys,
    // values and children on 4-byte boundaries), so they check the block that the build embeds.
    void embeddedBlockHasWindowsLayout()
    {
        const std::vector<uchar> block = loadBlock(Executable);
        QVERIFY2(!block.empty(), qPrintable(SystemError::MessageFor(GetLastError())));
        const uchar *b = block.data();
        auto u16 = [b](int at) { return qFromLittleEndian<quint16>(b + at); };
        auto u32 = [b](int at) { return qFromLittleEndian<quint32>(b + at); };

        QCOMPARE(u16(0), quint16(block.size()));
        QCOMPARE(u16(2), quint16(52)); // VS_FIXEDFILEINFO
        QCOMPARE(u16(4), quint16(0));
        QCOMPARE(textAt(b + 6), QStringLiteral("VS_VERSION_INFO"));
        QCOMPARE(u32(40), 0xFEEF04BDu);
        QCOMPARE(u32(48), 0x00010001u); // file version 1.1
        QCOMPARE(u32(52), 0x00000000u); // .0.0
        QCOMPARE(u32(56), 0x00010001u); // product version 1.1
        QCOMPARE(u32(60), 0x00000000u);

        QCOMPARE(u16(92 + 4), quint16(1));
        QCOMPARE(textAt(b + 92 + 6), QStringLiteral("StringFileInfo"));
        QCOMPARE(textAt(b + 128 + 6), QStringLiteral("040904E4"));
        QCOMPARE(u16(152), quint16(48)); // first string: header, key, padding, "KORVANE" and its zero
        QCOMPARE(u16(152 + 2), quint16(8));
        QCOMPARE(u16(152 + 4), quint16(1));
        QCOMPARE(textAt(b + 152 + 6), QStringLiteral("CompanyName"));
        QCOMPARE(textAt(b + 184), QStringLiteral("KORVANE"));

        const void *value = nullptr;
        quint32 length = 0;
        QVERIFY(VerQueryValueW(b, QStringLiteral("\\"), &value, &length));
        QCOMPARE(length, 52u);
        QCOMPARE(static_cast<const uchar *>(value), b + 40);
        QVERIFY(VerQueryValueW(b, QStringLiteral("\\VarFileInfo\\Translation\\"), &value, &length));
        QCOMPARE(length, 4u);
        QCOMPARE(QByteArray(static_cast<const char *>(value), 4), QByteArray("\x09\x04\xE4\x04", 4));
    }

    void textQueries_data()
    {
        QTest::addColumn<QString>("subBlock");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("text");
        QTest::newRow("key asked in lowercase") << "\\StringFileInfo\\040904e4\\CompanyName" << true << "KORVANE";
        QTest::newRow("every name in another case") << "\\stringfileinfo\\040904E4\\ORIGINALFILENAME" << true << "mirelon.exe";
        QTest::newRow("OriginalFileName finds OriginalFilename") << "\\StringFileInfo\\040904e4\\OriginalFileName" << true << "mirelon.exe";
        QTest::newRow("doubled and trailing backslashes") << "\\\\StringFileInfo\\040904e4\\\\ProductName\\" << true << "Mirelon";
        QTest::newRow("prefix of a name") << "\\StringFileInfo\\040904e4\\Company" << false << "";
        QTest::newRow("name with extra letters") << "\\StringFileInfo\\040904e4\\CompanyNames" << false << "";
        QTest::newRow("other translation") << "\\StringFileInfo\\04090000\\CompanyName" << false << "";
        QTest::newRow("value not stored") << "\\StringFileInfo\\040904e4\\Comments" << false << "";
    }
    void textQueries()
    {
        QFETCH(QString, subBlock);
        QFETCH(bool, found);
        QFETCH(QString, text);
        const std::vector<uchar> block = loadBlock(Executable);
        QVERIFY(!block.empty());
        const void *value = nullptr;
        quint32 length = 0;
        SetLastError(0);
        QCOMPARE(VerQueryValueW(block.data(), subBlock, &value, &length), found);
        if (found) {
            QCOMPARE(textAt(static_cast<const uchar *>(value)), text);
            QCOMPARE(length, quint32(text.size() + 1));
        } else {
            QCOMPARE(GetLastError(), ENODATA);
        }
    }

    void emptyTextIsZeroTerminated()
    {
        VersionBlockContents c = fixtureContents({1, 0, 0, 0});
        c.stringTables[0].values = {{QStringLiteral("Comments"), QString()}};
        QByteArray block = BuildVersionBlock(c);
        const void *value = nullptr;
        quint32 length = 99;
        const QString path = QStringLiteral("\\StringFileInfo\\040904E4\\Comments");
        QVERIFY(VerQueryValueW(block.constData(), path, &value, &length));
        QCOMPARE(length, 1u);
        QCOMPARE(textAt(static_cast<const uchar *>(value)), QString());

        // Some writers store an empty text with no characters at all; it still reads as "".
        const qsizetype node = block.indexOf(QByteArray("C\0o\0m\0m\0e\0n\0t\0s\0", 16)) - 6;
        qToLittleEndian<quint16>(0, block.data() + node + 2);
        QVERIFY(VerQueryValueW(block.constData(), path, &value, &length));
        QCOMPARE(length, 0u);
        QCOMPARE(textAt(static_cast<const uchar *>(value)), QString());
    }

    // Every way a file can fail to give a version block: no size, no block, no version number.
    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");
        const QByteArray sound = BuildVersionBlock(fixtureContents({1, 0, 0, 0}));
        QTest::newRow("missing file") << "absent" << QByteArray() << ENOENT;
        QTest::newRow("folder") << "." << QByteArray() << EISDIR;
        QTest::newRow("empty file") << "empty" << QByteArray("") << ENOEXEC;
        QTest::newRow("text file") << "text" << QByteArray("#!/bin/sh\necho hello\n") << ENOEXEC;
        QTest::newRow("ELF without the section") << "plain" << ElfFixture::withSection({}, {}) << ENODATA;
        QTest::newRow("section of another name")
            << "other" << ElfFixture::withSection(".mirelon.versions", sound) << ENODATA;
        QTest::newRow("ELF cut before its headers")
            << "cut" << ElfFixture::withSection(VersionSectionName, sound).left(200) << ENOEXEC;
        QTest::newRow("section of junk")
            << "junk" << ElfFixture::withSection(VersionSectionName, QByteArray(64, '\xAB')) << EBADMSG;
        QTest::newRow("block longer than its section")
            << "short" << ElfFixture::withSection(VersionSectionName, sound.left(sound.size() / 2)) << EBADMSG;
    }
    void unreadableFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (!bytes.isNull())
            QVERIFY(ElfFixture::write(path, bytes));

        SetLastError(0);
        QCOMPARE(GetFileVersionInfoSizeW(path), 0u);
        QCOMPARE(GetLastError(), code);
        std::vector<uchar> buffer(4096);
        SetLastError(0);
        QVERIFY(!GetFileVersionInfoW(path, quint32(buffer.size()), buffer.data()));
        QCOMPARE(GetLastError(), code);
        QCOMPARE(GetFileVersion(path), 0xFFFFFFFFu);
    }

    void bufferTooSmall()
    {
        const quint32 size = GetFileVersionInfoSizeW(Executable);
        QVERIFY(size > 0);
        std::vector<uchar> buffer(size);
        QVERIFY(!GetFileVersionInfoW(Executable, size - 1, buffer.data()));
        QCOMPARE(GetLastError(), ERANGE);
    }

    void fileVersion_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("10.0.3.7") << BuildVersionBlock(fixtureContents({10, 0, 3, 7})) << 0x000A0000u;
        QTest::newRow("65535.2.0.0") << BuildVersionBlock(fixtureContents({65535, 2, 0, 0})) << 0xFFFF0002u;
        VersionBlockContents noFixed = fixtureContents({1, 1, 0, 0});
        noFixed.hasFixedInfo = false;
        QTest::newRow("no fixed information") << BuildVersionBlock(noFixed) << 0xFFFFFFFFu;
    }
    void fileVersion()
    {
        QFETCH(QByteArray, block);
        QFETCH(quint32, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fixture"));
        QVERIFY(ElfFixture::write(path, ElfFixture::withSection(VersionSectionName, block)));
        QCOMPARE(GetFileVersion(path), expected);
    }

    void systemErrorMessage_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no code") << 0 << "A call to an OS function failed";
        QTest::newRow("no such file") << ENOENT << "System Error.  Code: 2.\r\nNo such file or directory";
        QTest::newRow("no version section") << ENODATA << "System Error.  Code: 61.\r\nNo data available";
    }
    void systemErrorMessage()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        SetLastError(code);
        try {
            RaiseLastOSError();
            QFAIL("nothing raised");
        } catch (const SystemError &error) {
            QCOMPARE(error.code(), code);
            QCOMPARE(error.message(), message);
        }
    }
};

QTEST_GUILESS_MAIN(TestVersionResource)
#include "tst_versionresource.moc"
