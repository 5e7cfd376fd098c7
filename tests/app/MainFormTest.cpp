// The main window's folder tree: the General rules, adding and naming a folder, moving calls by
// dropping them on a folder, deleting a folder with its calls, and Tree.ini kept current.
#include "Action.h"
#include "CallLogTestUtil.h"
#include "ListView.h"
#include "MainFormU.h"
#include "SettingsFile.h"
#include "TreeU.h"
#include "TreeView.h"
#include "../ui/UiTest.h"
#include <gtest/gtest.h>

namespace {

class MainForm : public ::testing::Test {
protected:
  void SetUp() override {
    g_Ini = new TSettingsFile(dir / "qdx.ini");
    TBoxWatcher boxes;  // the sound-card warning, where the machine has none
    form = NewForm<TfmQdx>(nullptr);
    form->Show();
    Started = true;
  }
  void TearDown() override {
    Started = false;
    form->Free();
  }
  void Idle() {
    bool done = true;
    form->apEventsIdle(nullptr, done);
  }
  POINT CentreOf(TTreeNode* node) {
    RECT r = node->DisplayRect(true);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  std::string FolderOf(const std::string& callId) {
    for (const auto& r : form->Log.AllCalls())
      if (r.Id == callId) return r.FolderId;
    return "<none>";
  }

  AppFolder dir;
  TfmQdx* form = nullptr;
};

}  // namespace

TEST_F(MainForm, FoldersAreAddedNamedDroppedOnAndDeletedWithTheirCalls) {
  ASSERT_EQ(form->Tree->Count(), 1);
  TTreeNode* general = form->Tree->Item(0);
  EXPECT_EQ(general->Text(), "General");
  EXPECT_EQ(form->Tree->Selected(), general);
  EXPECT_FALSE(form->acDeleteNode->Enabled());  // a root folder
  EXPECT_FALSE(form->acRenameNode->Enabled());
  {
    TBoxWatcher boxes;
    form->acDeleteNodeExecute();
    form->acRenameNodeExecute();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"General folder can not be deleted", "General folder can not be renamed"}));
  }
  EXPECT_EQ(form->Tree->Count(), 1);

  // A child folder: its record first, then the name typed into the label.
  form->acAddSubNode->Execute();
  ASSERT_EQ(form->Tree->Count(), 2);
  TTreeNode* work = form->Tree->Item(1);
  std::string workId = work->Data;
  EXPECT_EQ(form->FoldersTbl.RecordCount(), 2);
  EXPECT_TRUE(form->Tree->IsEditing());
  TreeView_EndEditLabelNow(form->Tree->Handle(), TRUE);  // the edit box gone; the name comes below
  std::string typed = "Work";
  form->TreeEdited(work, typed);
  work->SetText(typed);
  EXPECT_EQ(form->Log.FolderIdByName("Work"), workId);
  Idle();
  TFolderTree stored = LoadTreeFromIni(dir / "Tree.ini");
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[1].Text, "Work");
  EXPECT_EQ(stored[1].Level, 1);
  EXPECT_EQ(stored[1].FolderId, workId);
  EXPECT_TRUE(form->acDeleteNode->Enabled());

  // A call in General dropped on Work moves there; an empty list moves nothing.
  form->Tree->SetSelected(general);
  std::string error;
  ASSERT_TRUE(form->Log.AppendCall({"c1", DateToStr(Date()), TimeToStr(EncodeTime(10, 0, 0, 0)), "00:05", "42", general->Data, 1}, error));
  form->ShowCalls();
  ASSERT_EQ(form->dbGrid1->RowCount(), 1);
  EXPECT_EQ(form->dbGrid1->OnGetCell(0, 3), "42");
  POINT p = CentreOf(work);
  bool accept = false;
  form->TreeDragOver(form->dbGrid1, p.x, p.y, accept);
  EXPECT_TRUE(accept);
  form->TreeDragDrop(form->dbGrid1, p.x, p.y);
  EXPECT_EQ(FolderOf("c1"), workId);
  EXPECT_EQ(form->dbGrid1->RowCount(), 0);
  form->TreeDragDrop(form->dbGrid1, p.x, p.y);
  EXPECT_EQ(form->Log.AllCalls().size(), 1u);
  // A root folder cannot be dragged; a folder cannot be dropped into itself.
  form->Tree->SetSelected(general);
  form->TreeDragOver(form->Tree, p.x, p.y, accept);
  EXPECT_FALSE(accept);
  form->Tree->SetSelected(work);
  form->TreeDragOver(form->Tree, p.x, p.y, accept);
  EXPECT_FALSE(accept);

  // A name edit of a node whose folder record is gone writes nothing.
  std::string folders = ReadWholeFile(dir / "Folders.d");
  work->Data = "gone";
  std::string other = "Other";
  form->TreeEdited(work, other);
  EXPECT_EQ(ReadWholeFile(dir / "Folders.d"), folders);
  work->Data = workId;

  // Deleting Work deletes its call and the call's file.
  WriteWav(dir.Wav(MakeRecordingName(1, DateToStr(Date()), TimeToStr(EncodeTime(10, 0, 0, 0))) + ".wav"), 10);
  form->Tree->SetSelected(work);
  {
    TBoxWatcher boxes(IDOK);
    form->acDeleteNodeExecute();
    EXPECT_EQ(boxes.Texts().size(), 1u);
  }
  EXPECT_EQ(form->Tree->Count(), 1);
  EXPECT_TRUE(form->Log.AllCalls().empty());
  EXPECT_EQ(dir.WavListing(), "");
  EXPECT_EQ(form->FoldersTbl.RecordCount(), 1);
  EXPECT_EQ(LoadTreeFromIni(dir / "Tree.ini").size(), 1u);
}
