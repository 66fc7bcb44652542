#include "plugin/tests/LozengeFixture.h"

#include <filesystem>

#include "platform/Com.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Snapshot.h"
#include "player/PluginLoader.h"
#include "player/TextFile.h"

namespace lozenge_test {

void WriteText(const std::string& path, const std::string& text) { ASSERT_TRUE(koru::WriteTextFile(path, text)); }

std::string ReadText(const std::string& path) {
  std::string text;
  return koru::ReadTextFile(path, text) ? text : std::string();
}

void LozengeTest::SetUp() {
  win::CoInitialize(nullptr);
  presenter_ = std::make_shared<win::test::ScriptedPresenter>([](const std::string& e) { ADD_FAILURE() << e; });
  previousPresenter_ = win::SetPresenter(presenter_);
  // The library and what ships beside it, in a folder of the test's own.
  const std::filesystem::path built = std::filesystem::path(LOZG_PLUGIN).parent_path();
  const std::string folder = win::detail::ToHostPath(kPluginFolder);
  std::filesystem::create_directories(folder);
  for (const char* name : {"LozgPlus.so", "KORULozg.htm", "KORULozengeT+.korud", "KORULozengeM+.korud",
                           "KORULozengeT.korud", "KORULozengeM.korud"}) {
    // A new file, never one rewritten in place: a library still mapped by
    // an earlier test must not change under it.
    const std::filesystem::path target = std::filesystem::path(folder) / name;
    std::filesystem::copy_file(built / name, target.string() + ".new", std::filesystem::copy_options::overwrite_existing);
    std::filesystem::rename(target.string() + ".new", target);
  }
  std::filesystem::remove(win::detail::ToHostPath(kSettingsPath));
}

void LozengeTest::TearDown() {
  koru_.reset();
  koru::test::PumpMessages();
  EXPECT_EQ(presenter_->PendingAnswers(), 0u) << "answers queued for dialogs that never came";
  win::SetPresenter(previousPresenter_);
  win::CoUninitialize();
}

void LozengeTest::StartPlayer(koru::PlayerOptions options) {
  options.readSettings = false;  // nothing of an earlier test's player
  koru_ = koru::test::TestPlayer::StartHere(std::move(options));
  ASSERT_TRUE(koru_);
  player().MoveTo(100, 200);
  koru::test::PumpMessages();
}

TFormKORULozenge* LozengeTest::Load() {
  if (!koru_) StartPlayer();
  if (!koru_) return nullptr;
  EXPECT_TRUE(player().Plugins().Load(kPluginPath));
  module_ = win::GetModuleHandleA(kPluginPath);
  koru::test::PumpMessages();
  if (!module_) return nullptr;
  auto** symbol = reinterpret_cast<TFormKORULozenge**>(win::GetProcAddress(module_, "_FormKORULozenge"));
  form_ = symbol ? *symbol : nullptr;
  return form_;
}

void LozengeTest::EndPlugin() {
  player().Plugins().End(module_);
  form_ = nullptr;
  koru::test::PumpMessages();
}

void LozengeTest::Post(win::DWORD event, win::LONG param) {
  ASSERT_TRUE(form_);
  koru_->Post(form_->KORU->WindowHandle, event, param);
  koru::test::PumpMessages();
}

void LozengeTest::MovePlayer(int left, int top) {
  player().MoveTo(left, top);
  koru::test::PumpMessages();
}

void LozengeTest::WriteSettings(const std::string& text) { WriteText(kSettingsPath, text); }
std::string LozengeTest::ReadSettings() { return ReadText(kSettingsPath); }
bool LozengeTest::SettingsExist() { return win::GetFileAttributesA(kSettingsPath) != win::INVALID_FILE_ATTRIBUTES; }

std::unique_ptr<TBitmap> LozengeTest::Screenshot() {
  win::test::PaintPending();
  auto screen = std::make_unique<TBitmap>();
  screen->SetHandle(win::test::SnapshotDesktop());
  return screen;
}

void LozengeTest::SaveScreen(const std::string& name) {
  win::test::PaintPending();
  win::test::SaveDesktopPng(name);
}

}  // namespace lozenge_test
