#include "qt/qt_desktop.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>

#include "platform/open_url.h"
#include "platform/pause.h"
#include "qt/file_filter.h"
#include "qt/text.h"

namespace kv3::qt {

namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, const std::string& text,
             const std::string& caption) {
  QMessageBox box(icon, toQt(caption), messageText(text), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace

QtDesktop::QtDesktop(std::string applicationTitle)
    : applicationTitle_(std::move(applicationTitle)) {}

void QtDesktop::messageBox(const std::string& text, const std::string& caption) {
  showBox(window_, QMessageBox::NoIcon, text, caption);
}

void QtDesktop::errorBox(const std::string& text) {
  showBox(window_, QMessageBox::Critical, text, applicationTitle_);
}

bool QtDesktop::runFileDialog(form::FileDialog& dialog) {
  QFileDialog qt(window_, QString(), toQt(dialog.initialDir));
  qt.setObjectName(toQt(dialog.name()));
  const bool save = dialog.mode() == form::FileDialog::Mode::Save;
  qt.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (save) {
    qt.setFileMode(QFileDialog::AnyFile);
  } else if (dialog.multiSelect) {
    qt.setFileMode(QFileDialog::ExistingFiles);
  } else {
    qt.setFileMode(dialog.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  }
  const QString filters = qtNameFilters(dialog.filter);
  if (!filters.isEmpty()) {
    qt.setNameFilters(filters.split(QStringLiteral(";;")));
  }
  if (!dialog.defaultExt.empty()) {
    qt.setDefaultSuffix(toQt(dialog.defaultExt));
  }
  if (!dialog.fileName.empty()) {
    qt.selectFile(toQt(dialog.fileName));
  }
  if (qt.exec() != QDialog::Accepted) {
    return false;
  }
  const QStringList chosen = qt.selectedFiles();
  if (chosen.isEmpty()) {
    return false;
  }
  dialog.files.clear();
  for (const QString& file : chosen) {
    dialog.files.push_back(QFile::encodeName(file).toStdString());
  }
  dialog.fileName = dialog.files.front();
  return true;
}

void QtDesktop::repaint() {
  if (window_) {
    window_->repaint();
  }
}

void QtDesktop::openUrl(const std::string& url) { platform::OpenUrl(url); }

void QtDesktop::languageChanged(std::string_view code) {
  if (qtTexts_) {
    QCoreApplication::removeTranslator(qtTexts_.get());
    qtTexts_.reset();
  }
  if (code != "de") return;  // Qt's own texts are English
  auto translator = std::make_unique<QTranslator>();
  // Without the translations installed the dialogs stay English.
  if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator.get());
    qtTexts_ = std::move(translator);
  }
}

void QtDesktop::pause(int ms) { platform::SleepMs(ms); }

void QtDesktop::processMessages() { QCoreApplication::processEvents(); }

}  // namespace kv3::qt
