#include "qt/kind_bindings.h"
#include "qt/text.h"
#include "qt/widgets.h"

namespace kv3::qt {

namespace {

using form::Property;

// A list box: entries and the selected entry come from the model; selecting an entry with the
// mouse or the keyboard, or clicking the selected entry again, is the list's click. Nothing
// else reaches the model as the user's: neither the model's own changes nor the focus.
class ListBinding : public TypedBinding<form::ListBox, SelectList> {
 public:
  ListBinding(form::ListBox& list, QWidget* parent) : TypedBinding(list, new SelectList(parent)) {
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(view_, &SelectList::chosen, this, [this](int row) {
      if (!copying()) {
        select(row);
      }
    });
    connect(view_, &SelectList::movedByItself, this, [this] { copyItemIndex(); });
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Items:
        copyItems();
        break;
      case Property::ItemIndex:
        copyItemIndex();
        break;
      case Property::Color:
        setPaletteColor(QPalette::Base, toQColor(model_.color()));
        break;
      default:
        Binding::apply(property);
    }
  }

 private:
  void select(int row) {
    model_.userSelect(row);
    copyItemIndex();
  }

  void copyItems() {
    {
      CopyScope copy(*this);
      view_->clear();
      for (const std::string& item : model_.items()) {
        view_->addItem(toQt(item));
      }
    }
    copyItemIndex();
  }

  void copyItemIndex() {
    const int index = model_.itemIndex();
    if (view_->currentRow() == index && (index < 0 || view_->item(index)->isSelected())) {
      return;
    }
    CopyScope copy(*this);
    if (index < 0) {
      view_->setCurrentRow(-1);
      view_->clearSelection();
    } else {
      view_->setCurrentRow(index);
    }
  }
};

}  // namespace

std::unique_ptr<Binding> bindListBox(form::ListBox& list, QWidget* parent) {
  return std::make_unique<ListBinding>(list, parent);
}

}  // namespace kv3::qt
