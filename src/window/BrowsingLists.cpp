#include "window/BrowsingLists.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QSocketNotifier>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "tools/Filters.h"
#include "tools/HeldFolder.h"
#include "tools/TextCase.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

// Each entry keeps its raw path (or name) here; its text is only for the eye.
constexpr int kRawRole = Qt::UserRole;
// A folder's depth below the root: its indent, drawn, not blanks in its text (which would
// stop a typed name's first letters from finding it).
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPerDepth = 8;

// Draws each entry at its depth's indent, and a dotted mark around the current entry while
// the list has the keyboard focus, as desktop lists show where typing goes.
class ListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + kIndentPerDepth * index.data(kDepthRole).toInt());
        QStyledItemDelegate::paint(painter, shifted, index);
        if (option.state.testFlag(QStyle::State_HasFocus)) {
            painter->save();
            painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
            painter->restore();
        }
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        return {size.width() + kIndentPerDepth * index.data(kDepthRole).toInt(), size.height()};
    }
};

QListWidgetItem* AddEntry(QListWidget* list, const QString& text, const std::string& raw,
                          const QIcon& icon = QIcon()) {
    auto* item = new QListWidgetItem(icon, text, list);
    item->setData(kRawRole, QByteArray::fromStdString(raw));
    return item;
}

std::string RawOf(const QListWidgetItem* item) {
    return item->data(kRawRole).toByteArray().toStdString();
}

bool IsUnder(const std::string& path, const std::string& root) {
    if (root == "/") return path.starts_with('/');
    return path == root || path.starts_with(root + '/');
}

}  // namespace

std::function<std::vector<std::string>()> DriveList::Volumes = [] {
    std::vector<std::string> roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) {
            roots.push_back(QFile::encodeName(volume.rootPath()).toStdString());
        }
    }
    return roots;
};

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    Refresh();
    connect(this, &QComboBox::activated, this, [this] { emit Change(true); });
    // The kernel marks the mount table exceptional after each change: a cheap watch.
    mounts_ = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    if (mounts_ >= 0) {
        auto* notifier = new QSocketNotifier(mounts_, QSocketNotifier::Exception, this);
        connect(notifier, &QSocketNotifier::activated, this, &DriveList::Refresh);
    }
}

DriveList::~DriveList() {
    if (mounts_ >= 0) ::close(mounts_);
}

void DriveList::showPopup() {
    Refresh();
    QComboBox::showPopup();
}

void DriveList::Refresh() {
    std::vector<std::string> roots = Volumes();
    roots.push_back("/");
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    std::vector<std::string> listed;
    listed.reserve(size_t(count()));
    for (int i = 0; i < count(); ++i) listed.push_back(itemData(i).toByteArray().toStdString());
    if (roots == listed) return;
    const QByteArray current = currentData().toByteArray();
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const std::string& root : roots) {
            addItem(DisplayText(root), QByteArray::fromStdString(root));
        }
        // At first the system's root; later, nothing when the selected volume went.
        setCurrentIndex(listed.empty() ? findData(QByteArray("/")) : findData(current));
    }
    if (!listed.empty()) emit Refreshed();
}

std::string DriveList::CurrentRoot() const { return currentData().toByteArray().toStdString(); }

std::string DriveList::VolumeOf(const std::string& path) const {
    std::string best;
    for (int i = 0; i < count(); ++i) {
        const std::string root = itemData(i).toByteArray().toStdString();
        if (IsUnder(path, root) && root.size() > best.size()) best = root;
    }
    return best;
}

void DriveList::SelectVolumeOf(const std::string& path) {
    const int index = findData(QByteArray::fromStdString(VolumeOf(path)));
    if (index < 0 || index == currentIndex()) return;
    setCurrentIndex(index);
    emit Change(false);
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new ListDelegate(this));
    // A double click or the activation key (Return, Enter) opens the folder.
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { SetPath(RawOf(item)); });
}

bool FolderList::SetPath(const std::string& path) {
    if (!IsReadableFolder(path)) return false;
    const std::string clean = CleanFolderPath(path);
    const bool changed = clean != path_;
    path_ = clean;
    Fill();
    if (changed) emit Change();
    return true;
}

std::string FolderList::HighlightedPath() const {
    const QListWidgetItem* item = currentItem();
    return item ? RawOf(item) : path_;
}

void FolderList::Fill() {
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    setUpdatesEnabled(false);
    clear();
    int depth = 0;
    const auto add = [&](const std::string& name, const std::string& full, const QIcon& icon) {
        QListWidgetItem* item = AddEntry(this, DisplayText(name), full, icon);
        item->setData(kDepthRole, depth);
        return item;
    };
    QListWidgetItem* opened = add("/", "/", open);
    std::string walked;
    for (size_t start = 1; start < path_.size();) {
        const size_t end = std::min(path_.find('/', start), path_.size());
        walked = path_.substr(0, end);
        ++depth;
        opened = add(path_.substr(start, end - start), walked, open);
        start = end + 1;
    }
    ++depth;
    for (const std::string& child : ListFolder(path_, EntryKind::Folder)) {
        if (!child.starts_with('.')) add(child, JoinPath(path_, child), closed);
    }
    setCurrentItem(opened);
    setUpdatesEnabled(true);
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new ListDelegate(this));
    settle_.setSingleShot(true);
    settle_.setInterval(100);
    connect(&settle_, &QTimer::timeout, this, [this] {
        Reread();
        emit FolderChanged();
    });
    // inotify rather than the toolkit's watcher: it takes the folder's path as bytes.
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ < 0) return;
    auto* notifier = new QSocketNotifier(watch_, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        alignas(inotify_event) char events[4096];
        while (::read(watch_, events, sizeof events) > 0) {
        }
        settle_.start();
    });
}

FileList::~FileList() {
    if (watch_ >= 0) ::close(watch_);
}

void FileList::SetPath(const std::string& path) {
    path_ = path;
    Watch();  // again for the same path too: the folder may be a new one of that name
    Reread();
}

void FileList::SetPattern(const QString& pattern) {
    pattern_ = pattern.toStdString();
    Reread();
}

void FileList::Watch() {
    if (watch_ < 0) return;
    // One watch at a time: a new one for the new folder replaces it (the old one, if its
    // folder still exists, is removed by its descriptor).
    if (watched_ >= 0) inotify_rm_watch(watch_, watched_);
    watched_ =
        inotify_add_watch(watch_, path_.c_str(),
                          IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE |
                              IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
}

std::string FileList::NameOf(const QListWidgetItem* item) { return RawOf(item); }

void FileList::Reread() {
    const QListWidgetItem* current = currentItem();
    const QByteArray highlighted = current ? current->data(kRawRole).toByteArray() : QByteArray();
    const QSignalBlocker blocker(this);
    setUpdatesEnabled(false);
    clear();
    for (const std::string& name : ListFolder(path_, EntryKind::RegularFile)) {
        if (!MatchesFilters(name, pattern_)) continue;
        QListWidgetItem* item = AddEntry(this, DisplayText(name), name);
        if (!highlighted.isEmpty() && highlighted == item->data(kRawRole).toByteArray())
            setCurrentItem(item);
    }
    setUpdatesEnabled(true);
}

}  // namespace pixtrim
