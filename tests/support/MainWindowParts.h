#pragma once
// Reaching the main window's private widgets and commands by object name, as a test does.
#include "imagelist/ImageListModel.h"
#include "imagelist/ImageListView.h"

#include <QAction>
#include <QObject>
#include <QStringList>
#include <QItemSelectionModel>
#include <QtGlobal>

template <typename T = QWidget>
T *Part(const QObject &window, const char *name)
{
    T *part = window.findChild<T *>(QLatin1String(name));
    if (!part)
        qFatal("The main window has no part named %s", name);
    return part;
}

inline QAction *Command(const QObject &window, const char *name)
{
    return Part<QAction>(window, name);
}

inline ImageListView *ImageList(const QObject &window)
{
    return Part<ImageListView>(window, "imageList");
}

inline ImageListModel &ImageModel(const QObject &window)
{
    return ImageList(window)->imageModel();
}

// The entries' paths, top to bottom.
inline QStringList ListPaths(const QObject &window)
{
    return ImageModel(window).paths();
}

// The text the list shows for entry `row` in `column`.
inline QString EntryText(const QObject &window, int row, int column)
{
    const ImageListModel &model = ImageModel(window);
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

// Adds entry `row` to the selection.
inline void SelectEntry(const QObject &window, int row)
{
    ImageListView *list = ImageList(window);
    list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Where entry `row` is drawn in the list's viewport.
inline QRect EntryRect(const QObject &window, int row)
{
    ImageListView *list = ImageList(window);
    return list->visualRect(list->model()->index(row, 0));
}
