#include "infowindows/VersionInfo.h"
#include "platform/SystemError.h"
#include "platform/VersionBlockBuilder.h"
#include "platform/VersionResource.h"
#include "tests/platform/ElfFixture.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(VersionBlockContents)

namespace {

const QString Pre = QStringLiteral("pre");

TEXEVersionData prefilled()
{
    return {Pre, Pre, Pre, Pre, Pre, Pre, Pre, Pre, Pre, Pre, Pre, Pre};
}

QStringList fieldsOf(const TEXEVersionData &d)
{
    return {d.CompanyName, d.FileDescription, d.FileVersion, d.InternalName, d.LegalCopyright, d.LegalTrademarks,
            d.OriginalFileName, d.ProductName, d.ProductVersion, d.Comments, d.PrivateBuild, d.SpecialBuild};
}

using Values = QList<std::pair<QString, QString>>;

VersionBlockContents contents(QList<VersionBlockContents::StringTable> tables,
                              QList<std::pair<quint16, quint16>> translations)
{
    VersionBlockContents c;
    c.fileVersion = {1, 1, 0, 0};
    c.productVersion = c.fileVersion;
    c.stringTables = std::move(tables);
    c.translations = std::move(translations);
    return c;
}

QString writeFixture(const QTemporaryDir &dir, const QByteArray &elf)
{
    const QString path = dir.filePath(QStringLiteral("fixture"));
    return ElfFixture::write(path, elf) ? path : QString();
}

} // namespace

class TestVersionInfo : public QObject {
    Q_OBJECT

private slots:
    void realExecutable()
    {
        TEXEVersionData data;
        ReadEXEVersionData(QStringLiteral(MIRELON_BINARY_DIR "/mirelon"), data);
        QCOMPARE(data.CompanyName, QStringLiteral("KORVANE"));
        QCOMPARE(data.ProductName, QStringLiteral("Mirelon"));
        QCOMPARE(data.FileDescription, QStringLiteral("Mirelon"));
        QCOMPARE(data.InternalName, QStringLiteral("Mirelon"));
        QCOMPARE(data.FileVersion, QStringLiteral("1.1.0.0"));
        QCOMPARE(data.ProductVersion, QStringLiteral("1.1.0.0"));
        QCOMPARE(data.OriginalFileName, QStringLiteral("mirelon.exe")); // stored as "OriginalFilename"
        QVERIFY(data.LegalCopyright.contains(QStringLiteral("KORVANE")));
        QCOMPARE(data.Comments, QString()); // not stored: stays as created
        QCOMPARE(MajorMinorVersion(GetFileVersion(QStringLiteral(MIRELON_BINARY_DIR "/mirelon"))), QStringLiteral("1.1"));
    }

    // Every field starts as "pre", so a field that the reader leaves alone stays "pre".
    void fixtures_data()
    {
        QTest::addColumn<VersionBlockContents>("block");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("comments");
        const auto company = [](const QString &text) { return Values{{QStringLiteral("CompanyName"), text}}; };

        QTest::newRow("first of two translations, though the second has more values")
            << contents({{QStringLiteral("040904E4"), company(QStringLiteral("First"))},
                         {QStringLiteral("040704B0"),
                          {{QStringLiteral("CompanyName"), QStringLiteral("Second")},
                           {QStringLiteral("ProductName"), QStringLiteral("Second product")},
                           {QStringLiteral("Comments"), QStringLiteral("Second comments")}}}},
                        {{0x0409, 0x04E4}, {0x0407, 0x04B0}})
            << "First" << Pre << Pre;
        QTest::newRow("translation order, not table order, decides")
            << contents({{QStringLiteral("040904E4"), company(QStringLiteral("US"))},
                         {QStringLiteral("040704B0"), company(QStringLiteral("German"))}},
                        {{0x0407, 0x04B0}, {0x0409, 0x04E4}})
            << "German" << Pre << Pre;
        QTest::newRow("table key stored in lowercase")
            << contents({{QStringLiteral("040904e4"), company(QStringLiteral("K"))}}, {{0x0409, 0x04E4}})
            << "K" << Pre << Pre;
        QTest::newRow("hex letters in the language")
            << contents({{QStringLiteral("0C0A04B0"), company(QStringLiteral("ES"))}}, {{0x0C0A, 0x04B0}})
            << "ES" << Pre << Pre;
        QTest::newRow("value names stored in other cases")
            << contents({{QStringLiteral("040904E4"),
                          {{QStringLiteral("companyname"), QStringLiteral("c")},
                           {QStringLiteral("PRODUCTNAME"), QStringLiteral("P")},
                           {QStringLiteral("CoMmEnTs"), QStringLiteral("x")}}}},
                        {{0x0409, 0x04E4}})
            << "c" << "P" << "x";
        QTest::newRow("empty text empties the field")
            << contents({{QStringLiteral("040904E4"), {{QStringLiteral("CompanyName"), QString()},
                                                       {QStringLiteral("ProductName"), QStringLiteral("P")}}}},
                        {{0x0409, 0x04E4}})
            << "" << "P" << Pre;
        QTest::newRow("no string table for the translation")
            << contents({{QStringLiteral("040704B0"), company(QStringLiteral("German"))}}, {{0x0409, 0x04E4}})
            << Pre << Pre << Pre;
        QTest::newRow("text beyond the basic plane")
            << contents({{QStringLiteral("040904E4"), company(QString::fromUtf8("Kör 😀 ✓"))}}, {{0x0409, 0x04E4}})
            << QString::fromUtf8("Kör 😀 ✓") << Pre << Pre;
    }
    void fixtures()
    {
        QFETCH(VersionBlockContents, block);
        QFETCH(QString, company);
        QFETCH(QString, product);
        QFETCH(QString, comments);
        QTemporaryDir dir;
        const QString path = writeFixture(dir, ElfFixture::withSection(VersionSectionName, BuildVersionBlock(block)));
        QVERIFY(!path.isEmpty());

        TEXEVersionData data = prefilled();
        ReadEXEVersionData(path, data);
        QCOMPARE(data.CompanyName, company);
        QCOMPARE(data.ProductName, product);
        QCOMPARE(data.Comments, comments);
        QCOMPARE(data.FileVersion, Pre);
    }

    void failuresTouchNoField_data()
    {
        QTest::addColumn<QByteArray>("elf");
        QTest::addColumn<QString>("message");
        const QString noData = QStringLiteral("System Error.  Code: 61.\r\nNo data available");
        const Values values{{QStringLiteral("CompanyName"), QStringLiteral("K")}};
        VersionBlockContents noTable = contents({{QStringLiteral("040904E4"), values}}, {});
        noTable.hasTranslationTable = false;
        const VersionBlockContents emptyTable = contents({{QStringLiteral("040904E4"), values}}, {});

        QTest::newRow("missing file") << QByteArray() << "System Error.  Code: 2.\r\nNo such file or directory";
        QTest::newRow("no version section") << ElfFixture::withSection({}, {}) << noData;
        QTest::newRow("not an executable")
            << QByteArray("plain text") << "System Error.  Code: 8.\r\nExec format error";
        QTest::newRow("no translation table")
            << ElfFixture::withSection(VersionSectionName, BuildVersionBlock(noTable)) << noData;
        QTest::newRow("translation table without entries")
            << ElfFixture::withSection(VersionSectionName, BuildVersionBlock(emptyTable)) << noData;
    }
    void failuresTouchNoField()
    {
        QFETCH(QByteArray, elf);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = elf.isNull() ? dir.filePath(QStringLiteral("absent")) : writeFixture(dir, elf);
        QVERIFY(!path.isEmpty());

        TEXEVersionData data = prefilled();
        try {
            ReadEXEVersionData(path, data);
            QFAIL("nothing raised");
        } catch (const SystemError &error) {
            QCOMPARE(error.message(), message);
        }
        QCOMPARE(fieldsOf(data), fieldsOf(prefilled()));
    }

    void majorMinorVersion_data()
    {
        QTest::addColumn<quint32>("fileVersionMS");
        QTest::addColumn<QString>("text");
        QTest::newRow("1.1") << 0x00010001u << "1.1";
        QTest::newRow("10.0") << 0x000A0000u << "10.0";
        QTest::newRow("no version information") << 0xFFFFFFFFu << "65535.65535";
    }
    void majorMinorVersion()
    {
        QFETCH(quint32, fileVersionMS);
        QFETCH(QString, text);
        QCOMPARE(MajorMinorVersion(fileVersionMS), text);
    }

    void versionOfFixtureFile()
    {
        VersionBlockContents c = contents({}, {{0x0409, 0x04E4}});
        c.fileVersion = {10, 0, 3, 7};
        QTemporaryDir dir;
        const QString path = writeFixture(dir, ElfFixture::withSection(VersionSectionName, BuildVersionBlock(c)));
        QCOMPARE(MajorMinorVersion(GetFileVersion(path)), QStringLiteral("10.0"));
    }
};

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
