// The drive, folder and file lists of the window. Paths are full paths in the platform's
// encoding (QFile::encodeName gives the raw bytes). Used only on the window's thread.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

namespace pixtrim {

// The mounted volumes, by their root paths.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    // Reads the mounted volumes again, keeping the selection where possible.
    void Refresh();
    // Selects the volume that holds `path` (the longest matching root); emits Change only
    // when the selection moves.
    void SelectVolumeOf(const QString& path);
    QString CurrentRoot() const { return currentText(); }
    // The root of the volume that holds `path`.
    QString VolumeOf(const QString& path) const;

signals:
    // Another volume was picked: by the user (`byUser`), or by code to match a folder.
    void Change(bool byUser);
};

// The classic folder list: the opened folder's ancestors from the root down, the opened
// folder, then its sub-folders (sorted by name, letter case ignored; hidden dot-folders
// left out), indented by depth. A click only highlights; a double click or Enter opens.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);
    QString Path() const { return path_; }
    // Opens `path` (re-reading its sub-folders); emits Change when the path differs.
    // False, with nothing changed, when `path` is not a readable folder.
    bool SetPath(const QString& path);
    // The full path of the highlighted entry (the opened folder when none is).
    QString HighlightedPath() const;

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Fill();
    QString path_;
};

// The files of one folder whose names match the ";"-separated patterns, sorted by name
// with letter case ignored. Hidden dot-files are left out. The folder is read once per
// SetPath; a new pattern only filters again.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    QString Path() const { return path_; }
    void SetPath(const QString& path);
    QString Pattern() const { return pattern_; }
    void SetPattern(const QString& pattern);
    int ListCount() const { return count(); }

private:
    void Filter();
    QString path_;
    QString pattern_ = "*.*";
    QStringList names_;  // every file of the folder, sorted
};

}  // namespace pixtrim
