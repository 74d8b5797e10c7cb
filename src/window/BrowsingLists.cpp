#include "window/BrowsingLists.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

#include "tools/Tools.h"

namespace pixtrim {
namespace {

constexpr int kPathRole = Qt::UserRole;

// Names in the platform's encoding, sorted as the run's listing sorts them.
QStringList SortedIgnoringCase(const QStringList& names) {
    std::vector<std::string> raw;
    raw.reserve(names.size());
    for (const QString& name : names) raw.push_back(QFile::encodeName(name).toStdString());
    SortNamesIgnoringCase(raw);
    QStringList sorted;
    sorted.reserve(names.size());
    for (const std::string& name : raw) sorted << QFile::decodeName(name.c_str());
    return sorted;
}

bool IsUnder(const QString& path, const QString& root) {
    if (root == "/") return path.startsWith('/');
    return path == root || path.startsWith(root + '/');
}

}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    Refresh();
    connect(this, &QComboBox::activated, this, [this] { emit Change(true); });
}

void DriveList::Refresh() {
    const QString current = currentText();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) roots << volume.rootPath();
    }
    if (!roots.contains("/")) roots << "/";
    roots.removeDuplicates();
    std::sort(roots.begin(), roots.end());
    const QSignalBlocker blocker(this);
    clear();
    addItems(roots);
    setCurrentIndex(std::max(0, findText(current)));
}

QString DriveList::VolumeOf(const QString& path) const {
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemText(i);
        if (IsUnder(path, root) && root.size() > best.size()) best = root;
    }
    return best;
}

void DriveList::SelectVolumeOf(const QString& path) {
    const int index = findText(VolumeOf(path));
    if (index < 0 || index == currentIndex()) return;
    setCurrentIndex(index);
    emit Change(false);
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { SetPath(item->data(kPathRole).toString()); });
}

bool FolderList::SetPath(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir() || !info.isReadable()) return false;
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    const bool changed = clean != path_;
    path_ = clean;
    Fill();
    if (changed) emit Change();
    return true;
}

QString FolderList::HighlightedPath() const {
    const QListWidgetItem* item = currentItem();
    return item ? item->data(kPathRole).toString() : path_;
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    // Enter opens the highlighted folder, as a double click does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        SetPath(HighlightedPath());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::Fill() {
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    setUpdatesEnabled(false);
    clear();
    QStringList parts = path_.split('/', Qt::SkipEmptyParts);
    QString walked = "/";
    int depth = 0;
    const auto add = [&](const QString& text, const QString& full, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, QString(depth * 2, ' ') + text, this);
        item->setData(kPathRole, full);
        return item;
    };
    QListWidgetItem* opened = add("/", "/", open);
    for (const QString& part : parts) {
        walked = walked == "/" ? "/" + part : walked + "/" + part;
        ++depth;
        opened = add(part, walked, open);
    }
    ++depth;
    const QStringList children =
        SortedIgnoringCase(QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot));
    for (const QString& child : children)
        add(child, path_ == "/" ? "/" + child : path_ + "/" + child, closed);
    setCurrentItem(opened);
    setUpdatesEnabled(true);
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {}

void FileList::SetPath(const QString& path) {
    path_ = path;
    names_ = SortedIgnoringCase(QDir(path).entryList(QDir::Files));
    Filter();
}

void FileList::SetPattern(const QString& pattern) {
    pattern_ = pattern;
    Filter();
}

void FileList::Filter() {
    const std::string patterns = pattern_.toStdString();
    QStringList shown;
    for (const QString& name : names_) {
        if (MatchesFilters(QFile::encodeName(name).toStdString(), patterns)) shown << name;
    }
    setUpdatesEnabled(false);
    clear();
    addItems(shown);
    setUpdatesEnabled(true);
}

}  // namespace pixtrim
