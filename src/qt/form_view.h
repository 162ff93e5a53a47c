#pragma once

#include <QCloseEvent>
#include <QFont>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "form/form.h"

namespace kv3::qt {

class Binding;

// The window of a form: one real widget per control of the model, placed by the controls'
// bounds, kept equal to the model and feeding the user's input back into it. The form must
// outlive the view.
class FormView : public QWidget {
 public:
  explicit FormView(form::Form& form, QWidget* parent = nullptr);
  ~FormView() override;
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  form::Form& form() const { return form_; }

  // The widget that shows the named control (the view itself for the form); null if unknown.
  QWidget* widgetFor(const std::string& name) const;
  template <class W>
  W* widgetAs(const std::string& name) const {
    return qobject_cast<W*>(widgetFor(name));
  }

  // Runs action once, after the window has become active for the first time. Without a window
  // manager no activation may ever come; then it runs fallbackMs after the window is shown.
  void runOnFirstActivation(std::function<void()> action, int fallbackMs = 300);

  // The window's font: Arial 13 pixels high (a metric twin stands in where Arial is missing).
  static QFont windowFont();

 protected:
  bool event(QEvent* event) override;
  // The form may keep the window open for now (an upload runs) and close it later itself.
  void closeEvent(QCloseEvent* event) override;

 private:
  void build(form::Control& control, QWidget* parent);
  void centreOnScreen();
  void firstActivation();

  form::Form& form_;
  std::vector<std::unique_ptr<Binding>> bindings_;
  std::map<std::string, QWidget*, std::less<>> widgets_;
  std::function<void()> onFirstActivation_;
  int fallbackMs_ = 300;
  bool activated_ = false;
  bool shownOnce_ = false;
};

}  // namespace kv3::qt
