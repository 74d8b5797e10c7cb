#include "window/BrowsingLists.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
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

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    Refresh();
    connect(this, &QComboBox::activated, this, [this] { emit Change(true); });
}

void DriveList::Refresh() {
    const std::string current = CurrentRoot();
    std::vector<std::string> roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) {
            roots.push_back(QFile::encodeName(volume.rootPath()).toStdString());
        }
    }
    roots.push_back("/");
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    const QSignalBlocker blocker(this);
    clear();
    for (const std::string& root : roots) {
        addItem(DisplayText(root), QByteArray::fromStdString(root));
    }
    setCurrentIndex(std::max(0, findData(QByteArray::fromStdString(current))));
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
}

void FileList::SetPath(const std::string& path) {
    path_ = path;
    names_ = ListFolder(path, EntryKind::RegularFile);
    Filter();
}

void FileList::SetPattern(const QString& pattern) {
    pattern_ = pattern.toStdString();
    Filter();
}

std::string FileList::NameOf(const QListWidgetItem* item) { return RawOf(item); }

void FileList::Filter() {
    setUpdatesEnabled(false);
    clear();
    for (const std::string& name : names_) {
        if (MatchesFilters(name, pattern_)) AddEntry(this, DisplayText(name), name);
    }
    setUpdatesEnabled(true);
}

}  // namespace pixtrim
