#include "app/AppState.h"
#include "app/MainWindow.h"
#include "tests/support/MainWindowParts.h"
#include "imagelist/AddErrorBox.h"
#include "platform/DesktopShell.h"
#include "platform/RegularFile.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

// Receives what the window hands to the desktop for opening.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

namespace {
void WritePicture(const QString &path, const char *format = "png", QSize size = {20, 10})
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY2(picture.save(path, format), qPrintable(path));
}

void WriteText(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
}

QStringList Captions(const MainWindow &form)
{
    return ListPaths(form);
}

// The entries' base names run together: "ABCD".
QString BaseNames(const MainWindow &list)
{
    QString names;
    for (const QString &caption : Captions(list))
        names += QFileInfo(caption).baseName();
    return names;
}

// A shown window listing A.png, B.png, C.png and D.png of `folder`, in that order.
void ShowWithEntriesABCD(MainWindow &form, const QString &folder)
{
    for (const char *name : {"A", "B", "C", "D"}) {
        WritePicture(folder + "/" + name + ".png");
        form.addImage(folder + "/" + name + ".png");
    }
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

// Runs `action` on the next modal dialog once it is open.
template <typename Action>
void OnNextDialog(Action action)
{
    QTimer::singleShot(0, [action] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            OnNextDialog(action);
            return;
        }
        action(*dialog);
    });
}

void DropUrls(QObject *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    const QPointF where(5, 5);
    QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
}
} // namespace

// A relative path of about 300 characters (a single name may not exceed 255 bytes).
QString LongName()
{
    return QString(95, QLatin1Char('d')) + "/" + QString(95, QLatin1Char('e')) + "/" + QString(95, QLatin1Char('f')) + ".png";
}

class TestImageListForm : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home;
    QStringList reports;

    QString MakeFolder(const QString &name)
    {
        const QString path = home.filePath(name);
        QDir().mkpath(path);
        return path;
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("MIRELON_SERVICE_HOST", "127.0.0.1:9");
        // No file manager on a bus that does not exist: Open Folder Location falls back at once.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/mirelon-test-bus");
    }

    void init()
    {
        reports.clear();
        ReportAddError = [this](QWidget *, const QString &text) { reports.append(text); };
    }

    void cleanup() { ReportAddError = ShowErrorBox; }

    void folderScanTakesImageFilesOnly()
    {
        const QString folder = MakeFolder(QStringLiteral("scan"));
        WritePicture(folder + QStringLiteral("/a.PNG"), "png", {11, 22});
        WriteText(folder + QStringLiteral("/b.txt"));
        WritePicture(folder + QStringLiteral("/c.TIFF"), "tiff", {33, 44});
        WritePicture(folder + QStringLiteral("/.hidden.jpg"), "jpeg");
        QDir().mkpath(folder + QStringLiteral("/sub"));
        WritePicture(folder + QStringLiteral("/sub/d.png"));

        MainWindow form;
        form.addFolder(folder);
        QCOMPARE(Sorted(Captions(form)),
                 QStringList({folder + "/.hidden.jpg", folder + "/a.PNG", folder + "/c.TIFF"}));
        const int tiff = int(ListPaths(form).indexOf(folder + "/c.TIFF"));
        QCOMPARE(EntryText(form, tiff, 1), QStringLiteral("33"));
        QCOMPARE(EntryText(form, tiff, 2), QStringLiteral("44"));
        QVERIFY(!ImageModel(form).entry(tiff).icon.isNull());
        QCOMPARE(form.statusText(), QStringLiteral("3 files"));
        QVERIFY(reports.isEmpty());

        // A folder path with its trailing slash gets no second one.
        Command(form, "clearAction")->trigger();
        form.addFolder(folder + QLatin1Char('/'));
        QVERIFY(Captions(form).contains(folder + "/a.PNG"));

        // A folder that does not exist adds nothing and says nothing.
        Command(form, "clearAction")->trigger();
        form.addFolder(folder + QStringLiteral("/missing"));
        QCOMPARE(ImageModel(form).count(), 0);
        QVERIFY(reports.isEmpty());
    }

    // Entries that cannot be read as pictures are reported one by one, naming each, and never
    // block the scan: special files (a FIFO would wait for a writer for good) and names whose
    // bytes are not UTF-8 text; the pictures around them are still added.
    void folderScanReportsWhatItCannotRead()
    {
        const QString folder = MakeFolder(QStringLiteral("unreadable"));
        WritePicture(folder + QStringLiteral("/ok.png"));
        const QByteArray encoded = QFile::encodeName(folder);
        QVERIFY(::mkfifo((encoded + "/x.png").constData(), 0600) == 0);
        QVERIFY(::symlink((encoded + "/x.png").constData(), (encoded + "/to-fifo.jpg").constData()) == 0);
        const QByteArray linked = QFile::encodeName(MakeFolder(QStringLiteral("linked")));
        QVERIFY(::symlink(linked.constData(), (encoded + "/folder-link.png").constData()) == 0); // a folder: skipped
        WritePicture(QString::fromUtf8("%1/unused.png").arg(folder));
        QVERIFY(::rename((encoded + "/unused.png").constData(), (encoded + "/\xFF\xFE.png").constData()) == 0);

        MainWindow form;
        form.addFolder(folder);
        QCOMPARE(Captions(form), QStringList{folder + "/ok.png"});
        const QString special = QStringLiteral("Cannot open the file: it is not a regular file (a FIFO, socket or device)");
        QCOMPARE(Sorted(reports), Sorted({AddErrorText(folder + "/x.png", special),
                                          AddErrorText(folder + "/to-fifo.jpg", special),
                                          AddErrorText(folder + QString::fromUtf8("/\uFFFD\uFFFD.png"), UnreadableNameMessage())}));
        QCOMPARE(form.statusText(), QStringLiteral("1 file"));

        // The same name reached through a drop (decoded there already) is refused alike.
        reports.clear();
        DropUrls(&form, {folder + QString::fromUtf8("/\uFFFD\uFFFD.png")});
        QCOMPARE(reports, QStringList{AddErrorText(folder + QString::fromUtf8("/\uFFFD\uFFFD.png"), UnreadableNameMessage())});
        ::unlink((encoded + "/\xFF\xFE.png").constData()); // a name the temporary folder's clean-up cannot spell
    }

    void drops_data()
    {
        QTest::addColumn<QStringList>("dropped"); // names inside the drop folder; "." is the folder itself
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<int>("errorBoxes");
        QTest::newRow("bmp file ignored") << QStringList{"x.bmp"} << QStringList() << 0;
        QTest::newRow("tif file ignored") << QStringList{"y.tif"} << QStringList() << 0;
        QTest::newRow("its folder adds them") << QStringList{"."} << QStringList{"x.JPG", "x.bmp", "y.tif"} << 1;
        QTest::newRow("x.JPG") << QStringList{"x.JPG"} << QStringList{"x.JPG"} << 0;
        QTest::newRow("text file skipped silently") << QStringList{"notes.txt", "x.JPG"} << QStringList{"x.JPG"} << 0;
        QTest::newRow("bad picture reported, rest added") << QStringList{"bad.png", "x.JPG"} << QStringList{"x.JPG"} << 1;
        QTest::newRow("link to the folder") << QStringList{"link"} << QStringList{"link/x.JPG", "link/x.bmp", "link/y.tif"} << 1;
        QTest::newRow("path over 255 characters") << QStringList{LongName()} << QStringList{LongName()} << 0;
    }
    void drops()
    {
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, added);
        QFETCH(int, errorBoxes);
        const QString folder = MakeFolder(QStringLiteral("drop"));
        WritePicture(folder + "/x.bmp", "bmp");
        WritePicture(folder + "/y.tif", "tiff");
        WritePicture(folder + "/x.JPG", "jpeg");
        WriteText(folder + "/notes.txt");
        WriteText(folder + "/bad.png");
        QFile::link(folder, home.filePath("drop/link"));
        // The long path lives in a folder of its own, so that the folder drops above stay short.
        QDir deep(home.filePath("deep"));
        const QString longName = LongName();
        deep.mkpath(QFileInfo(longName).path());
        WritePicture(deep.filePath(longName));
        QVERIFY(deep.filePath(longName).size() > 255);

        MainWindow form;
        QStringList paths;
        for (const QString &name : dropped)
            paths.append(name == longName ? deep.filePath(name) : name == "." ? folder : folder + "/" + name);
        form.addDroppedPaths(paths);
        QStringList expected;
        for (const QString &name : added)
            expected.append(name == longName ? deep.filePath(name) : folder + "/" + name);
        QCOMPARE(Sorted(Captions(form)), expected);
        QCOMPARE(reports.size(), errorBoxes);
    }

    // External drops reach the same handling whether they land on the list or elsewhere on the window.
    void dropEventsOnListAndWindow()
    {
        const QString folder = MakeFolder(QStringLiteral("dropevents"));
        WritePicture(folder + "/one.png");
        MainWindow form;
        QVERIFY(form.acceptDrops());
        DropUrls(ImageList(form)->viewport(), {folder + "/one.png"});
        DropUrls(&form, {folder});
        QCOMPARE(Captions(form), QStringList({folder + "/one.png", folder + "/one.png"}));
        QCOMPARE(form.statusText(), QStringLiteral("2 files"));
    }

    void addingReportsAndDuplicates()
    {
        const QString folder = MakeFolder(QStringLiteral("add"));
        WritePicture(folder + "/photo.png", "jpeg");
        WritePicture(folder + "/same.gif.png", "png", {7, 9});
        MainWindow form;

        form.addImage(folder + "/photo.png");
        QCOMPARE(ImageModel(form).count(), 0);
        QCOMPARE(reports, QStringList{folder + "/photo.png\r\rThe file is not a valid PNG picture"});
        QCOMPARE(form.statusText(), QStringLiteral("0 files"));

        form.addImage(folder + "/same.gif.png");
        QCOMPARE(form.statusText(), QStringLiteral("1 file"));
        form.addImage(folder + "/same.gif.png");
        QCOMPARE(Captions(form), QStringList({folder + "/same.gif.png", folder + "/same.gif.png"}));
        QCOMPARE(EntryText(form, 1, 1), QStringLiteral("7"));
        QCOMPARE(form.statusText(), QStringLiteral("2 files"));
    }

    void addFilesDialogWithAllFiles()
    {
        const QString folder = MakeFolder(QStringLiteral("dialog"));
        WriteText(folder + "/notes.txt");
        WriteText(folder + "/README"); // no dot: "All Files" must list it too
        WritePicture(folder + "/pic.jpeg", "jpeg", {3, 4});
        MainWindow form;

        bool listsNameWithoutDot = false;
        OnNextDialog([&listsNameWithoutDot, folder](QFileDialog &dialog) {
            dialog.setDirectory(folder);
            dialog.selectNameFilter(dialog.nameFilters().last());
            const auto *view = dialog.findChild<QAbstractItemView *>(QStringLiteral("listView"));
            listsNameWithoutDot = QTest::qWaitFor([view] {
                const QModelIndex root = view->rootIndex();
                for (int row = 0; row < view->model()->rowCount(root); ++row)
                    if (view->model()->index(row, 0, root).data().toString() == QLatin1String("README"))
                        return true;
                return false;
            });
            dialog.reject();
        });
        Command(form, "addFilesAction")->trigger();
        QVERIFY(listsNameWithoutDot);

        QStringList filters;
        OnNextDialog([&filters, folder](QFileDialog &dialog) {
            filters = dialog.nameFilters();
            filters.prepend(dialog.selectedNameFilter());
            dialog.setDirectory(folder);
            dialog.selectNameFilter(filters.last());
            dialog.selectFile(QStringLiteral("\"notes.txt\" \"pic.jpeg\""));
            static_cast<QDialog &>(dialog).accept();
        });
        Command(form, "addFilesAction")->trigger();
        QCOMPARE(filters, QStringList({"Image Files (*.png *.jpg *.jpeg *.gif *.heic *.heif *.avif)",
                                       "Image Files (*.png *.jpg *.jpeg *.gif *.heic *.heif *.avif)",
                                       "Video Files (*.mp4 *.m4v *.mov *.mkv *.webm *.avi)", "All Files (*)"}));
        QCOMPARE(reports, QStringList{folder + "/notes.txt\r\rUnknown picture file extension (.txt)"});
        QCOMPARE(Captions(form), QStringList{folder + "/pic.jpeg"});
    }

    void addFolderDialogWithThreeFolders()
    {
        const QString parent = MakeFolder(QStringLiteral("three"));
        for (const char *name : {"f1", "f2", "f3"}) {
            QDir(parent).mkpath(QLatin1String(name));
            WritePicture(parent + "/" + name + "/" + name + ".png");
        }
        LastFolder = parent;
        MainWindow form;
        QString title, acceptLabel;
        QList<QAbstractItemView::SelectionMode> selectionModes;
        OnNextDialog([&](QFileDialog &dialog) {
            title = dialog.windowTitle();
            acceptLabel = dialog.labelText(QFileDialog::Accept);
            for (const char *view : {"listView", "treeView"})
                selectionModes.append(dialog.findChild<QAbstractItemView *>(QLatin1String(view))->selectionMode());
            dialog.setDirectory(parent);
            dialog.selectFile(QStringLiteral("\"f2\" \"f1\" \"f3\""));
            static_cast<QDialog &>(dialog).accept();
        });
        Command(form, "addFolderAction")->trigger();
        QCOMPARE(title, QStringLiteral("Select folder:"));
        QCOMPARE(acceptLabel, QStringLiteral("Select"));
        QCOMPARE(selectionModes, QList({QAbstractItemView::ExtendedSelection, QAbstractItemView::ExtendedSelection}));
        QCOMPARE(Captions(form), QStringList({parent + "/f2/f2.png", parent + "/f1/f1.png", parent + "/f3/f3.png"}));
        QCOMPARE(LastFolder, parent + "/f2");

        // The next dialog opens inside the folder chosen last, with no name typed in.
        QString openedAt, typedName = QStringLiteral("<none>");
        OnNextDialog([&](QFileDialog &dialog) {
            openedAt = dialog.directory().absolutePath();
            if (const auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                typedName = edit->text();
            dialog.reject();
        });
        Command(form, "addFolderAction")->trigger();
        QCOMPARE(openedAt, parent + "/f2");
        QCOMPARE(typedName, QString());
        QCOMPARE(ImageModel(form).count(), 3);
        QCOMPARE(LastFolder, parent + "/f2");
    }

    void removalAndCountTexts_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Delete Selected") << "menu";
        QTest::newRow("Delete key") << "key";
        QTest::newRow("Ctrl+Shift+Delete") << "key with modifiers";
    }
    void removalAndCountTexts()
    {
        QFETCH(QString, how);
        const QString folder = MakeFolder(QStringLiteral("remove"));
        MainWindow form;
        QCOMPARE(form.statusText(), QStringLiteral("0 files"));
        for (int i = 0; i < 12; ++i) {
            WritePicture(folder + QStringLiteral("/%1.png").arg(i));
            form.addImage(folder + QStringLiteral("/%1.png").arg(i));
        }
        QCOMPARE(form.statusText(), QStringLiteral("12 files"));
        ImageModel(form).removeEntries({5, 6, 7, 8, 9, 10, 11});
        for (int i : {0, 2, 4})
            SelectEntry(form, i);
        if (how == "menu")
            Command(form, "deleteSelectedAction")->trigger();
        else
            QTest::keyClick(ImageList(form), Qt::Key_Delete,
                            how == "key" ? Qt::NoModifier : Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Captions(form), QStringList({folder + "/1.png", folder + "/3.png"}));
        QCOMPARE(form.statusText(), QStringLiteral("2 files"));

        Command(form, "deleteAllAction")->trigger();
        QCOMPARE(ImageModel(form).count(), 0);
        Part<QLabel>(form, "statusText")->setText(QStringLiteral("Completed"));
        Command(form, "deleteAllAction")->trigger(); // on an empty list
        QCOMPARE(form.statusText(), QStringLiteral("0 files"));
    }

    // The window's drop handler works on the real list geometry: the entry under the point.
    void dragDropOnEntries()
    {
        MainWindow form;
        ShowWithEntriesABCD(form, MakeFolder(QStringLiteral("drag")));
        ImageListView &list = *ImageList(form);
        auto order = [&] { return BaseNames(form); };

        SelectEntry(form, 0);
        emit list.entryDropped(EntryRect(form, 2).center());
        QCOMPARE(order(), QStringLiteral("BACD"));

        SelectEntry(form, 3);
        emit list.entryDropped(EntryRect(form, 0).center());
        QCOMPARE(order(), QStringLiteral("DBAC"));

        SelectEntry(form, 1);
        const QRect last = EntryRect(form, 3);
        emit list.entryDropped(QPoint(last.center().x(), last.bottom() + 3 * last.height()));
        QCOMPARE(order(), QStringLiteral("DBAC"));
        QCOMPARE(form.statusText(), QStringLiteral("4 files"));
    }

    // A real mouse drag inside the list: press on A, move, release on C. Drags need a window
    // system that runs them (the offscreen one ends every drag at once); CTest runs this under Xvfb.
    void mouseDragInsideTheList()
    {
        QVERIFY2(QGuiApplication::platformName() != QLatin1String("offscreen"), "drags need a window system (CTest runs this under Xvfb)");
        MainWindow form;
        ShowWithEntriesABCD(form, MakeFolder(QStringLiteral("mousedrag")));
        QWidget *viewport = ImageList(form)->viewport();
        const QPoint a = EntryRect(form, 0).center();
        const QPoint c = EntryRect(form, 2).center();
        QTimer::singleShot(100, viewport, [viewport, c] {
            QTest::mouseMove(viewport, c);
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, c);
        });
        QTest::mousePress(viewport, Qt::LeftButton, {}, a);
        QTest::mouseMove(viewport, a + QPoint(0, QApplication::startDragDistance() + 2));
        QTest::mouseMove(viewport, a + QPoint(0, 2 * QApplication::startDragDistance() + 4));
        QTest::qWait(300);
        QCOMPARE(BaseNames(form), QStringLiteral("BACD"));
    }

    void folderLocationArguments_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("uri");
        QTest::newRow("blank") << "/home/user/Pictures/a b.png" << "file:///home/user/Pictures/a%20b.png";
        QTest::newRow("hash and percent") << "/p/#1 100%.png" << "file:///p/%231%20100%25.png";
        QTest::newRow("quote and non-ASCII") << QString::fromUtf8("/p/\"ü\".png") << "file:///p/%22%C3%BC%22.png";
    }
    void folderLocationArguments()
    {
        QFETCH(QString, path);
        QFETCH(QString, uri);
        for (const QDBusMessage &message : {ShowItemsMessage(path), ShowItemPropertiesMessage(path)}) {
            QCOMPARE(message.service(), QStringLiteral("org.freedesktop.FileManager1"));
            QCOMPARE(message.path(), QStringLiteral("/org/freedesktop/FileManager1"));
            QCOMPARE(message.interface(), QStringLiteral("org.freedesktop.FileManager1"));
            QCOMPARE(message.arguments().size(), 2);
            QCOMPARE(message.arguments().at(0).toStringList(), QStringList{uri});
            QCOMPARE(QUrl(uri).toLocalFile(), path);
            QCOMPARE(message.arguments().at(1).toString(), QString());
        }
        QCOMPARE(ShowItemsMessage(path).member(), QStringLiteral("ShowItems"));
        QCOMPARE(ShowItemPropertiesMessage(path).member(), QStringLiteral("ShowItemProperties"));
    }

    void shellCommandsOnTheCurrentEntry()
    {
        const QString folder = MakeFolder(QStringLiteral("shell dir"));
        WritePicture(folder + "/a b.png");
        WritePicture(folder + "/c.png");
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        MainWindow form;

        Command(form, "openAction")->trigger(); // no entries: nothing
        Command(form, "openFolderLocationAction")->trigger();
        Command(form, "propertiesAction")->trigger();
        QVERIFY(catcher.opened.isEmpty());

        form.addImage(folder + "/c.png");
        form.addImage(folder + "/a b.png");
        SelectEntry(form, 1);
        Command(form, "openAction")->trigger();
        Command(form, "openFolderLocationAction")->trigger(); // no file manager here: the folder is opened
        Command(form, "propertiesAction")->trigger();         // fails silently
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.opened, QList<QUrl>({QUrl::fromLocalFile(folder + "/a b.png"), QUrl::fromLocalFile(folder)}));
    }
};

QTEST_MAIN(TestImageListForm)
#include "tst_imagelistform.moc"
