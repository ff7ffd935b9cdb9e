// The seven make-up tools. They differ only in what they fix: brush,
// strength, mode, colour source, the controls they show, their names and
// the node of their settings.
//
// | tool        | hardness | opacity | mode       | colour           | texture |
// |-------------|----------|---------|------------|------------------|---------|
// | lipstick    | 191      | 255 (*) | normal     | palette          | kept    |
// | powder      | 127      | 16      | normal     | palette          | not     |
// | rouge       | 127      | 16      | luminosity | palette (bright) | -       |
// | eye colour  | 191      | 127     | luminosity | palette (bright) | -       |
// | eye shadow  | 95       | 44      | normal     | palette          | kept    |
// | eye pencil  | 127      | 24      | normal     | black            | kept    |
// | teeth bleach| 127      | 32      | normal     | white            | not     |
//
// (*) the start-up composition sets the lipstick's opacity to 127.
#pragma once

#include "tools/makeup/ui/ZrMakeUpSurfaceTool.h"

namespace facette {

class TZrLipstickFrame : public TZrMakeUpSurfaceFrame
{
public:
  explicit TZrLipstickFrame(QWidget *Parent = nullptr)
      : TZrMakeUpSurfaceFrame(QStringLiteral("Lipstick"), Parent)
  {}
};

class TZrPowderFrame : public TZrMakeUpSurfaceFrame
{
public:
  explicit TZrPowderFrame(QWidget *Parent = nullptr)
      : TZrMakeUpSurfaceFrame(QStringLiteral("Powder"), Parent)
  {}
};

class TZrRougeFrame : public TZrMakeUpSurfaceFrame
{
public:
  explicit TZrRougeFrame(QWidget *Parent = nullptr)
      : TZrMakeUpSurfaceFrame(QStringLiteral("Rouge"), Parent)
  {}
};

class TZrEyeColorFrame : public TZrMakeUpSurfaceFrame
{
public:
  explicit TZrEyeColorFrame(QWidget *Parent = nullptr)
      : TZrMakeUpSurfaceFrame(QStringLiteral("Eye Color"), Parent)
  {}
};

class TZrEyeShadowFrame : public TZrMakeUpSurfaceFrame
{
public:
  explicit TZrEyeShadowFrame(QWidget *Parent = nullptr)
      : TZrMakeUpSurfaceFrame(QStringLiteral("Eye Shadow"), Parent)
  {}
};

class TZrEyePencilFrame : public TZrMakeUpSurfaceFrame
{
public:
  explicit TZrEyePencilFrame(QWidget *Parent = nullptr)
      : TZrMakeUpSurfaceFrame(QStringLiteral("Eye Pencil"), Parent)
  {}
};

class TZrTeethBleachFrame : public TZrMakeUpSurfaceFrame
{
public:
  explicit TZrTeethBleachFrame(QWidget *Parent = nullptr)
      : TZrMakeUpSurfaceFrame(QStringLiteral("TeethBleach"), Parent)
  {}
};

class TZrLipstickTool : public TZrMakeUpSurfaceTool
{
  Q_OBJECT

public:
  TZrLipstickTool();
};

class TZrPowderTool : public TZrMakeUpSurfaceTool
{
  Q_OBJECT

public:
  TZrPowderTool();
};

class TZrRougeTool : public TZrMakeUpSurfaceTool
{
  Q_OBJECT

public:
  TZrRougeTool();
};

class TZrEyeColorTool : public TZrMakeUpSurfaceTool
{
  Q_OBJECT

public:
  TZrEyeColorTool();
};

class TZrEyeShadowTool : public TZrMakeUpSurfaceTool
{
  Q_OBJECT

public:
  TZrEyeShadowTool();
};

class TZrEyePencilTool : public TZrMakeUpSurfaceTool
{
  Q_OBJECT

public:
  TZrEyePencilTool();
};

class TZrTeethBleachTool : public TZrMakeUpSurfaceTool
{
  Q_OBJECT

public:
  TZrTeethBleachTool();
};

} // namespace facette
