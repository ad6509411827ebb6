#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

// In-memory INI store bound to one file. Section and key names are matched without regard to
// letter case; sections keep the order in which they were created and keys the order in which
// they were first written. Everything read is kept and written back, including sections and
// keys the application does not know.
class IniStore {
public:
    IniStore() = default;
    explicit IniStore(const QString &fileName) : path(fileName) {}

    // Opens the store on a file: reads and parses it when it exists, starts empty when it does
    // not. Raises MirelonError when the file exists but cannot be read or is not valid UTF-8.
    static IniStore open(const QString &fileName);

    // Parses the bytes of a settings file (an optional UTF-8 byte-order mark first). Raises
    // MirelonError when they are not valid UTF-8.
    static IniStore parse(const QByteArray &bytes, const QString &fileName = QString());

    QString fileName() const { return path; }
    QString value(const QString &section, const QString &key, const QString &defaultValue) const;

    // Whether the file can hold `value` so that it reads back the same: no line break, and no
    // blank or control character at either end (the reading rules strip those).
    static bool CanHoldValue(const QString &value);

    // Sets a value; a missing section or key is created at the end, an existing one is
    // replaced in place. Raises MirelonError for a name or value holding a line break, which
    // the file could not hold without turning it into lines of its own, and for a value that
    // CanHoldValue refuses.
    void setValue(const QString &section, const QString &key, const QString &value);

    // The file's bytes: UTF-8 with byte-order mark, CR LF after every line, an empty line after
    // each section.
    QByteArray serialize() const;

    // Replaces the file with the whole store. Raises MirelonError when it cannot be written.
    void save() const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
    };

    Section *findSection(const QString &name);
    const Section *findSection(const QString &name) const;

    QString path;
    std::vector<Section> sections;
};
