#include "tools/makeup/ui/ZrMakeUpTools.h"

namespace facette {

namespace {

using TTraits = TZrMakeUpToolTraits;

TTraits MakeTraits(const char *DemoName, int NameId, const char *Guid, int32_t Hardness,
                   int32_t Opacity, int32_t Mode, bool KeepTexture,
                   TTraits::TFixedColour Fixed = TTraits::None)
{
  TTraits T;
  T.DemoName = DemoName;
  T.NameId = NameId;
  T.SettingsGuid = TZrGuid::FromString(Guid);
  T.Hardness = Hardness;
  T.Opacity = Opacity;
  T.BlendMode = Mode;
  // Luminosity mode always works on a full-brightness palette.
  T.FullBrightness = Mode == LuminosityMode;
  T.KeepTexture = KeepTexture;
  T.FixedColour = Fixed;
  return T;
}

} // namespace

TZrLipstickTool::TZrLipstickTool()
    : TZrMakeUpSurfaceTool(MakeTraits("Lipstick", 2611, "{71975188-C192-4136-A3D0-25A2AFF45335}",
                                      191, 255, NormalMode, true),
                           FrameClassOf<TZrLipstickFrame>())
{}

TZrPowderTool::TZrPowderTool()
    : TZrMakeUpSurfaceTool(MakeTraits("Powder", 2613, "{006466EE-FAB8-4E77-A4C0-84E3035A98AD}", 127,
                                      16, NormalMode, false),
                           FrameClassOf<TZrPowderFrame>())
{}

TZrRougeTool::TZrRougeTool()
    : TZrMakeUpSurfaceTool(MakeTraits("Rouge", 2614, "{168E5F19-8F69-4834-90F8-CD9E19D54FDB}", 127,
                                      16, LuminosityMode, true),
                           FrameClassOf<TZrRougeFrame>())
{}

TZrEyeColorTool::TZrEyeColorTool()
    : TZrMakeUpSurfaceTool(MakeTraits("EyeColor", 2612, "{FE93CBD7-F887-4BF6-B765-5D5AF619F0DD}",
                                      191, 127, LuminosityMode, true),
                           FrameClassOf<TZrEyeColorFrame>())
{}

TZrEyeShadowTool::TZrEyeShadowTool()
    : TZrMakeUpSurfaceTool(MakeTraits("EyeShadow", 2657, "{B014135A-DECD-4420-A111-F59CB6CED141}",
                                      95, 44, NormalMode, true),
                           FrameClassOf<TZrEyeShadowFrame>())
{}

TZrEyePencilTool::TZrEyePencilTool()
    : TZrMakeUpSurfaceTool(MakeTraits("EyePencil", 2656, "{4F4B4EBD-D957-4570-80A8-189BC628B46A}",
                                      127, 24, NormalMode, true, TTraits::Black),
                           FrameClassOf<TZrEyePencilFrame>())
{}

TZrTeethBleachTool::TZrTeethBleachTool()
    : TZrMakeUpSurfaceTool(MakeTraits("TeethBleach", 2615, "{07B44135-CA6E-4F34-9A26-AD7536DA49C0}",
                                      127, 32, NormalMode, false, TTraits::White),
                           FrameClassOf<TZrTeethBleachFrame>())
{}

} // namespace facette
