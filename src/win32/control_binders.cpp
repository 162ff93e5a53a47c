// The binders of the controls the system draws: labels, buttons, edits, check boxes, lists,
// gauges, group boxes and memos.
#include <algorithm>

#include "form/controls.h"
#include "platform/windows_text.h"
#include "win32/binder.h"

// clang-format off
#include <uxtheme.h>
#include <vssym32.h>
// clang-format on

namespace kv3::win32 {

namespace {

using form::Property;
using platform::detail::Utf8;
using platform::detail::Wide;

class LabelBinder final : public Binder {
 public:
  LabelBinder(form::Captioned& label, HWND parent)
      : Binder(label, Create(L"STATIC", SS_LEFT | SS_NOTIFY | SS_NOPREFIX, parent, label)),
        label_(label) {}
  void command(UINT code) override {
    if (code != STN_CLICKED) return;
    if (auto* label = dynamic_cast<form::Label*>(&label_)) label->userClick();
  }

 protected:
  form::Color background() const override {
    // A label on a page shows the page's face unless it has a colour of its own.
    return label_.color();
  }
  void apply(Property property) override {
    if (property == Property::Text) {
      setText(label_.caption());
    } else {
      Binder::apply(property);
    }
  }

 private:
  form::Captioned& label_;
};

class ButtonBinder final : public Binder {
 public:
  ButtonBinder(form::Button& button, HWND parent)
      : Binder(button, Create(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, parent, button)),
        button_(button) {}
  void command(UINT code) override {
    if (code == BN_CLICKED && !copying()) button_.userClick();
  }
  // A caption in a colour of its own (a link's blue) is drawn here on the themed button; the
  // others are drawn by the system. Returns what NM_CUSTOMDRAW asks for.
  LRESULT customDraw(const NMCUSTOMDRAW& draw) override {
    if (button_.style().fontColor == form::clWindowText || draw.dwDrawStage != CDDS_PREPAINT) {
      return CDRF_DODEFAULT;
    }
    const HTHEME theme = ::OpenThemeData(window(), L"BUTTON");
    if (theme == nullptr) return CDRF_DODEFAULT;
    int state = PBS_NORMAL;
    if (!::IsWindowEnabled(window())) {
      state = PBS_DISABLED;
    } else if ((draw.uItemState & CDIS_SELECTED) != 0) {
      state = PBS_PRESSED;
    } else if ((draw.uItemState & CDIS_HOT) != 0) {
      state = PBS_HOT;
    }
    RECT area = draw.rc;
    ::DrawThemeParentBackground(window(), draw.hdc, &area);
    ::DrawThemeBackground(theme, draw.hdc, BP_PUSHBUTTON, state, &area, nullptr);
    ::CloseThemeData(theme);
    const std::wstring caption = Wide(button_.caption());
    ::SetBkMode(draw.hdc, TRANSPARENT);
    ::SetTextColor(draw.hdc, state == PBS_DISABLED ? ::GetSysColor(COLOR_GRAYTEXT)
                                                   : Ref(button_.style().fontColor));
    const HGDIOBJ previous = ::SelectObject(draw.hdc, font());
    ::DrawTextW(draw.hdc, caption.c_str(), static_cast<int>(caption.size()), &area,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(draw.hdc, previous);
    if ((draw.uItemState & CDIS_FOCUS) != 0) {
      ::InflateRect(&area, -3, -3);
      ::DrawFocusRect(draw.hdc, &area);
    }
    return CDRF_SKIPDEFAULT;
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      setText(button_.caption());
    } else {
      Binder::apply(property);
    }
  }

 private:
  form::Button& button_;
};

// A masked field keeps its shape by the model's rule (form::MaskEdit::typed).
LRESULT CALLBACK MaskedTyping(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              UINT_PTR /*id*/, DWORD_PTR data) {
  using Key = form::MaskEdit::Key;
  const auto& mask = *reinterpret_cast<const form::MaskEdit*>(data);
  std::optional<Key> key;
  if (message == WM_CHAR && wParam >= 0x20 && wParam < 0x7F) key = Key::Character;
  if (message == WM_CHAR && wParam == VK_BACK) key = Key::Backspace;
  if (message == WM_KEYDOWN && wParam == VK_DELETE) key = Key::Delete;
  if (!key) return ::DefSubclassProc(window, message, wParam, lParam);
  DWORD start = 0;
  ::SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  const auto typed =
      mask.typed(Utf8(TextOf(window)), start, *key, static_cast<char>(wParam & 0x7F));
  if (!typed) return 0;
  ::SetWindowTextW(window, Wide(typed->text).c_str());  // EN_CHANGE takes it to the model
  ::SendMessageW(window, EM_SETSEL, typed->cursor, typed->cursor);
  return 0;
}

class EditBinder final : public Binder {
 public:
  EditBinder(form::Edit& edit, HWND parent)
      : Binder(edit, Create(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, parent, edit, WS_EX_CLIENTEDGE)),
        edit_(edit) {
    if (edit.maxLength() > 0) ::SendMessageW(window(), EM_SETLIMITTEXT, edit.maxLength(), 0);
    if (edit.kind() == form::Kind::MaskEdit) {
      ::SetWindowSubclass(window(), MaskedTyping, 1, reinterpret_cast<DWORD_PTR>(&edit));
    }
  }
  ~EditBinder() override { ::RemoveWindowSubclass(window(), MaskedTyping, 1); }
  bool systemGrey() const override { return !edit_.enabled(); }
  void command(UINT code) override {
    if (code != EN_CHANGE || copying()) return;
    DWORD cursor = 0;
    ::SendMessageW(window(), EM_GETSEL, reinterpret_cast<WPARAM>(&cursor), 0);
    edit_.userEdit(Utf8(TextOf(window())));
    // The model may have corrected the text; the cursor stays where the user typed.
    setText(edit_.text());
    const auto length = static_cast<DWORD>(::GetWindowTextLengthW(window()));
    cursor = std::min(cursor, length);
    ::SendMessageW(window(), EM_SETSEL, cursor, cursor);
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        setText(edit_.text());
        break;
      case Property::PasswordChar:
        ::SendMessageW(window(), EM_SETPASSWORDCHAR,
                       static_cast<WPARAM>(static_cast<unsigned char>(edit_.passwordChar())), 0);
        ::InvalidateRect(window(), nullptr, TRUE);
        break;
      case Property::ReadOnly:
        ::SendMessageW(window(), EM_SETREADONLY, edit_.readOnly() ? TRUE : FALSE, 0);
        break;
      default:
        Binder::apply(property);
    }
  }

 private:
  form::Edit& edit_;
};

class CheckBoxBinder final : public Binder {
 public:
  CheckBoxBinder(form::CheckBox& box, HWND parent)
      : Binder(box, Create(L"BUTTON", WS_TABSTOP | BS_CHECKBOX, parent, box)), box_(box) {}
  void command(UINT code) override {
    if (code != BN_CLICKED || copying()) return;
    box_.userClick();
    copyChecked();
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      setText(box_.caption());
    } else if (property == Property::Checked) {
      copyChecked();
    } else {
      Binder::apply(property);
    }
  }

 private:
  void copyChecked() {
    ::SendMessageW(window(), BM_SETCHECK, box_.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  form::CheckBox& box_;
};

class ListBinder final : public Binder {
 public:
  ListBinder(form::ListBox& list, HWND parent)
      : Binder(list, Create(L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                            parent, list, WS_EX_CLIENTEDGE)),
        list_(list) {}
  void command(UINT code) override {
    if (code != LBN_SELCHANGE || copying()) return;
    list_.userSelect(static_cast<int>(::SendMessageW(window(), LB_GETCURSEL, 0, 0)));
    copyIndex();
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Items) {
      ++copying_;
      ::SendMessageW(window(), LB_RESETCONTENT, 0, 0);
      for (const std::string& item : list_.items()) {
        ::SendMessageW(window(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
      }
      --copying_;
      copyIndex();
    } else if (property == Property::ItemIndex) {
      copyIndex();
    } else {
      Binder::apply(property);
    }
  }

 private:
  void copyIndex() {
    ++copying_;
    ::SendMessageW(window(), LB_SETCURSEL, static_cast<WPARAM>(list_.itemIndex()), 0);
    --copying_;
  }
  form::ListBox& list_;
};

class GaugeBinder final : public Binder {
 public:
  GaugeBinder(form::Gauge& gauge, HWND parent)
      : Binder(gauge, Create(PROGRESS_CLASSW, 0, parent, gauge)), gauge_(gauge) {
    ::SendMessageW(window(), PBM_SETRANGE32, 0, 100);
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Progress) {
      ::SendMessageW(window(), PBM_SETPOS, static_cast<WPARAM>(gauge_.progress()), 0);
    } else {
      Binder::apply(property);
    }
  }

 private:
  form::Gauge& gauge_;
};

class GroupBinder final : public Binder {
 public:
  GroupBinder(form::GroupBox& group, HWND parent)
      : Binder(group, Create(L"BUTTON", BS_GROUPBOX, parent, group)), group_(group) {}

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      setText(group_.caption());
    } else {
      Binder::apply(property);
    }
  }

 private:
  form::GroupBox& group_;
};

class MemoBinder final : public Binder {
 public:
  MemoBinder(form::Memo& memo, HWND parent)
      : Binder(memo, Create(L"EDIT", ES_MULTILINE | ES_READONLY | WS_VSCROLL, parent, memo,
                            WS_EX_CLIENTEDGE)),
        memo_(memo) {}
  void apply(Property property) override {
    if (property == Property::Text || property == Property::Items) {
      std::string text;
      for (const std::string& line : memo_.lines()) text += line + "\r\n";
      setText(text);
    } else {
      Binder::apply(property);
    }
  }

 private:
  form::Memo& memo_;
};

}  // namespace

std::unique_ptr<Binder> MakeBinder(form::Control& control, HWND parent) {
  switch (control.kind()) {
    case form::Kind::Label:
      return std::make_unique<LabelBinder>(static_cast<form::Label&>(control), parent);
    case form::Kind::Button:
      return std::make_unique<ButtonBinder>(static_cast<form::Button&>(control), parent);
    case form::Kind::Edit:
    case form::Kind::MaskEdit:
      return std::make_unique<EditBinder>(static_cast<form::Edit&>(control), parent);
    case form::Kind::CheckBox:
      return std::make_unique<CheckBoxBinder>(static_cast<form::CheckBox&>(control), parent);
    case form::Kind::ListBox:
      return std::make_unique<ListBinder>(static_cast<form::ListBox&>(control), parent);
    case form::Kind::Gauge:
      return std::make_unique<GaugeBinder>(static_cast<form::Gauge&>(control), parent);
    case form::Kind::PageControl:
      return MakePageControlBinder(static_cast<form::PageControl&>(control), parent);
    case form::Kind::TabSheet:
      return MakeTabSheetBinder(static_cast<form::TabSheet&>(control), parent);
    case form::Kind::GroupBox:
      return std::make_unique<GroupBinder>(static_cast<form::GroupBox&>(control), parent);
    case form::Kind::Memo:
      return std::make_unique<MemoBinder>(static_cast<form::Memo&>(control), parent);
    case form::Kind::Image:
    case form::Kind::Shape:
    case form::Kind::Form:
      break;
  }
  return MakeDrawnBinder(control, parent);
}

}  // namespace kv3::win32
