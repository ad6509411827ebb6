#pragma once
#include <QStringView>

// Removes leading and trailing characters U+0000 to U+0020 (blanks, line breaks, control
// characters); other white space such as U+00A0 stays. The view points into `text`.
inline QStringView TrimControlChars(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.sliced(begin, end - begin);
}
