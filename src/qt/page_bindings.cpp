#include <QTabWidget>
#include <algorithm>

#include "qt/kind_bindings.h"
#include "qt/text.h"

namespace kv3::qt {

namespace {

using form::Property;

int pageIndex(const form::TabSheet& sheet) {
  const auto& pages = sheet.pageControl().pages();
  return static_cast<int>(std::find(pages.begin(), pages.end(), &sheet) - pages.begin());
}

// The tab widget owns the tabs: their captions, their visibility and the page in front. It
// watches its pages itself, so that its own changes of the current tab are never mistaken for
// the user's.
class PageControlBinding : public TypedBinding<form::PageControl, QTabWidget> {
 public:
  PageControlBinding(form::PageControl& pages, QWidget* parent)
      : TypedBinding(pages, new QTabWidget(parent)) {
    view_->setUsesScrollButtons(false);
    CopyScope copy(*this);
    for (form::TabSheet* sheet : pages.pages()) {
      view_->addTab(new QWidget, toQt(sheet->caption()));
    }
    connect(view_, &QTabWidget::currentChanged, this, [this](int index) {
      if (copying() || index < 0 || index >= static_cast<int>(model_.pages().size())) {
        return;
      }
      model_.userSelectPage(model_.pages()[static_cast<std::size_t>(index)]);
      copyActivePage();
    });
  }

  void start() override {
    for (form::TabSheet* sheet : model_.pages()) {
      watch(*sheet, [this, sheet](Property property) { applyPage(*sheet, property); });
      applyPage(*sheet, Property::Text);
      applyPage(*sheet, Property::TabVisible);
    }
    Binding::start();
  }

 protected:
  void apply(Property property) override {
    if (property == Property::ActivePage) {
      copyActivePage();
    } else if (property != Property::Color) {
      Binding::apply(property);
    }
  }

 private:
  void applyPage(form::TabSheet& sheet, Property property) {
    const int index = pageIndex(sheet);
    if (property == Property::Text) {
      view_->setTabText(index, toQt(sheet.caption()));
    } else if (property == Property::TabVisible) {
      {
        CopyScope copy(*this);
        view_->setTabVisible(index, sheet.tabVisible());
      }
      // Hiding the tab in front makes the tab widget pick another; the model has its own rule.
      copyActivePage();
    }
  }

  void copyActivePage() {
    form::TabSheet* active = model_.activePage();
    if (active == nullptr || !active->tabVisible()) {
      return;
    }
    const int index = pageIndex(*active);
    if (view_->currentIndex() != index) {
      CopyScope copy(*this);
      view_->setCurrentIndex(index);
    }
  }
};

// A page: the widget its controls sit on. The tab itself belongs to the page control.
class TabSheetBinding : public Binding {
 public:
  TabSheetBinding(form::TabSheet& sheet, QTabWidget* tabs)
      : Binding(sheet, tabs->widget(pageIndex(sheet))) {
    widget()->setAutoFillBackground(false);
  }

 protected:
  void apply(Property property) override {
    // The tab widget places and shows its pages.
    if (property == Property::Enabled || property == Property::Focus) {
      Binding::apply(property);
    }
  }
};

}  // namespace

std::unique_ptr<Binding> bindPageControl(form::PageControl& pages, QWidget* parent) {
  return std::make_unique<PageControlBinding>(pages, parent);
}

std::unique_ptr<Binding> bindTabSheet(form::TabSheet& sheet, QWidget* parent) {
  return std::make_unique<TabSheetBinding>(sheet, static_cast<QTabWidget*>(parent));
}

}  // namespace kv3::qt
