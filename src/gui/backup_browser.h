#pragma once

#include <functional>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vesko {

class DateField;
class RestorePlace;
class SettingsStore;
class UiServices;

// Everything the backups hold as of the end of a day, as a tree of the source folders: the
// files a restore as of that day brings back, each with its copy's size, time and archive.
// A picked file or folder is restored as of that day, to its place or into a chosen folder.
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
    SettingsStore& store_;
    UiServices& ui_;
    QString shownDay_; // MM-DD-YYYY of the state the tree shows
};

} // namespace vesko
