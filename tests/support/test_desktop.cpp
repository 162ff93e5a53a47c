#include "support/test_desktop.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace kv3::test {

void TestDesktop::messageBox(const std::string& text, const std::string& caption) {
  messages.push_back({text, caption});
  log.push_back("message " + caption + ": " + text);
}

void TestDesktop::errorBox(const std::string& text) {
  errors.push_back(text);
  log.push_back("error " + text);
}

bool TestDesktop::runFileDialog(form::FileDialog& dialog) {
  dialogsShown.push_back(dialog.name());
  log.push_back("dialog " + dialog.name());
  if (dialogAnswers_.empty()) {
    throw std::logic_error("test desktop: no answer scripted for dialog " + dialog.name());
  }
  auto answer = std::move(dialogAnswers_.front());
  dialogAnswers_.pop_front();
  if (!answer || answer->empty()) {
    return false;
  }
  dialog.fileName = answer->front();
  dialog.files = *answer;
  return true;
}

void TestDesktop::repaint() {
  ++repaints;
  log.push_back("repaint");
}

void TestDesktop::openUrl(const std::string& url) {
  urls.push_back(url);
  log.push_back("url " + url);
}

std::vector<std::string> TestDesktop::messageTexts() const {
  std::vector<std::string> texts;
  for (const Message& m : messages) texts.push_back(m.text);
  return texts;
}

void TestDesktop::pause(int ms) {
  pauses.push_back(ms);
  log.push_back("pause " + std::to_string(ms));
  if (onPause) onPause(ms);
  const auto scaled = static_cast<long long>(ms * pauseScale * 1000.0);
  if (scaled > 0) {
    std::this_thread::sleep_for(std::chrono::microseconds(scaled));
  }
  if (passTime) passTime(ms);
  if (settle) settle();
}

void TestDesktop::processMessages() {
  ++processed;
  log.push_back("process");
  // Actions queued by an action run at a later processMessages, as in a real message loop.
  auto pending = std::move(userActions_);
  userActions_.clear();
  for (auto& action : pending) {
    action();
  }
}

void TestDesktop::answerNextDialog(std::optional<std::vector<std::string>> files) {
  dialogAnswers_.push_back(std::move(files));
}

void TestDesktop::queueUserAction(std::function<void()> action) {
  userActions_.push_back(std::move(action));
}

}  // namespace kv3::test
