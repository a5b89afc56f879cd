#include "ui/control_font.h"

#include "ui/display_scale.h"

HFONT SetControlPixelFont(HWND control, const wchar_t* face, int pixelHeight, int weight) {
  if (control == nullptr) return nullptr;
  // Quality 9 is CLEARTYPE_NATURAL_QUALITY.
  HFONT font = CreateFontW(-Scaled(pixelHeight), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, 9, DEFAULT_PITCH | FF_DONTCARE, face);
  if (font != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return font;
}
