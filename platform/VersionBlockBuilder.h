#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <utility>

// The contents of a version block: fixed version numbers, string tables keyed by translation
// and the translation list. Numbers are written most significant first (1.1.0.0).
struct VersionBlockContents {
    bool hasFixedInfo = true;
    std::array<quint16, 4> fileVersion{};
    std::array<quint16, 4> productVersion{};

    struct StringTable {
        QString key; // eight hex digits: language, then code page ("040904E4")
        QList<std::pair<QString, QString>> values; // name, text, in stored order
    };
    QList<StringTable> stringTables;
    bool hasTranslationTable = true; // VarFileInfo\Translation, written even when empty
    QList<std::pair<quint16, quint16>> translations; // language, code page
};

// Builds a VS_VERSIONINFO block in the Windows binary layout: every node is wLength,
// wValueLength, wType, a zero-terminated UTF-16LE key and its value, with the value and
// each child starting on a 4-byte boundary. Texts count their length in characters
// including the terminating zero; binary values in bytes. Throws MirelonError when the
// block would exceed the 16-bit lengths of the layout.
QByteArray BuildVersionBlock(const VersionBlockContents &contents);
