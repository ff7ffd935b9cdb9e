// The graphics editor: the editor module for photographs. It creates the
// graphics documents and their views, adds the zoom commands, folder
// browsing and the X/Y/W/H/R/G/B status panels to the main window, hosts
// the current tool (exactly one is active), wraps undo and redo so the
// tools stay consistent, turns into plug-in mode for an image handed over
// by the filter plug-in, and answers the demo commands about images and
// zoom. Tools and other modules reach the one instance through
// GraphicsEditor().
#pragma once

#include "document/ui/ZrEditor.h"
#include "editor/ui/ZrGraphicsTool.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ZrDocumentImageFormats.h"
#include "editor/ZrGraphicsDocument.h"
#include "editor/ZrZoom.h"
#include "framework/ZrGuid.h"

#include <QPointer>
#include <QStringList>

#include <memory>

class QLabel;

namespace facette {

class TZrScanner;

class TZrGraphicsEditor : public TZrEditor, public IZrGraphicsViewHost, public IZrDemoHost
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{E1195915-FFAE-4A56-B331-F4567336FF25}");
  // The screen cursor of the hand tool.
  static constexpr int32_t HandCursor = 100;

  TZrGraphicsEditor();
  ~TZrGraphicsEditor() override;

  QAction *ZoomInMenuItem = nullptr;
  QAction *ZoomOutMenuItem = nullptr;
  QAction *ActualSizeMenuItem = nullptr;
  QAction *ScaleToBestFitMenuItem = nullptr;
  QAction *ZoomMenuSeparator = nullptr;
  QAction *ZoomToolbarSeparator = nullptr;
  QAction *ZoomInButton = nullptr;
  QAction *ZoomOutButton = nullptr;
  QAction *ActualSizeButton = nullptr;
  QAction *ScaleToBestFitButton = nullptr;
  // Scanner import.
  QMenu *ImportSubmenu = nullptr;
  QAction *SelectTwainSourceMenuItem = nullptr;
  QAction *AcquireMenuItem = nullptr;
  QAction *CloseMenuSeperator = nullptr;
  // Checked: photos are turned upright on opening as their EXIF
  // orientation says.
  QAction *UprightMenuItem = nullptr;
  QLabel *XStatusPanel = nullptr;
  QLabel *YStatusPanel = nullptr;
  QLabel *WStatusPanel = nullptr;
  QLabel *HStatusPanel = nullptr;
  QLabel *RStatusPanel = nullptr;
  QLabel *GStatusPanel = nullptr;
  QLabel *BStatusPanel = nullptr;
  QLabel *ZoomStatusPanel = nullptr;
  QAction *PrevImageButton = nullptr;
  QAction *NextImageButton = nullptr;
  QAction *OkButton = nullptr;
  QAction *CancelButton = nullptr;

  // The scanner component; never set, so the two direct scanner items stay
  // hidden and the Import submenu is shown.
  TZrScanner *Scanner = nullptr;
  bool ScannerItemsVisible = false;
  // While set only the current tool may be selected.
  bool ToolLocked = false;
  // Set by a command state during its undo or redo to ask for one more
  // step.
  bool RepeatUndo = false;
  // Set while the undo path that keeps the current tool runs.
  bool InUndo = false;
  bool KeepToolOnUndo = false;
  // The folder demo scripts and their images are in (ends with a slash).
  QString DemoFolder;
  // Stored with the settings; nothing else uses it.
  bool StoredOption = false;
  // The browsed images of the open file's folder, and the open file's place
  // among them (-1 when not found).
  QStringList FolderFiles;
  int FolderIndex = -1;

  // The format object: reads and writes the image files.
  TZrDocumentFormats &Formats() override;
  TZrDocumentImageFormats &ImageFormats() { return *FormatList; }
  int32_t JpegQuality() const;
  void SetJpegQuality(int32_t Quality);

  TZrGraphicsTool *CurrentTool() const { return CurrentTool_; }
  TZrGraphicsTool *PreviousTool() const { return PreviousTool_; }
  TZrGraphicsDocument *ActiveDocument() const;
  TZrGraphicsView *ActiveView() const;
  // Paints the photo final where it shows drafts, before a picture of the
  // window is taken.
  void FinishDrafts();

  // Overrides of the editor.
  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;
  std::unique_ptr<TZrDocument> CreateDocument() override;
  bool AttachDocument(TZrDocument &Doc, TZrDocumentView *&View) override;
  void ActivateDocument(TZrDocument &Doc) override;
  void RemoveDocument(TZrDocument &Doc) override;
  bool Open(const QString &FileName, TZrDocument *&Doc, bool AddToRecent) override;
  void UpdateCaption() override;
  bool SaveAsWithDialog(TZrDocument &Doc) override;
  int AskSaveChanges(const std::string &Name) override;
  void DocumentOpened(TZrDocument &Doc) override;
  void SetPlugInMode(bool Value) override;
  bool CanUndo() const override;
  bool CanRedo() const override;
  void UndoStep() override;
  void RedoStep() override;
  void DemoCommand(IZrDemoPlayback *Sender, const QString &Command, bool &Handled,
                   TZrDemoAction *Action, const TZrDemoScriptParams &Params) override;
  void DemoTargetPosition(IZrDemoPlayback *Sender, const TZrDemoScriptParams &Params, bool &Handled,
                          QPoint &Point) override;

  // New operations, each usable as a command handler.
  virtual void ActivateDocumentHandler(TZrDocument *Sender);
  virtual void NextImage();
  virtual void PreviousImage();
  virtual void ZoomIn();
  virtual void ZoomOut();
  virtual void ActualSize();
  virtual void BestFit();
  virtual void PlugInOk();
  virtual void PlugInCancel();

  // Tool hosting.
  void SelectTool(TZrGraphicsTool *Tool);
  // Whether Tool may become current now (tools enable their buttons by
  // it): a document is open, the tool is not locked out and no exclusive
  // tool has an edit open.
  bool CanSelectTool(TZrGraphicsTool *Tool) const;
  void LockTool() { ToolLocked = true; }
  void UnlockTool() { ToolLocked = false; }
  // Every graphics tool of the application, in module order.
  static std::vector<TZrGraphicsTool *> GraphicsTools();

  // Actual size when the image fits into the view, otherwise best fit.
  void FitOnOpen(TZrGraphicsDocument *Doc, TZrGraphicsView *View);
  void FitCurrent();
  // Grows the main window until the view is at least Width x Height,
  // staying on the screen.
  void SetMinViewSize(int Width, int Height);
  void SetWidthStatus(const QString &Text);
  void SetHeightStatus(const QString &Text);
  // W and H of the current document's image; empty without one.
  void ShowImageStatus();
  // The zoom panel's text for a zoom of Numerator / Denominator, "33.3%"
  // in the interface language's way; empty for no zoom.
  static QString ZoomText(int32_t Numerator, int32_t Denominator);
  // The main window's file-drop handler: opens the file as a recent one.
  void OpenFromMainWindow(const QString &FileName);
  // Opens a file as a recent one without a message when it fails; Reason
  // (when given) then says why.
  bool OpenQuietly(const QString &FileName, TZrDocument *&Doc, QString *Reason = nullptr);
  // A finished scan: opened as an untitled document.
  void OpenScannedImage(const QString &FileName);

  // The view's status and recording (IZrGraphicsViewHost); a colour of -1
  // means the pointer is off the image.
  void ShowPointerStatus(int32_t X, int32_t Y, int32_t Red, int32_t Green, int32_t Blue) override;
  IZrDemoPlayback *RecordingPlayback() override;
  QString DemoClickCaption() override;

  // Before and after a demonstration (IZrDemoHost).
  void CloseDemoDocument() override;
  bool HasDocument() const override { return CurrentDocument() != nullptr; }
  bool CloseDocumentsForDemo(QString &ReopenFileName) override;
  bool InPlugInMode() const override { return PlugInMode; }
  void ReopenAfterDemo(const QString &FileName) override;
  void ShowToolPanel() override;

protected:
  bool eventFilter(QObject *Watched, QEvent *Event) override;
  // A save the user cancelled in the JPEG options dialog is no failure.
  void ReportSaveFailure(const QString &FileName) override;
  // Quiet while OpenQuietly runs. An exchange file that could not be
  // taken was handed over by a plug-in: the message says so, and the exit
  // code tells the plug-in to leave its host's image alone.
  void ReportOpenFailure(const QString &FileName) override;
  void ReportOpenWarning(const QString &Text) override;

private:
  class THost;
  // One undo (Backwards) or redo step with the tools told, repeated while
  // a state asks for another.
  void HistoryStep(bool Backwards);
  void SetZoom(TZrZoom Zoom);
  TZrZoom CurrentZoom() const;
  void RecordZoom(const QString &Keyword, const QString &Message);
  void RebuildFolderList(const QString &FileName);
  // The Import submenu: one item per scanner source.
  void RebuildImportMenu();
  void OpenFolderEntry();
  // A label panel and a value panel in the status bar; returns the value.
  // A framed value closes a group of panels.
  QLabel *AddStatusPanel(const QString &Label, int LabelWidth, int ValueWidth, bool Framed);

  std::unique_ptr<THost> Host;
  std::unique_ptr<TZrDocumentImageFormats> FormatList;
  QPointer<TZrGraphicsTool> CurrentTool_;
  QPointer<TZrGraphicsTool> PreviousTool_;
  // How the zoom was last fitted to the view, if it was.
  enum class TZrFit
  {
    None,
    OnOpen,  // actual size when the image fits, else best fit
    BestFit, // the whole image as large as the view allows
  };
  void Fit(TZrFit How, const TZrGraphicsDocument &Doc, TZrGraphicsView &View);
  void ShowZoomStatus();

  // A fit asked for before the view had its size; done when it is shown.
  bool FitPending = false;
  // The fit the zoom follows when the view changes size, and the zoom it
  // gave.
  TZrFit Fitted = TZrFit::None;
  std::pair<int32_t, int32_t> FittedZoom;
  // What fills the window's image area while no document is open.
  QPointer<QWidget> Workspace;
  bool QuietOpen = false;
};

// The one graphics editor; nil before it is made and after it is gone.
TZrGraphicsEditor *GraphicsEditor();

} // namespace facette
