// The Print command of the File menu: the print dialog for the open photo.
// Without any printer installed the photo prints into a PDF file.
#pragma once

#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class QAction;

namespace facette {

class TZrGraphicsPrintForm;
class TZrPrinter;

class TZrGraphicsPrintModule : public TZrModuleWithControls
{
  Q_OBJECT

public:
  static constexpr TZrGuid SettingsGuid =
      TZrGuid::FromString("{5D250587-264E-4E0E-8620-E85C176F8C2F}");

  TZrGraphicsPrintModule();
  ~TZrGraphicsPrintModule() override;

  QAction *PrintMenuItem = nullptr;
  QAction *PrintMenuSeparator = nullptr;
  QAction *PrintToolButton = nullptr;

  // The dialog's choices kept from one print to the next (and in the
  // settings): the unit of each field, centring and fitting. Units start
  // with the user's measurement system.
  std::array<int32_t, 4> Units{};
  bool CenterImage = false;
  bool ScaleToFitMedia = false;

  TZrPrinter &Printer() const { return *Printer_; }

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void Initialize() override;
  void UpdateControls() override;

  // Shows the print dialog for the editor's active document.
  void PrintCommand();
  // Set by tests to work the dialog instead of the user; it returns the
  // dialog's result.
  std::function<int(TZrGraphicsPrintForm &)> ExecForm;

private:
  std::unique_ptr<TZrPrinter> Printer_;
};

} // namespace facette
