#pragma once

#include <QWidget>
#include <memory>

#include "gui/binding.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace kv3::gui {

// One factory per kind of control; makeBinding picks the right one. The form's widget is the
// window itself, so bindForm takes it rather than a parent.
std::unique_ptr<Binding> bindForm(ui::Form& form, QWidget* window);
std::unique_ptr<Binding> bindLabel(ui::Label& label, QWidget* parent);
std::unique_ptr<Binding> bindButton(ui::Button& button, QWidget* parent);
std::unique_ptr<Binding> bindEdit(ui::Edit& edit, QWidget* parent);
std::unique_ptr<Binding> bindCheckBox(ui::CheckBox& checkBox, QWidget* parent);
std::unique_ptr<Binding> bindListBox(ui::ListBox& list, QWidget* parent);
std::unique_ptr<Binding> bindGauge(ui::Gauge& gauge, QWidget* parent);
std::unique_ptr<Binding> bindPageControl(ui::PageControl& pages, QWidget* parent);
// parent is the page control's tab widget, which already holds the page.
std::unique_ptr<Binding> bindTabSheet(ui::TabSheet& sheet, QWidget* parent);
std::unique_ptr<Binding> bindImage(ui::Image& image, QWidget* parent);
std::unique_ptr<Binding> bindGroupBox(ui::GroupBox& group, QWidget* parent);
std::unique_ptr<Binding> bindMemo(ui::Memo& memo, QWidget* parent);
std::unique_ptr<Binding> bindShape(ui::Shape& shape, QWidget* parent);

}  // namespace kv3::gui
