#include "app/main_window.h"

#include <filesystem>
#include <system_error>

namespace kv3::app {

namespace {

constexpr const char* DescriptionTitle = "Konfigurationstool für Varnel Remote Control KV3  P1.7";

}  // namespace

MainWindow::MainWindow(ui::Desktop& desktop, link::LinkSettings settings)
    : ui::Form(desktop, "Form1", {0, 0, 896, 472}, DescriptionTitle), settings_(std::move(settings)) {
  setUpLook();
  setUpStartState();
  setUpDialogs();
  wireHandlers();
}

MainWindow::~MainWindow() = default;

void MainWindow::setUpLook() {
  Image1.style().handCursor = true;
  Image1.style().transparent = true;
  Image1.setHint(std::string(MakerSite));
  Image2.style().handCursor = true;
  Image3.style().handCursor = true;
  Label11.style().fontColor = ui::clRed;
  Label11.style().bold = true;
  Label11.style().fontPixels = 48;
  LB1.style().bold = true;
  Label17.style().bold = true;
  Label1.style().bold = true;
  Label19.style().bold = true;
  Label24.style().bold = true;
  Label29.style().bold = true;
  for (ui::Button* website : {&Bt_WS_FW, &Bt_WS_WA, &Bt_WS_AS, &Bt_WS_R}) {
    website->style().fontColor = ui::clBlue;
    website->style().underline = true;
  }
  // An edit is read by the caption of the label in front of it.
  const std::pair<ui::Control*, const ui::Control*> buddies[] = {
      {&Edit2, &Label14},      {&Edit8, &Label9},       {&Edit4, &Label4},
      {&Edit5, &Label5},       {&Edit6, &Label6},       {&Edit1, &Label2},
      {&EditPW, &Label7},      {&Ed_Inst_FW, &Label1},  {&Ed_Up_FW, &Lb_DV_FW},
      {&Ed_Inst_WA, &Label19}, {&Ed_Up_WA, &Lb_DV_WA},  {&Ed_Inst_AS, &Label24},
      {&Ed_Up_AS, &Lb_DV_AS},  {&Ed_Up_DF, &Lb_DG_AS},  {&Ed_Inst_R, &Label29},
      {&Ed_Up_R, &Lb_DV_R},    {&Edit3, &Label3},       {&CG_FW, &Lb_Up_FW},
      {&CG_WA, &Lb_Up_WA},     {&CG_AS, &Lb_Up_AS},     {&CG_R, &Lb_Up_R},
      {&LB1, &BTSuchen}};
  for (const auto& [control, label] : buddies) {
    control->setBuddy(label);
  }
}

void MainWindow::setUpStartState() {
  // Controls that start hidden; most of them nothing ever shows.
  for (ui::Control* hidden :
       std::initializer_list<ui::Control*>{&Label11, &BtMAC, &Bt_CreateImage, &Label17, &Label14,
                                           &Edit2, &CGauge8, &Label12, &Shape1, &LB2,
                                           &Lb_Search_FW, &CG_Search_FW, &Lb_Search_WA,
                                           &CG_Search_WA, &CB_En_AS, &Memo1}) {
    hidden->setVisible(false);
  }
  TabSheet4.setTabVisible(false);
  TabSheet5.setTabVisible(false);
  PageControl1.setActivePage(&TabSheet1);
  BtESpeichern.setEnabled(false);
  Button2.setEnabled(false);
  EditPW.setPasswordChar('*');
  for (ui::Edit* readOnly : {&Ed_Inst_FW, &Ed_Up_FW, &Ed_Inst_WA, &Ed_Up_WA, &Ed_Inst_AS,
                             &Ed_Up_AS, &Ed_Up_DF, &Ed_Inst_R, &Ed_Up_R}) {
    readOnly->setReadOnly(true);
  }
}

void MainWindow::setUpDialogs() {
  SaveDialog2.defaultExt = "rom";
  OpenDialog2.multiSelect = true;
  OpenDialog2.hideReadOnly = true;
  OpenDialog3.defaultExt = "bin";
  OpenDialog3.hideReadOnly = true;
  OpenDialog3.pathMustExist = true;
  OpenDialog3.fileMustExist = true;
  OpenDialog3.extensionDifferent = true;
}

void MainWindow::wireHandlers() {
  Image1.onClick = [this] {
    desktop().openUrl(std::string(MakerSite) + std::string(ConfiguratorPagePath));
  };
  Label4.onClick = [this] { BTSuchen.click(); };

  // Each upload half shows its controls only while a file is chosen.
  const auto showWhileChosen = [](ui::Edit& chosen, std::initializer_list<ui::Control*> controls) {
    chosen.onChange = [&chosen, list = std::vector<ui::Control*>(controls)] {
      const bool show = !chosen.text().empty();
      for (ui::Control* control : list) {
        control->setVisible(show);
      }
    };
  };
  showWhileChosen(Ed_Up_FW, {&Ed_Up_FW, &Bt_Up_FW, &CG_FW, &Lb_DV_FW, &Lb_Up_FW});
  showWhileChosen(Ed_Up_WA, {&Ed_Up_WA, &Bt_Up_WA, &CG_WA, &Lb_DV_WA, &Lb_Up_WA});
  showWhileChosen(Ed_Up_R, {&Ed_Up_R, &Bt_Up_R, &CG_R, &Lb_DV_R, &Lb_Up_R});
  // The scheme half looks only at the picture's name, also when the definition's name changes.
  showWhileChosen(Ed_Up_AS,
                  {&Ed_Up_AS, &Ed_Up_DF, &Bt_Up_AS, &CG_AS, &Lb_DV_AS, &Lb_Up_AS, &Lb_DG_AS});
  Ed_Up_DF.onChange = Ed_Up_AS.onChange;
}

void MainWindow::FormActivate() {
  std::error_code ignored;
  StartDirectory = std::filesystem::current_path(ignored).string();
  PageControl1.setActivePage(&TabSheet1);
  BTSuchen.click();
  for (ui::Edit* chosen : {&Ed_Up_FW, &Ed_Up_WA, &Ed_Up_DF, &Ed_Up_AS, &Ed_Up_R}) {
    chosen->setText("");
  }
}

}  // namespace kv3::app
