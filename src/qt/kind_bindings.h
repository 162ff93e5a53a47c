#pragma once

#include <QWidget>
#include <memory>

#include "form/controls.h"
#include "form/form.h"
#include "qt/binding.h"

namespace kv3::qt {

// One factory per kind of control; makeBinding picks the right one. The form's widget is the
// window itself, so bindForm takes it rather than a parent.
std::unique_ptr<Binding> bindForm(form::Form& form, QWidget* window);
std::unique_ptr<Binding> bindLabel(form::Label& label, QWidget* parent);
std::unique_ptr<Binding> bindButton(form::Button& button, QWidget* parent);
std::unique_ptr<Binding> bindEdit(form::Edit& edit, QWidget* parent);
std::unique_ptr<Binding> bindCheckBox(form::CheckBox& checkBox, QWidget* parent);
std::unique_ptr<Binding> bindListBox(form::ListBox& list, QWidget* parent);
std::unique_ptr<Binding> bindGauge(form::Gauge& gauge, QWidget* parent);
std::unique_ptr<Binding> bindPageControl(form::PageControl& pages, QWidget* parent);
// parent is the page control's tab widget, which already holds the page.
std::unique_ptr<Binding> bindTabSheet(form::TabSheet& sheet, QWidget* parent);
std::unique_ptr<Binding> bindImage(form::Image& image, QWidget* parent);
std::unique_ptr<Binding> bindGroupBox(form::GroupBox& group, QWidget* parent);
std::unique_ptr<Binding> bindMemo(form::Memo& memo, QWidget* parent);
std::unique_ptr<Binding> bindShape(form::Shape& shape, QWidget* parent);

}  // namespace kv3::qt
