#include "imagelist/ImageEntry.h"
#include "imagelist/ListEditing.h"

#include <QTest>
#include <QTreeWidget>

namespace {
// A list whose entries are named by their captions; each entry's width and height are derived
// from its caption, so that a half-copied entry shows.
void Fill(QTreeWidget &list, const QStringList &captions)
{
    list.clear();
    for (const QString &caption : captions) {
        const int code = caption.isEmpty() ? 0 : caption.front().unicode();
        list.addTopLevelItem(NewImageEntry(caption, QSize(code, code + 1000), QIcon()));
    }
}

void Select(QTreeWidget &list, const QStringList &captions)
{
    for (const QString &caption : captions)
        list.findItems(caption, Qt::MatchExactly).constFirst()->setSelected(true);
}

QStringList Captions(const QTreeWidget &list)
{
    QStringList captions;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem *entry = list.topLevelItem(i);
        const int code = entry->text(ImageFileColumn).front().unicode();
        if (entry->text(WidthColumn) != QString::number(code) || entry->text(HeightColumn) != QString::number(code + 1000))
            return {QStringLiteral("entry %1 lost its sizes").arg(i)};
        captions.append(entry->text(ImageFileColumn));
    }
    return captions;
}

QStringList SelectedCaptions(const QTreeWidget &list)
{
    QStringList captions;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        if (list.topLevelItem(i)->isSelected())
            captions.append(list.topLevelItem(i)->text(ImageFileColumn));
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
        QTreeWidget list;
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        Fill(list, entries);
        Select(list, selected);
        for (const QString &button : buttons.split(QLatin1Char(' '))) {
            if (button == QLatin1String("up"))
                MoveCurrentUp(list);
            else if (button == QLatin1String("down"))
                MoveCurrentDown(list);
            else if (button == QLatin1String("top"))
                MoveCurrentToTop(list);
            else
                MoveCurrentToBottom(list);
        }
        QCOMPARE(Captions(list), order);
        QCOMPARE(SelectedCaptions(list), selectedAfter);
    }

    // Positions beyond 65,535 must reach the entry itself, not the one at the position's low 16 bits.
    void topAndBottomOnLongLists()
    {
        const int count = 70000;
        QTreeWidget list;
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        QList<QTreeWidgetItem *> entries;
        for (int i = 0; i < count; ++i)
            entries.append(NewImageEntry(QString::number(i), QSize(i, i), QIcon()));
        list.addTopLevelItems(entries);

        list.topLevelItem(65540)->setSelected(true);
        MoveCurrentToTop(list);
        QCOMPARE(list.topLevelItem(0)->text(ImageFileColumn), QStringLiteral("65540"));
        QCOMPARE(list.topLevelItem(5)->text(ImageFileColumn), QStringLiteral("4"));

        list.clearSelection();
        list.topLevelItem(1)->setSelected(true); // "0"
        MoveCurrentToBottom(list);
        QCOMPARE(list.topLevelItem(count - 1)->text(ImageFileColumn), QStringLiteral("0"));
        QVERIFY(list.topLevelItem(count - 1)->isSelected());
        QCOMPARE(list.topLevelItemCount(), count);
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
        QTreeWidget list;
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        Fill(list, Split("ABCD"));
        Select(list, selected);
        MoveCurrentBefore(list, target.isEmpty() ? nullptr : list.findItems(target, Qt::MatchExactly).constFirst());
        QCOMPARE(Captions(list), order);
        QCOMPARE(SelectedCaptions(list), selectedAfter);
    }

    void deleteSelected()
    {
        QTreeWidget list;
        list.setSelectionMode(QAbstractItemView::ExtendedSelection);
        Fill(list, Split("ABCDE"));
        Select(list, Split("ACE"));
        DeleteSelectedEntries(list);
        QCOMPARE(Captions(list), Split("BD"));
        DeleteSelectedEntries(list); // nothing selected: nothing removed
        QCOMPARE(Captions(list), Split("BD"));
        QVERIFY(list.updatesEnabled());
    }
};

QTEST_MAIN(TestListEditing)
#include "tst_listediting.moc"
