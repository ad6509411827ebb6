#include "app/IniStore.h"

#include "platform/Errors.h"
#include "platform/TextTrim.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {
bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool holdsLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

const QByteArray byteOrderMark("\xEF\xBB\xBF");
} // namespace

IniStore IniStore::open(const QString &fileName)
{
    QFile file(fileName);
    if (!file.exists())
        return IniStore(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw MirelonError(QStringLiteral("Cannot open the settings file %1: %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw MirelonError(QStringLiteral("Cannot read the settings file %1: %2").arg(fileName, file.errorString()));
    return parse(bytes, fileName);
}

IniStore IniStore::parse(const QByteArray &bytes, const QString &fileName)
{
    QByteArrayView body(bytes);
    if (body.startsWith(byteOrderMark))
        body = body.sliced(byteOrderMark.size());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        throw MirelonError(QStringLiteral("The settings file %1 is not valid UTF-8.").arg(fileName));

    IniStore store(fileName);
    Section *current = nullptr; // null before the first header and under a repeated one
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        // Lines end in CR LF, LF or a lone CR.
        qsizetype lineEnd = lineStart;
        while (lineEnd < text.size() && text[lineEnd] != QLatin1Char('\r') && text[lineEnd] != QLatin1Char('\n'))
            ++lineEnd;
        const QStringView line = TrimControlChars(QStringView(text).sliced(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;
        if (lineEnd < text.size() && text[lineEnd] == QLatin1Char('\r') && lineStart < text.size()
            && text[lineStart] == QLatin1Char('\n'))
            ++lineStart;

        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = TrimControlChars(line.sliced(1, line.size() - 2)).toString();
            if (store.findSection(name)) {
                current = nullptr;
            } else {
                store.sections.push_back(Section{name, {}});
                current = &store.sections.back();
            }
            continue;
        }
        if (!current)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = (equals < 0 ? line : TrimControlChars(line.first(equals))).toString();
        const QString value = equals < 0 ? QString() : TrimControlChars(line.sliced(equals + 1)).toString();
        // A key repeated within a section: its first line counts, as it does when reading.
        const bool known = std::any_of(current->entries.begin(), current->entries.end(),
                                       [&](const Entry &entry) { return sameName(entry.key, key); });
        if (!known)
            current->entries.push_back(Entry{key, value});
    }
    return store;
}

IniStore::Section *IniStore::findSection(const QString &name)
{
    for (Section &section : sections)
        if (sameName(section.name, name))
            return &section;
    return nullptr;
}

const IniStore::Section *IniStore::findSection(const QString &name) const
{
    return const_cast<IniStore *>(this)->findSection(name);
}

QString IniStore::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    if (const Section *found = findSection(section))
        for (const Entry &entry : found->entries)
            if (sameName(entry.key, key))
                return entry.value;
    return defaultValue;
}

bool IniStore::CanHoldValue(const QString &value)
{
    return !holdsLineBreak(value) && TrimControlChars(value).size() == value.size();
}

void IniStore::setValue(const QString &section, const QString &key, const QString &value)
{
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value))
        throw MirelonError(QStringLiteral("The setting %1 cannot be stored: it holds a line break.").arg(key));
    if (!CanHoldValue(value)) // reading strips the line's ends, so it would come back otherwise
        throw MirelonError(
            QStringLiteral("The setting %1 cannot be stored: it begins or ends with a blank or control character.").arg(key));
    Section *target = findSection(section);
    if (!target) {
        sections.push_back(Section{section, {}});
        target = &sections.back();
    }
    for (Entry &entry : target->entries)
        if (sameName(entry.key, key)) {
            entry.value = value;
            return;
        }
    target->entries.push_back(Entry{key, value});
}

QByteArray IniStore::serialize() const
{
    QString text;
    for (const Section &section : sections) {
        text += QLatin1Char('[') + section.name + QStringLiteral("]\r\n");
        for (const Entry &entry : section.entries)
            text += entry.key + QLatin1Char('=') + entry.value + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    return byteOrderMark + text.toUtf8();
}

void IniStore::save() const
{
    // Written beside the old file and renamed over it, so a failed write leaves the old file whole.
    QSaveFile file(path);
    file.setDirectWriteFallback(true); // a writable file in a folder we may not add files to
    const QByteArray bytes = serialize();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw MirelonError(QStringLiteral("Cannot write the settings file %1: %2").arg(path, file.errorString()));
}
