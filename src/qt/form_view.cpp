#include "qt/form_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "qt/binding.h"
#include "qt/pictures.h"

namespace kv3::qt {

namespace {

// A plain top-level QWidget is announced as an unnamed client area; the form is the
// application's main window and says so to screen readers (with its title as its name).
QAccessibleInterface* formAccessible(const QString& /*className*/, QObject* object) {
  auto* view = dynamic_cast<FormView*>(object);
  if (view == nullptr || !view->isWindow()) {
    return nullptr;
  }
  return new QAccessibleWidget(view, QAccessible::Window);  // NOLINT: Qt takes ownership
}

}  // namespace

FormView::FormView(form::Form& form, QWidget* parent) : QWidget(parent), form_(form) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(formAccessible);
    return true;
  }();
  (void)factoryInstalled;
  // A fixed single border with a system menu, minimise and close; no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFont(windowFont());
  setWindowIcon(applicationIcon());
  build(form, this);
  centreOnScreen();
  // Posted, so the window closes from the event loop once the handler that ended the upload
  // has returned.
  form_.closeWindow = [this] { QTimer::singleShot(0, this, [this] { close(); }); };
}

FormView::~FormView() {
  form_.closeWindow = nullptr;
  // Stop observing the model before the widgets go.
  bindings_.clear();
}

QWidget* FormView::widgetFor(const std::string& name) const {
  const auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second;
}

void FormView::runOnFirstActivation(std::function<void()> action, int fallbackMs) {
  onFirstActivation_ = std::move(action);
  fallbackMs_ = fallbackMs;
  activated_ = false;
}

QFont FormView::windowFont() {
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

bool FormView::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) {
    firstActivation();
  } else if (event->type() == QEvent::Show && !shownOnce_) {
    shownOnce_ = true;
    QTimer::singleShot(fallbackMs_, this, [this] { firstActivation(); });
  }
  return QWidget::event(event);
}

void FormView::closeEvent(QCloseEvent* event) {
  if (form_.CloseQuery()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void FormView::firstActivation() {
  if (activated_ || !onFirstActivation_) {
    return;
  }
  activated_ = true;
  // Runs from the event loop, not inside the activation event: the handler may take long and
  // process the window's messages itself.
  QTimer::singleShot(0, this, [this] { onFirstActivation_(); });
}

void FormView::build(form::Control& control, QWidget* parent) {
  std::unique_ptr<Binding> binding = makeBinding(control, parent);
  widgets_.emplace(control.name(), binding->widget());
  binding->start();
  QWidget* container = binding->container();
  bindings_.push_back(std::move(binding));
  for (form::Control* child : control.children()) {
    build(*child, container);
  }
}

void FormView::centreOnScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return;
  }
  const QRect area = screen->availableGeometry();
  move(area.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace kv3::qt
