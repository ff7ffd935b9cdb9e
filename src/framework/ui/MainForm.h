// The program's only top-level window. It starts almost empty — File, View
// and Help menus, toolbar and panel areas at the four edges, a status bar —
// and every module merges its own commands into it while it is created.
#pragma once

#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"
#include "framework/ZrPlacement.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

class QDockWidget;
class QMenu;
class QStatusBar;
class QToolBar;
class QWidget;

namespace facette {

class TZrImageList;

class TMainForm : public TZrFormT<QMainWindow>
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{7AF6D7FF-618B-41D9-882E-419D500DF28B}");

  explicit TMainForm(QWidget *Parent = nullptr);
  ~TMainForm() override;

  // The window while it exists; modules merge their commands through it.
  static TMainForm *Instance() { return Instance_; }

  // Designed menu tree: File (separator, Exit), View (Toolbars, separator,
  // Language), Help.
  QMenu *FileMenuItem = nullptr;
  QMenu *ViewMenuItem = nullptr;
  QMenu *HelpMenuItem = nullptr;
  QMenu *LanguageMenuItem = nullptr;
  QMenu *ToolbarsMenuItem = nullptr;
  QAction *ExitMenuItem = nullptr;
  QAction *FileMenuSeparator = nullptr;
  QAction *ViewMenuSeparator = nullptr;
  TZrImageList *DefaultImages = nullptr;

  // Called with the first dropped file when it exists.
  std::function<void(const QString &FileName)> OnDropFile;

  // The shared image list when one is installed, else the window's own.
  TZrImageList *Images() const;
  void SetImages(TZrImageList *List);
  // The shared list a main window made later starts with: the start-up
  // composition installs it before the editor module creates the window,
  // so every item merged from the first on uses it.
  static void SetStartupImages(TZrImageList *List);

  // Merging operations. Parent nil means the menu bar; an item to insert
  // before that is not in the parent (removed, or never made) appends.
  QAction *AddMenuItem(const QString &Caption, const QKeySequence &ShortCut, QAction *Before,
                       QMenu *Parent, int ImageIndex, std::function<void()> OnClick);
  QMenu *AddSubmenu(const QString &Caption, QMenu *Parent, QAction *Before);
  QAction *AddSeparator(QMenu *Parent, QAction *Before);
  // A toolbar docked at the top, with a visibility item in the Toolbars
  // menu that follows the toolbar's caption.
  QToolBar *AddToolbar(const QString &Caption);
  // A button on Toolbar (hint = caption). Ref is set before the item is
  // configured; Images may be nil for a button without picture. Toolbar is
  // a QToolBar or any widget that shows its actions as buttons (the tool
  // panel's wrapping toolbar).
  QAction *AddToolbarItem(QWidget *Toolbar, TZrImageList *ImageList, QAction *Before,
                          const QString &Caption, int ImageIndex, std::function<void()> OnClick,
                          QAction *&Ref);
  // Any other control on a toolbar (check boxes, edits, labels).
  QAction *AddToolbarWidget(QToolBar *Toolbar, QWidget *Widget, QAction *Before);
  // A panel that can be docked at the edges of the window (the caller
  // places it).
  QDockWidget *AddDockablePanel();
  // Adds the program image of that name to Images; -1 when it is missing or
  // cannot be loaded.
  int AddResourceImage(const QString &ResourceName);

  // The 44-byte placement of the window: show state and restored rectangle.
  TZrWindowPlacement Placement() const;
  void SetPlacement(const TZrWindowPlacement &Placement);

  void Localize() override;
  void Initialize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;

  // Re-captions the toolbar items of the Toolbars menu from their toolbars.
  void UpdateToolbarsMenu();
  // Switches the interface language (the Language menu's items do this).
  void ChooseLanguage(int LangId);

signals:
  // The window is about to be destroyed, its children still exist: modules
  // take back what they placed in it and still own.
  void Destroying();

protected:
  void dragEnterEvent(QDragEnterEvent *Event) override;
  void dropEvent(QDropEvent *Event) override;
  void moveEvent(QMoveEvent *Event) override;
  void resizeEvent(QResizeEvent *Event) override;
  bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
  void RememberNormalGeometry();
  void FitMinimumSize();

  struct TToolbarItem
  {
    QPointer<QToolBar> Toolbar;
    QAction *Item;
  };
  std::vector<TToolbarItem> ToolbarItems;
  QPointer<TZrImageList> SharedImages;
  QRect NormalGeometry;
  // The designed size, the smallest the window goes (wider where the
  // status bar needs it).
  QSize DesignedSize;
  // The modules have merged their items (Initialize).
  bool Initialized = false;
  // The settings held a placement: the window goes back there.
  bool PlacementRestored = false;
  static TMainForm *Instance_;
  static QPointer<TZrImageList> StartupImages;
};

inline TMainForm *MainForm()
{
  return TMainForm::Instance();
}

// A button's hint with the key that does the same, "Open (Ctrl+O)"; the
// hint alone when there is no key. The key is named in the words of the
// interface language.
QString ShortcutHint(const QString &Hint, const QKeySequence &Key);

} // namespace facette
