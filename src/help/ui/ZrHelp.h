// The Help menu: the user's guide (HTML pages shipped with the program,
// opened in the desktop's browser at the page of each topic) and the check
// for a newer version on the vendor's site.
#pragma once

#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class QAction;
class QNetworkAccessManager;

namespace facette {

class TZrInetUpdater;

class TZrHelp : public TZrModule
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{3F084D7D-FB21-44A5-BA4F-B6FF3AE0B41D}");
  // How long the update check waits for the vendor's site.
  static constexpr int DefaultUpdateTimeout = 20000;

  TZrHelp();
  ~TZrHelp() override;

  QAction *ContentsMenuItem = nullptr;
  QAction *ContentsMenuSeparator = nullptr;
  QAction *GettingStartedMenuItem = nullptr;
  QAction *TechnicalSupportMenuItem = nullptr;
  QAction *HelpMenuSeparator = nullptr;
  QAction *OrderingInformationMenuItem = nullptr;
  QAction *UpdateMenuSeparator = nullptr;
  QAction *UpdateMenuItem = nullptr;

  // Filled in by the start-up composition.
  QString ProductKey;
  QString Version;
  QString Language;
  QString SiteAddress;
  // The update information file. Start-up sets the vendor's
  // (SetDefaultUpdateAddress); the settings may name another, which is
  // kept in them (tests point it at a server of their own).
  QString UpdateAddress;
  void SetDefaultUpdateAddress(const QString &Address);
  int UpdateTimeout = DefaultUpdateTimeout;

  // The folder of the help pages (one subfolder per language).
  QString HelpFileName;
  // Always true here: the help is HTML.
  bool IsHtmlHelp = true;

  void SetHelpFile(const QString &FileName);
  // Opens the page of a topic number (0: the contents) in the browser.
  void ShowHelp(int32_t Context);
  // Opens a page by name, with an optional anchor ("crop.html#ratio").
  void ShowHelpPage(const QString &Page);
  virtual void CreateMenuItems();

  // Starts the check; its answer comes as a message box when the download
  // has ended. Nothing happens while a check runs.
  void CheckForUpdate();
  bool CheckRunning() const { return !Updater.isNull(); }

  // Opens an address in the desktop's browser. Tests replace it.
  std::function<bool(const QUrl &)> OpenUrl;

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;

private:
  void UpdateFinished();
  QString DefaultUpdateAddress;
  QPointer<TZrInetUpdater> Updater;
  QNetworkAccessManager *Network = nullptr;
};

// The program's help module; nil before it is made.
TZrHelp *HelpModule();

} // namespace facette
