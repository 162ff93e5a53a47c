#include "qt/qt_desktop.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "form/file_dialog.h"

namespace kv3::qt {
namespace {

// Hands the next modal dialog to look, once it is open.
template <class Dialog>
void whenOpen(std::function<void(Dialog&)> look) {
  QTimer::singleShot(0, [look] {
    ASSERT_TRUE(
        QTest::qWaitFor([] { return qobject_cast<Dialog*>(QApplication::activeModalWidget()); }));
    look(*qobject_cast<Dialog*>(QApplication::activeModalWidget()));
  });
}

TEST(QtDesktop, MessageBoxHasTheCaptionOneOkAndNoIcon) {
  QtDesktop desktop("KV3 title");
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::Warning;
  int buttons = 0;
  whenOpen<QMessageBox>([&](QMessageBox& box) {
    title = box.windowTitle();
    text = box.text();
    icon = box.icon();
    buttons = static_cast<int>(box.buttons().size());
    box.accept();
  });
  desktop.messageBox("Das Programm ist schon gestartet!\r\nApplication is already activ.",
                     "Hinweis");
  EXPECT_EQ(title, QStringLiteral("Hinweis"));
  EXPECT_EQ(text,
            QStringLiteral("Das Programm ist schon gestartet!\nApplication is already activ."));
  EXPECT_EQ(icon, QMessageBox::NoIcon);
  EXPECT_EQ(buttons, 1);

  whenOpen<QMessageBox>([&](QMessageBox& box) {
    title = box.windowTitle();
    icon = box.icon();
    box.accept();
  });
  desktop.errorBox("Host Lookup - Could Not Find Host Entry.");
  EXPECT_EQ(title, QStringLiteral("KV3 title"));
  EXPECT_EQ(icon, QMessageBox::Critical);
}

class FileDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"a.bin", "b.bin", "c.txt"}) {
      std::ofstream(std::filesystem::path(dir.path().toStdString()) / name) << "x";
    }
  }
  std::string path(const char* name) const { return dir.filePath(name).toStdString(); }

  QTemporaryDir dir;
  QtDesktop desktop{"KV3"};
};

TEST_F(FileDialogTest, OpenDialogTakesTheSettingsAndReturnsTheChosenFile) {
  form::FileDialog dialog("OpenDialog3", form::FileDialog::Mode::Open);
  dialog.filter = "Firmware|*.bin|Alle|*.*";
  dialog.defaultExt = "bin";
  dialog.initialDir = dir.path().toStdString();
  dialog.fileMustExist = true;
  QStringList filters;
  QString suffix;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  QString startDir;
  whenOpen<QFileDialog>([&](QFileDialog& qt) {
    filters = qt.nameFilters();
    suffix = qt.defaultSuffix();
    mode = qt.fileMode();
    startDir = qt.directory().absolutePath();
    qt.selectFile(QStringLiteral("b.bin"));
    static_cast<QDialog&>(qt).accept();
  });
  ASSERT_TRUE(desktop.runFileDialog(dialog));
  EXPECT_EQ(filters, (QStringList{"Firmware (*.bin)", "Alle (*.*)"}));
  EXPECT_EQ(suffix, QStringLiteral("bin"));
  EXPECT_EQ(mode, QFileDialog::ExistingFile);
  EXPECT_EQ(startDir, QDir(dir.path()).absolutePath());
  EXPECT_EQ(dialog.fileName, path("b.bin"));
  EXPECT_EQ(dialog.files, (std::vector<std::string>{path("b.bin")}));
}

TEST_F(FileDialogTest, SeveralFilesMayBeChosenWhereAllowed) {
  form::FileDialog dialog("OpenDialog2", form::FileDialog::Mode::Open);
  dialog.multiSelect = true;
  dialog.initialDir = dir.path().toStdString();
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  whenOpen<QFileDialog>([&](QFileDialog& qt) {
    mode = qt.fileMode();
    qt.selectFile(QStringLiteral("\"a.bin\" \"c.txt\""));
    static_cast<QDialog&>(qt).accept();
  });
  ASSERT_TRUE(desktop.runFileDialog(dialog));
  EXPECT_EQ(mode, QFileDialog::ExistingFiles);
  EXPECT_EQ(dialog.files, (std::vector<std::string>{path("a.bin"), path("c.txt")}));
  EXPECT_EQ(dialog.fileName, path("a.bin"));
}

TEST_F(FileDialogTest, SaveDialogAndCancel) {
  form::FileDialog save("SaveDialog2", form::FileDialog::Mode::Save);
  save.defaultExt = "rom";
  save.initialDir = dir.path().toStdString();
  QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
  whenOpen<QFileDialog>([&](QFileDialog& qt) {
    accept = qt.acceptMode();
    qt.selectFile(QStringLiteral("web"));
    static_cast<QDialog&>(qt).accept();
  });
  ASSERT_TRUE(desktop.runFileDialog(save));
  EXPECT_EQ(accept, QFileDialog::AcceptSave);
  EXPECT_EQ(save.fileName, path("web.rom"));

  form::FileDialog cancelled("OpenDialog1", form::FileDialog::Mode::Open);
  cancelled.initialDir = dir.path().toStdString();
  whenOpen<QFileDialog>([](QFileDialog& qt) { qt.reject(); });
  EXPECT_FALSE(desktop.runFileDialog(cancelled));
  EXPECT_TRUE(cancelled.fileName.empty());
}

}  // namespace
}  // namespace kv3::qt
