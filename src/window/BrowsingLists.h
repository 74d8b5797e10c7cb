// The drive, folder and file lists of the window. Paths and names are raw bytes, exactly as
// the file system has them; a name that is not UTF-8 shows with replacement characters but
// is kept, listed and opened as it is. The lists come from the same listing as the run, so
// the file list shows exactly the files a run would process under the same patterns.
// Used only on the window's thread.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class QSocketNotifier;

namespace pixtrim {

// The mounted volumes, by their root paths: read again each time the list opens and when
// the system mounts or unmounts one (a card inserted while the window is open appears).
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    ~DriveList() override;
    // The mounted volumes' roots (the system's; a test may give its own).
    static std::function<std::vector<std::string>()> Volumes;
    // Reads the mounted volumes again, keeping the selection where the volume remains;
    // emits Refreshed when the list changed.
    void Refresh();
    void showPopup() override;
    // Selects the volume that holds `path` (the longest matching root); emits Change only
    // when the selection moves.
    void SelectVolumeOf(const std::string& path);
    std::string CurrentRoot() const;
    // The root of the volume that holds `path`.
    std::string VolumeOf(const std::string& path) const;

signals:
    // Another volume was picked: by the user (`byUser`), or by code to match a folder.
    void Change(bool byUser);
    // The volumes changed: the selected one may be gone (no entry is selected then).
    void Refreshed();

private:
    int mounts_ = -1;  // the system's mount table, which signals each change
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
// ignored. The list is the folder's as it is now: the folder is read again for a new path
// or pattern, on Reread, and shortly after the folder itself changes. The highlighted file
// stays highlighted while it is listed.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    ~FileList() override;
    const std::string& Path() const { return path_; }
    void SetPath(const std::string& path);
    void SetPattern(const QString& pattern);
    void Reread();
    int ListCount() const { return count(); }
    // The raw name of the file shown by `item`.
    static std::string NameOf(const QListWidgetItem* item);

signals:
    // The folder shown changed (a file came or went, or the folder itself went).
    void FolderChanged();

private:
    void Watch();
    std::string path_;
    std::string pattern_ = "*.*";
    int watch_ = -1;    // an inotify instance
    int watched_ = -1;  // its one watch, on the folder shown
    QTimer settle_;     // a burst of changes is read once, when it settles
};

}  // namespace pixtrim
