#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "form/control.h"

namespace kv3::qt {

QColor toQColor(form::Color color);

// Keeps one widget equal to one control of the model. Model changes arrive through the
// control's observers and are copied onto the widget; the user's input on the widget goes back
// through the control's user calls, and the widget is then brought back in line with whatever
// the model made of it. Widget signals caused by the binding's own copying are ignored.
class Binding : public QObject {
 public:
  Binding(form::Control& control, QWidget* widget);
  ~Binding() override;
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

  form::Control& control() const { return control_; }
  QWidget* widget() const { return widget_; }
  // The widget the control's children are placed on.
  virtual QWidget* container() const { return widget_; }

  // Starts observing the model and copies every property once.
  virtual void start();

 protected:
  // Copies one property of the model onto the widget.
  virtual void apply(form::Property property);
  virtual void applyGeometry();

  // Observes another control (a buddy label, a page of a page control) for this widget's sake.
  void watch(form::Control& other, std::function<void(form::Property)> observer);

  // While one exists, the binding is writing the widget and its signals are echoes.
  class CopyScope {
   public:
    explicit CopyScope(Binding& binding) : binding_(binding) { ++binding_.copying_; }
    ~CopyScope() { --binding_.copying_; }
    CopyScope(const CopyScope&) = delete;
    CopyScope& operator=(const CopyScope&) = delete;

   private:
    Binding& binding_;
  };
  bool copying() const { return copying_ > 0; }

  // Sets a colour for the active and inactive states; disabled widgets keep their grey.
  void setPaletteColor(QPalette::ColorRole role, QColor color);
  // The window's controls sit on the button face; only a different colour is painted, so
  // a label's red flash shows and an ordinary label stays see-through.
  void paintBackgroundUnlessFace();

 private:
  void applyStyle();
  void followReadableName();

  form::Control& control_;
  QPointer<QWidget> widget_;
  int copying_ = 0;
  std::vector<std::pair<form::Control*, int>> subscriptions_;
};

// A binding that knows its control and its widget by their own types.
template <class Model, class View>
class TypedBinding : public Binding {
 public:
  TypedBinding(Model& model, View* view) : Binding(model, view), model_(model), view_(view) {}

 protected:
  Model& model_;
  View* view_;
};

// Makes the widget for the control on parent (for a page of a page control: the page control's
// widget) together with its binding; not started yet.
std::unique_ptr<Binding> makeBinding(form::Control& control, QWidget* parent);

}  // namespace kv3::qt
