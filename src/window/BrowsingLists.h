// The drive, folder and file lists of the window. Paths and names are raw bytes, exactly as
// the file system has them; a name that is not UTF-8 shows with replacement characters but
// is kept, listed and opened as it is. The lists come from the same listing as the run, so
// the file list shows exactly the files a run would process under the same patterns.
// Used only on the window's thread.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <string>
#include <vector>

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
    void SelectVolumeOf(const std::string& path);
    std::string CurrentRoot() const;
    // The root of the volume that holds `path`.
    std::string VolumeOf(const std::string& path) const;

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
    const std::string& Path() const { return path_; }
    // Opens `path` (re-reading its sub-folders); emits Change when the path differs.
    // False, with nothing changed, when `path` is not a readable folder.
    bool SetPath(const std::string& path);
    // The full path of the highlighted entry (the opened folder when none is).
    std::string HighlightedPath() const;

signals:
    void Change();

private:
    void Fill();
    std::string path_;
};

// The regular files of one folder (links to them and hidden ones included, as a run lists
// them) whose names match the ";"-separated patterns, sorted by name with letter case
// ignored. The folder is read once per SetPath; a new pattern only filters again.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    const std::string& Path() const { return path_; }
    void SetPath(const std::string& path);
    void SetPattern(const QString& pattern);
    int ListCount() const { return count(); }
    // The raw name of the file shown by `item`.
    static std::string NameOf(const QListWidgetItem* item);

private:
    void Filter();
    std::string path_;
    std::string pattern_ = "*.*";
    std::vector<std::string> names_;  // every file of the folder, sorted
};

}  // namespace pixtrim
