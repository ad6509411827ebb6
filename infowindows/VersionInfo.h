#pragma once
#include <QString>

// The text values of a file's version block. Every field starts empty.
struct TEXEVersionData {
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTrademarks;
    QString OriginalFileName;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString PrivateBuild;
    QString SpecialBuild;
};

// Reads the text values of the version block of `fileName` into `data`, from the string table
// of the block's first translation. A value the table lacks leaves its field as the caller
// set it. A file without a readable block, or whose block has no translation, raises
// SystemError before any field is touched.
void ReadEXEVersionData(const QString &fileName, TEXEVersionData &data);

// "major.minor" of the most significant half of a fixed file version (major << 16 | minor).
QString MajorMinorVersion(quint32 fileVersionMS);
