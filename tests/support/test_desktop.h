#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "form/desktop.h"
#include "form/file_dialog.h"

namespace kv3::test {

// A desktop for tests: dialogs answer from a script, every message, pause and repaint is
// recorded, queued "user actions" run when the logic processes its messages, and pauses
// really pass, scaled down by pauseScale (0 lets no time pass at all).
class TestDesktop : public form::Desktop {
 public:
  struct Message {
    std::string text;
    std::string caption;
  };

  explicit TestDesktop(double pauseScale = 0.0) : pauseScale(pauseScale) {}

  void messageBox(const std::string& text, const std::string& caption) override;
  void errorBox(const std::string& text) override;
  bool runFileDialog(form::FileDialog& dialog) override;
  void repaint() override;
  void openUrl(const std::string& url) override;
  void pause(int ms) override;
  void processMessages() override;

  // The next file dialog confirms these files (the first is the file name); nullopt cancels.
  void answerNextDialog(std::optional<std::vector<std::string>> files);
  // Runs at the next processMessages(), as a click the user made meanwhile would.
  void queueUserAction(std::function<void()> action);
  // The texts of the message boxes shown so far, in order.
  std::vector<std::string> messageTexts() const;

  double pauseScale;
  // Runs as each pause begins, with its length: where the far side may act "meanwhile".
  std::function<void(int ms)> onPause;
  // Runs as each pause ends: the simulated far side finishes what was due by then, so that a
  // busy machine, which may give its thread the processor late, does not change what a pause
  // means.
  std::function<void()> settle;
  // Runs as each pause ends, before settle, with its length: the far side's own clock, where it
  // has one, moves on by the pause as the logic means it.
  std::function<void(int ms)> passTime;
  std::vector<Message> messages;
  std::vector<std::string> errors;
  std::vector<int> pauses;
  std::vector<std::string> urls;
  std::vector<std::string> dialogsShown;  // names of the dialogs, in order
  int repaints = 0;
  int processed = 0;
  // Everything in the order it happened: "pause 500", "message <caption>: <text>",
  // "error <text>", "process", "repaint", "dialog <name>", "url <address>".
  std::vector<std::string> log;

 private:
  std::deque<std::optional<std::vector<std::string>>> dialogAnswers_;
  std::deque<std::function<void()>> userActions_;
};

}  // namespace kv3::test
