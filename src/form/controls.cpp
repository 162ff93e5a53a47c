#include "form/controls.h"

#include <algorithm>

#include "form/form.h"

namespace kv3::form {

void Captioned::setCaption(std::string caption) { assignText(std::move(caption)); }

Label::Label(Form* form, Control* parent, std::string name, Bounds bounds, std::string caption)
    : Captioned(form, parent, Kind::Label, std::move(name), bounds) {
  setCaption(std::move(caption));
}

void Label::userClick() {
  dispatch([this] {
    if (reachable() && onClick) {
      onClick();
    }
  });
}

Button::Button(Form* form, Control* parent, std::string name, Bounds bounds, std::string caption)
    : Captioned(form, parent, Kind::Button, std::move(name), bounds) {
  setCaption(std::move(caption));
}

void Button::click() {
  if (onClick) {
    onClick();
  }
}

void Button::userClick() {
  dispatch([this] {
    if (reachable()) {
      click();
    }
  });
}

Edit::Edit(Form* form, Control* parent, std::string name, Bounds bounds, std::string text)
    : Edit(form, parent, Kind::Edit, std::move(name), bounds) {
  assignText(std::move(text));
}

Edit::Edit(Form* form, Control* parent, Kind kind, std::string name, Bounds bounds)
    : Control(form, parent, kind, std::move(name), bounds) {}

void Edit::setText(std::string text) {
  if (assignText(std::move(text)) && onChange) {
    onChange();
  }
}

void Edit::userEdit(std::string text) {
  dispatch([this, &text] {
    if (reachable() && !readOnly_) {
      setText(std::move(text));
    }
  });
}

void Edit::setReadOnly(bool readOnly) {
  if (readOnly_ != readOnly) {
    readOnly_ = readOnly;
    notify(Property::ReadOnly);
  }
}

void Edit::setPasswordChar(char passwordChar) {
  if (passwordChar_ != passwordChar) {
    passwordChar_ = passwordChar;
    notify(Property::PasswordChar);
  }
}

namespace {

// The blank form of a mask: literals stay, every input place becomes a blank.
std::string blankOfMask(const std::string& mask) {
  std::string blank;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\' && i + 1 < mask.size()) {
      blank += mask[++i];
    } else {
      blank += ' ';
    }
  }
  return blank;
}

}  // namespace

MaskEdit::MaskEdit(Form* form, Control* parent, std::string name, Bounds bounds, std::string mask)
    : Edit(form, parent, Kind::MaskEdit, std::move(name), bounds),
      mask_(std::move(mask)),
      emptyText_(blankOfMask(mask_)) {
  setMaxLength(static_cast<int>(emptyText_.size()));
  Edit::setText(emptyText_);
}

void MaskEdit::setText(std::string text) {
  // Like the desktop's masked edit: an empty text is the mask's blank form, a longer one is cut.
  if (text.empty()) {
    text = emptyText_;
  } else if (text.size() > emptyText_.size()) {
    text.resize(emptyText_.size());
  }
  Edit::setText(std::move(text));
}

std::optional<MaskEdit::Typed> MaskEdit::typed(std::string text, std::size_t cursor, Key key,
                                               char character) const {
  const std::string& blank = emptyText_;
  text.resize(blank.size(), ' ');
  std::size_t at = std::min(cursor, blank.size());
  const auto literal = [&blank](std::size_t i) { return blank[i] != ' '; };
  switch (key) {
    case Key::Character:
      while (at < blank.size() && literal(at)) ++at;
      if (at >= blank.size()) return std::nullopt;
      text[at++] = character;
      while (at < blank.size() && literal(at)) ++at;
      return Typed{std::move(text), at};
    case Key::Backspace:
      while (at > 0 && literal(at - 1)) --at;
      if (at == 0) return std::nullopt;
      --at;
      break;
    case Key::Delete:
      while (at < blank.size() && literal(at)) ++at;
      if (at >= blank.size()) return std::nullopt;
      break;
  }
  text[at] = ' ';
  return Typed{std::move(text), at};
}

CheckBox::CheckBox(Form* form, Control* parent, std::string name, Bounds bounds,
                   std::string caption)
    : Captioned(form, parent, Kind::CheckBox, std::move(name), bounds) {
  setCaption(std::move(caption));
}

void CheckBox::setChecked(bool checked) {
  if (checked_ == checked) {
    return;
  }
  checked_ = checked;
  notify(Property::Checked);
  if (onClick) {
    onClick();
  }
}

void CheckBox::userClick() {
  dispatch([this] {
    if (reachable()) {
      setChecked(!checked_);
    }
  });
}

ListBox::ListBox(Form* form, Control* parent, std::string name, Bounds bounds)
    : Control(form, parent, Kind::ListBox, std::move(name), bounds) {}

void ListBox::clear() {
  if (items_.empty() && itemIndex_ == -1) {
    return;
  }
  items_.clear();
  itemIndex_ = -1;
  notify(Property::Items);
}

void ListBox::add(std::string item) {
  items_.push_back(std::move(item));
  notify(Property::Items);
}

void ListBox::setItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) {
    index = -1;
  }
  if (itemIndex_ != index) {
    itemIndex_ = index;
    notify(Property::ItemIndex);
  }
}

void ListBox::userSelect(int index) {
  dispatch([this, index] {
    if (reachable()) {
      setItemIndex(index);
      if (onClick) {
        onClick();
      }
    }
  });
}

void ListBox::setFocus() { notify(Property::Focus); }

Gauge::Gauge(Form* form, Control* parent, std::string name, Bounds bounds)
    : Control(form, parent, Kind::Gauge, std::move(name), bounds) {}

void Gauge::setProgress(int progress) {
  progress = std::clamp(progress, 0, 100);
  if (progress_ != progress) {
    progress_ = progress;
    notify(Property::Progress);
  }
}

PageControl::PageControl(Form* form, Control* parent, std::string name, Bounds bounds)
    : Control(form, parent, Kind::PageControl, std::move(name), bounds) {}

void PageControl::setActivePage(TabSheet* page) {
  if (activePage_ != page) {
    activePage_ = page;
    notify(Property::ActivePage);
  }
}

void PageControl::userSelectPage(TabSheet* page) {
  dispatch([this, page] {
    if (reachable() && page != nullptr && page->tabVisible()) {
      setActivePage(page);
    }
  });
}

void PageControl::addPage(TabSheet* page) {
  pages_.push_back(page);
  if (activePage_ == nullptr) {
    activePage_ = page;
  }
}

void PageControl::tabHidden(TabSheet* page) {
  if (activePage_ != page) {
    return;
  }
  const auto first =
      std::find_if(pages_.begin(), pages_.end(), [](const TabSheet* p) { return p->tabVisible(); });
  setActivePage(first == pages_.end() ? nullptr : *first);
}

TabSheet::TabSheet(Form* form, PageControl* parent, std::string name, std::string caption)
    : Captioned(form, parent, Kind::TabSheet, std::move(name), Bounds{}), pageControl_(parent) {
  setCaption(std::move(caption));
  pageControl_->addPage(this);
}

void TabSheet::setTabVisible(bool visible) {
  if (tabVisible_ == visible) {
    return;
  }
  tabVisible_ = visible;
  notify(Property::TabVisible);
  if (!visible) {
    pageControl_->tabHidden(this);
  }
}

Image::Image(Form* form, Control* parent, std::string name, Bounds bounds, std::string picture)
    : Control(form, parent, Kind::Image, std::move(name), bounds), picture_(std::move(picture)) {}

void Image::userClick() {
  dispatch([this] {
    if (reachable() && onClick) {
      onClick();
    }
  });
}

GroupBox::GroupBox(Form* form, Control* parent, std::string name, Bounds bounds,
                   std::string caption)
    : Captioned(form, parent, Kind::GroupBox, std::move(name), bounds) {
  setCaption(std::move(caption));
}

Memo::Memo(Form* form, Control* parent, std::string name, Bounds bounds)
    : Control(form, parent, Kind::Memo, std::move(name), bounds) {}

void Memo::setLines(std::vector<std::string> lines) {
  if (lines_ != lines) {
    lines_ = std::move(lines);
    notify(Property::Text);
  }
}

Shape::Shape(Form* form, Control* parent, std::string name, Bounds bounds)
    : Control(form, parent, Kind::Shape, std::move(name), bounds) {}

}  // namespace kv3::form
