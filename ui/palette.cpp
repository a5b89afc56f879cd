#include "ui/palette.h"

HBRUSH SurfaceBrush = nullptr;
HBRUSH BandBrush = nullptr;

void CreateControlBrushes() {
  DeleteControlBrushes();
  SurfaceBrush = CreateSolidBrush(SurfaceColor);
  BandBrush = CreateSolidBrush(BandColor);
}

void DeleteControlBrushes() {
  if (SurfaceBrush != nullptr) DeleteObject(SurfaceBrush);
  if (BandBrush != nullptr) DeleteObject(BandBrush);
  SurfaceBrush = nullptr;
  BandBrush = nullptr;
}
