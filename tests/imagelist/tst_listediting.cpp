#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"
#include "imagelist/ListEditing.h"

#include <QTest>

namespace {
// A list whose entries are named by their paths; each entry's width and height and its review
// are derived from its path, so that a half-moved entry shows.
struct TestList {
    ImageListModel model;
    ImageListView view{&model};
    TestList() { view.setSelectionMode(QAbstractItemView::ExtendedSelection); }
};

void Fill(TestList &list, const QStringList &captions)
{
    list.model.clear();
    for (const QString &caption : captions) {
        const int code = caption.isEmpty() ? 0 : caption.front().unicode();
        list.model.append(caption, QSize(code, code + 1000));
        FaceReview review;
        review.searched = true;
        review.boxes.append({QRect(code, 0, 1, 1), false, false});
        list.model.setReview(list.model.count() - 1, review);
    }
}

void Select(TestList &list, const QStringList &captions)
{
    for (const QString &caption : captions)
        list.view.selectionModel()->select(list.model.index(int(list.model.paths().indexOf(caption)), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QStringList Captions(const TestList &list)
{
    QStringList captions;
    for (int i = 0; i < list.model.count(); ++i) {
        const ImageListEntry &entry = list.model.entry(i);
        const int code = entry.path.front().unicode();
        if (entry.size != QSize(code, code + 1000) || entry.review.boxes.value(0).rect.x() != code)
            return {QStringLiteral("entry %1 lost its sizes or review").arg(i)};
        captions.append(entry.path);
    }
    return captions;
}

QStringList SelectedCaptions(const TestList &list)
{
    QStringList captions;
    for (int i = 0; i < list.model.count(); ++i)
        if (list.view.selectionModel()->isRowSelected(i))
            captions.append(list.model.entry(i).path);
    return captions;
}

QStringList Split(const char *letters)
{
    QStringList list;
    for (const char *c = letters; *c; ++c)
        list.append(QString(QLatin1Char(*c)));
    return list;
}
} // namespace

class TestListEditing : public QObject {
    Q_OBJECT

private slots:
    void moveButtons_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("selectedAfter");
        const QStringList abc = Split("ABC"), abcd = Split("ABCD");
        QTest::newRow("B up") << abc << Split("B") << "up" << Split("BAC") << Split("B");
        QTest::newRow("B down") << abc << Split("B") << "down" << Split("ACB") << Split("B");
        QTest::newRow("B top") << abc << Split("B") << "top" << Split("BAC") << Split("B");
        QTest::newRow("B bottom") << abc << Split("B") << "bottom" << Split("ACB") << Split("B");
        QTest::newRow("first up") << abc << Split("A") << "up" << abc << Split("A");
        QTest::newRow("last down") << abc << Split("C") << "down" << abc << Split("C");
        QTest::newRow("first top") << abc << Split("A") << "top" << abc << Split("A");
        QTest::newRow("last bottom") << abc << Split("C") << "bottom" << abc << Split("C");
        QTest::newRow("up twice keeps moving C") << abc << Split("C") << "up up" << Split("CAB") << Split("C");
        QTest::newRow("B and C, down acts on B") << abcd << Split("BC") << "down" << Split("ACBD") << Split("B");
        QTest::newRow("D top") << abcd << Split("D") << "top" << Split("DABC") << Split("D");
        QTest::newRow("top keeps other selections") << abcd << Split("CD") << "top" << Split("CABD") << Split("CD");
        QTest::newRow("bottom keeps other selections") << abcd << Split("AC") << "bottom" << Split("BCDA") << Split("CA");
        for (const char *buttons : {"up", "down", "top", "bottom"})
            QTest::addRow("nothing selected, %s", buttons) << abc << QStringList() << buttons << abc << QStringList();
        QTest::newRow("one entry, down") << Split("A") << Split("A") << "down" << Split("A") << Split("A");
    }
    void moveButtons()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, selected);
        QFETCH(QString, buttons);
        QFETCH(QStringList, order);
        QFETCH(QStringList, selectedAfter);
        TestList list;
        Fill(list, entries);
        Select(list, selected);
        for (const QString &button : buttons.split(QLatin1Char(' '))) {
            if (button == QLatin1String("up"))
                MoveCurrentUp(list.view);
            else if (button == QLatin1String("down"))
                MoveCurrentDown(list.view);
            else if (button == QLatin1String("top"))
                MoveCurrentToTop(list.view);
            else
                MoveCurrentToBottom(list.view);
        }
        QCOMPARE(Captions(list), order);
        QCOMPARE(SelectedCaptions(list), selectedAfter);
    }

    // Positions beyond 65,535 must reach the entry itself, not the one at the position's low 16 bits.
    void topAndBottomOnLongLists()
    {
        const int count = 70000;
        TestList list;
        for (int i = 0; i < count; ++i)
            list.model.append(QString::number(i), QSize(i, i));

        Select(list, {QStringLiteral("65540")});
        MoveCurrentToTop(list.view);
        QCOMPARE(list.model.entry(0).path, QStringLiteral("65540"));
        QCOMPARE(list.model.entry(5).path, QStringLiteral("4"));

        list.view.clearSelection();
        Select(list, {QStringLiteral("0")});
        MoveCurrentToBottom(list.view);
        QCOMPARE(list.model.entry(count - 1).path, QStringLiteral("0"));
        QVERIFY(list.view.selectionModel()->isRowSelected(count - 1));
        QCOMPARE(list.model.count(), count);
    }

    void dragInsideTheList_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("target"); // empty: dropped on empty space
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("selectedAfter");
        QTest::newRow("A onto C") << Split("A") << "C" << Split("BACD") << QStringList();
        QTest::newRow("D onto A") << Split("D") << "A" << Split("DABC") << QStringList();
        QTest::newRow("onto empty space") << Split("B") << "" << Split("ABCD") << Split("B");
        QTest::newRow("B onto itself") << Split("B") << "B" << Split("ABCD") << QStringList();
        QTest::newRow("only the current entry moves") << Split("BD") << "A" << Split("BACD") << Split("D");
    }
    void dragInsideTheList()
    {
        QFETCH(QStringList, selected);
        QFETCH(QString, target);
        QFETCH(QStringList, order);
        QFETCH(QStringList, selectedAfter);
        TestList list;
        Fill(list, Split("ABCD"));
        Select(list, selected);
        MoveCurrentBefore(list.view, target.isEmpty() ? -1 : int(list.model.paths().indexOf(target)));
        QCOMPARE(Captions(list), order);
        QCOMPARE(SelectedCaptions(list), selectedAfter);
    }

    void deleteSelected()
    {
        TestList list;
        Fill(list, Split("ABCDE"));
        Select(list, Split("ACE"));
        DeleteSelectedEntries(list.view);
        QCOMPARE(Captions(list), Split("BD"));
        DeleteSelectedEntries(list.view); // nothing selected: nothing removed
        QCOMPARE(Captions(list), Split("BD"));
    }
};

QTEST_MAIN(TestListEditing)
#include "tst_listediting.moc"
