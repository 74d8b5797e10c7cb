#include "app/Application.h"

#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QTransform>
#include <cstdio>
#include <cstdlib>

#include "app/WindowSettings.h"
#include "batch/ImageJob.h"
#include "image/cDIBSection.h"
#include "settings/ConfigurationFile.h"
#include "settings/StartUp.h"
#include "tools/HeldFolder.h"
#include "tools/Language.h"
#include "tools/TextCase.h"
#include "tools/Tools.h"

namespace pixtrim {

void ShowMessageBox(const QString& text, MessageIcon icon, QWidget* parent) {
    const QMessageBox::Icon shown = icon == MessageIcon::Critical  ? QMessageBox::Critical
                                    : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                                   : QMessageBox::Information;
    QMessageBox box(shown, "Pixtrim", text, QMessageBox::Ok, parent);
    box.exec();
}

Application::Application()
    : showMessage_([this](const QString& text, MessageIcon icon) {
          ShowMessageBox(text, icon, window_.get());
      }),
      endProcess_([](int status) {
          std::fflush(nullptr);
          std::_Exit(status);
      }) {}

Application::~Application() = default;

fIHM& Application::Window() {
    if (!window_) {
        window_ = std::make_unique<fIHM>();
        window_->onGenerate = [this] { run_.ResizeFolder(); };
        window_->onExit = [this] { QuitApplication(); };
        window_->onClose = [this] { EndProcess(0); };  // the close box stores nothing
        window_->decodePreview = [this](const std::string& path) { return DecodePreview(path); };
        window_->Form_Load(DisplayText(settings_.ImageFilters));
    }
    return *window_;
}

void Application::Main(const std::string& startFolder, const std::string& openFolder) {
    PrepareSettings(settings_, startFolder);
    if (!openFolder.empty()) {
        settings_.ImageFolder = FindExistingImageFolder(CleanFolderPath(openFolder), startFolder);
    }
    ApplySettingsToWindow();
    Window().setWindowTitle(Window().windowTitle() + " v" + kVersion);
    Window().ShowCentred();
}

void Application::QuitApplication() {
    ReadSettingsFromWindow();
    SaveConfiguration();
    EndProcess(0);
}

void Application::ReportUnexpected(const std::exception& error) {
    run_.ReportPreparationFailure(settings_.ImageFolder, error.what());
}

void Application::EndProcess(int status) {
    ended_ = true;
    endProcess_(status);
}

void Application::ReadSettingsFromWindow() { pixtrim::ReadSettingsFromWindow(settings_, Window()); }
void Application::ApplySettingsToWindow() { pixtrim::ApplySettingsToWindow(settings_, Window()); }
// A run that cannot store the settings says so and carries on: its copies matter more.
void Application::SaveConfiguration() {
    if (const StoreOutcome saved = pixtrim::SaveConfiguration(settings_, settings_.AppFolder);
        !saved) {
        ShowMessage({MessageIcon::Information, Tr("Impossible d'enregistrer les paramètres dans "),
                     ConfigurationStoreFile(), Tr(saved.reason.c_str())});
    }
}
void Application::ShowProgressBar() { Window().ShowProgressBar(); }
void Application::SetProgressBar(uint8_t percent) { Window().SetProgressBar(percent); }
void Application::HideProgressBar() {
    Window().HideProgressBar();
    // The run may have made the output sub-folder: let the folder list show it.
    Window().dirList->SetPath(Window().dirList->Path());
}

BatchHost::PreviewSizer Application::PreviewSizes() {
    const std::function<QSize(const QSize&)> sizes = Window().PreviewSizes();
    return [sizes](int32_t width, int32_t height) {
        const QSize size = sizes(QSize(width, height));
        return std::make_pair(int32_t(size.width()), int32_t(size.height()));
    };
}

namespace {

// The picture as viewers show it: bottom-up rows of blue, green, red turned over, then
// turned as the EXIF orientation says (mirrored first where it says so, then rotated
// clockwise).
QImage PictureOf(const cDIBSection& buffer, int orientation) {
    QImage picture = QImage(buffer.DIBSectionBitsPtr(), buffer.Width(), buffer.Height(),
                            buffer.BytesPerScanLine(), QImage::Format_BGR888)
                         .mirrored(false, true);
    if (orientation < 2 || orientation > 8) return picture;
    static constexpr struct {
        bool mirrored;
        int degrees;
    } kTurns[] = {{true, 0},   {false, 180}, {true, 180}, {true, 270},
                  {false, 90}, {true, 90},   {false, 270}};
    const auto turn = kTurns[orientation - 2];
    if (turn.mirrored) picture = picture.mirrored(true, false);
    return turn.degrees == 0 ? picture : picture.transformed(QTransform().rotate(turn.degrees));
}

// The size a picture stored at width x height is seen at.
QSize SeenSize(int32_t width, int32_t height, int orientation) {
    return QuarterTurned(orientation) ? QSize(height, width) : QSize(width, height);
}

}  // namespace

fIHM::Preview Application::DecodePreview(const std::string& path) {
    // Only a regular file is read, once: a FIFO in its place must not block the window.
    std::string bytes;
    if (!ReadRegularFile(path, bytes)) return {};
    cDIBSection preview;
    int32_t width = 0, height = 0;
    int orientation = 0;
    if (!pixtrim::DecodePreview(bytes, PreviewSizes(), preview, width, height, orientation))
        return {};
    return {PictureOf(preview, orientation), SeenSize(width, height, orientation)};
}

void Application::VisualizeCopy(const std::string& /*path*/, const cDIBSection& preview,
                                int32_t sourceWidth, int32_t sourceHeight, int orientation) {
    // A file the run could not read shows nothing: the preview never contradicts the box.
    if (!preview.DIBSectionBitsPtr()) return Window().ClearPreview();
    Window().ShowRunPreview(PictureOf(preview, orientation),
                            SeenSize(sourceWidth, sourceHeight, orientation));
}

int32_t Application::FileListCount() {
    // The run starts from the folder as it is now, not as it was listed.
    Window().filList->Reread();
    return Window().filList->ListCount();
}

void Application::ShowFolder(const std::string& folder) {
    // The file list follows through the folder list's change reaction.
    Window().dirList->SetPath(folder);
}

void Application::ProcessEvents() { QCoreApplication::processEvents(); }

void Application::ShowMessage(const RunMessage& message) {
    // The message box is modal: the window shows the run's last state behind it first.
    if (window_) window_->DrawRunFrame();
    if (window_ && window_->isVisible()) window_->repaint();
    showMessage_(DisplayText(WindowText(message)), message.icon);
}

}  // namespace pixtrim
