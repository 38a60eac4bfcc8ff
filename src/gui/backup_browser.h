#pragma once

#include "restore/held_as_of.h"

#include <functional>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vesko {

class DateField;
class RestorePlace;
class SettingsStore;
class UiServices;

// Everything the backups hold as of the end of a day, as a tree of the source folders: the
// files a restore as of that day brings back, each with its copy's size, time and archive.
// A picked file or folder is restored as of that day, to its place or into a chosen folder.
// A folder's rows are made when it is first opened, so a hundred thousand files show at once.
// Beside the history window, without blocking it.
class BackupBrowser : public QWidget {
public:
    BackupBrowser(SettingsStore& store, UiServices& ui, QWidget* parent);

    // Reads what the backups hold as of the day field's day into the tree.
    void ShowDay();
    // Restores the picked file or folder as the tree shows it.
    void RestorePicked();

    DateField* dayField;
    QPushButton* showButton;
    QLabel* heldNote; // how many files the tree holds, or why it is empty
    QTreeWidget* tree;
    RestorePlace* place;
    QPushButton* restoreButton;
    std::function<void()> restored; // after each restore

private:
    // The rows of a folder's files and folders, made when it is first opened.
    void Fill(QTreeWidgetItem* folder);

    SettingsStore& store_;
    UiServices& ui_;
    QString shownDay_; // MM-DD-YYYY of the state the tree shows
    Holdings held_; // what the tree shows
};

} // namespace vesko
