#include "infowindows/VersionInfo.h"

#include "platform/SystemError.h"
#include "platform/VersionResource.h"

#include <QtEndian>

#include <cerrno>
#include <vector>

namespace {

struct Field {
    QString TEXEVersionData::*member;
    const char *name;
};

// Field order is query order.
const Field fields[] = {
    {&TEXEVersionData::CompanyName, "CompanyName"},
    {&TEXEVersionData::FileDescription, "FileDescription"},
    {&TEXEVersionData::FileVersion, "FileVersion"},
    {&TEXEVersionData::InternalName, "InternalName"},
    {&TEXEVersionData::LegalCopyright, "LegalCopyright"},
    {&TEXEVersionData::LegalTrademarks, "LegalTrademarks"},
    {&TEXEVersionData::OriginalFileName, "OriginalFileName"},
    {&TEXEVersionData::ProductName, "ProductName"},
    {&TEXEVersionData::ProductVersion, "ProductVersion"},
    {&TEXEVersionData::Comments, "Comments"},
    {&TEXEVersionData::PrivateBuild, "PrivateBuild"},
    {&TEXEVersionData::SpecialBuild, "SpecialBuild"},
};

// The zero-terminated UTF-16LE text at `text`; a text without its zero ends at the buffer's end.
QString textAt(const void *text, const std::vector<uchar> &buffer)
{
    const auto *p = static_cast<const uchar *>(text);
    const auto *end = buffer.data() + buffer.size();
    QString result;
    for (; p + 2 <= end; p += 2) {
        const quint16 c = qFromLittleEndian<quint16>(p);
        if (c == 0)
            break;
        result.append(QChar(c));
    }
    return result;
}

} // namespace

void ReadEXEVersionData(const QString &fileName, TEXEVersionData &data)
{
    const quint32 size = GetFileVersionInfoSizeW(fileName);
    if (size == 0)
        RaiseLastOSError();
    std::vector<uchar> buffer(size); // released on every way out, raising or not
    if (!GetFileVersionInfoW(fileName, size, buffer.data()))
        RaiseLastOSError();

    const void *translation = nullptr;
    quint32 length = 0;
    if (!VerQueryValueW(buffer.data(), QStringLiteral("\\VarFileInfo\\Translation\\"), &translation, &length))
        RaiseLastOSError();
    if (length < 4) {
        // A translation table without entries names no string table: treated as a missing table.
        SetLastError(ENODATA);
        RaiseLastOSError();
    }
    // Only the first translation counts; the key is formed in lowercase and matches any case.
    const auto *entry = static_cast<const uchar *>(translation);
    const QString key = QString::asprintf("%.4x%.4x", qFromLittleEndian<quint16>(entry),
                                          qFromLittleEndian<quint16>(entry + 2));

    for (const Field &field : fields) {
        const void *text = nullptr;
        quint32 textLength = 0; // the text's own zero ends it, as in the stored block
        const QString path = QStringLiteral("\\StringFileInfo\\") + key + QLatin1Char('\\') + QLatin1String(field.name);
        if (VerQueryValueW(buffer.data(), path, &text, &textLength))
            data.*field.member = textAt(text, buffer);
    }
}

QString MajorMinorVersion(quint32 fileVersionMS)
{
    return QString::asprintf("%d.%d", int(fileVersionMS >> 16), int(fileVersionMS & 0xFFFF));
}
